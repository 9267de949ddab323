// The TFM lookup of the shipped programs: TeX's own file finder, kpsewhich, started
// directly (never through a shell, since the font name comes from the DVI file) with
// the single argument name + ".tfm". The first line of its output is the path. The
// same lookup finds the font maps, Type 1 fonts and encoding files of the outline writer.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <optional>
#include <unordered_map>
#include <vector>

#include "common/Failure.h"
#include "fonts/FontFileLookup.h"
#include "fonts/TfmLookup.h"

extern char** environ;

namespace {

// Reads the child's standard output up to its first line feed; a read error ends the
// answer as the end of the output does. A carriage return right before the line feed
// is dropped, as a text-mode pipe would.
std::string ReadFirstLine(int fd) {
    std::string answer;
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return answer;
        for (ssize_t i = 0; i < got; ++i) {
            if (buffer[i] == '\n') {
                if (!answer.empty() && answer.back() == '\r') answer.pop_back();
                return answer;
            }
            answer.push_back(buffer[i]);
        }
    }
}

// Starts `name` (kpsewhich, or mktexpk) with `arguments` and reads its standard output
// with `readOutput`, its standard error going to /dev/null when `quiet`; false when it
// could not be started.
template <typename Reader>
bool RunProgram(const char* name, std::vector<std::string> arguments, Reader readOutput,
                bool quiet = false) {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return false;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    // What the programs it starts say (mktexpk, Metafont) is not ours to show.
    if (quiet) posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string program = name;
    std::vector<char*> argv{program.data()};
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawned =
        posix_spawnp(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        return false;
    }

    readOutput(pipeEnds[0]);
    close(pipeEnds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return true;
}

template <typename Reader>
bool RunKpsewhich(std::vector<std::string> arguments, Reader readOutput, bool quiet = false) {
    return RunProgram("kpsewhich", std::move(arguments), std::move(readOutput), quiet);
}

// kpsewhich's answers so far, by file name (empty for a file it does not find): a
// document asks for the same files again (a virtual font's fonts at each size, the
// encodings), and each run of kpsewhich reads TeX's whole file database.
std::unordered_map<std::string, std::string>& Answers() {
    static std::unordered_map<std::string, std::string> answers;
    return answers;
}

// The first line of kpsewhich's answer for one file, or nothing when kpsewhich could
// not be started.
std::optional<std::string> Lookup(const std::string& fileName) {
    if (const auto known = Answers().find(fileName); known != Answers().end()) return known->second;
    std::string answer;
    if (!RunKpsewhich({fileName}, [&](int fd) { answer = ReadFirstLine(fd); })) return std::nullopt;
    Answers().emplace(fileName, answer);
    return answer;
}

}  // namespace

std::string FindTfmFile(const std::string& name) {
    const std::string fileName = name + ".tfm";
    // A zero byte would cut the argument short: such a name cannot be looked up.
    if (fileName.find('\0') != std::string::npos)
        throw Failure("Failed to find " + fileName + " file");
    const std::optional<std::string> answer = Lookup(fileName);
    if (!answer) throw Failure("Failed to execute: kpsewhich " + fileName);
    if (answer->size() < 2) throw Failure("Failed to find " + fileName + " file");
    return *answer;
}

std::unordered_map<std::string, std::string> FindTfmFiles(const std::vector<std::string>& names) {
    std::vector<std::string> fileNames;
    for (const std::string& name : names)
        if (!name.empty()) fileNames.push_back(name + ".tfm");
    PrefetchFontFiles(fileNames);
    std::unordered_map<std::string, std::string> paths;
    for (const std::string& name : names) {
        const auto known = Answers().find(name + ".tfm");
        if (!name.empty() && known != Answers().end() && known->second.size() >= 2)
            paths.emplace(name, known->second);
    }
    return paths;
}

void ForgetFontFileLookups() {
    Answers().clear();
}

void PrefetchFontFiles(const std::vector<std::string>& fileNames) {
    // kpsewhich answers each file it finds on a line of its own, in argument order, and
    // skips those it does not find: an answer is matched to its file by its last
    // component, so only plain names (no directory part, no control bytes) are asked.
    std::vector<std::string> asked;
    for (const std::string& fileName : fileNames) {
        const bool plain =
            !fileName.empty() && std::none_of(fileName.begin(), fileName.end(), [](char ch) {
                return ch == '/' || static_cast<unsigned char>(ch) < 32;
            });
        if (plain && !Answers().contains(fileName) &&
            std::find(asked.begin(), asked.end(), fileName) == asked.end())
            asked.push_back(fileName);
    }
    if (asked.empty()) return;
    std::string output;
    const bool ran = RunKpsewhich(asked, [&](int fd) {
        char buffer[4096];
        for (;;) {
            const ssize_t got = read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0 || output.size() > (1u << 20)) return;
            output.append(buffer, static_cast<std::size_t>(got));
        }
    });
    if (!ran) return;
    std::unordered_map<std::string, std::string> found;
    std::size_t start = 0;
    for (std::size_t end; (end = output.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string path = output.substr(start, end - start);
        if (!path.empty() && path.back() == '\r') path.pop_back();
        if (path.size() >= 2)
            found.emplace(path.substr(path.rfind('/') + 1), path);  // npos + 1 is 0
    }
    for (const std::string& fileName : asked) {
        const auto path = found.find(fileName);
        Answers().emplace(fileName, path == found.end() ? std::string() : path->second);
    }
}

std::string FindFontFile(const std::string& fileName) {
    if (fileName.empty() || fileName.find('\0') != std::string::npos) return {};
    const std::optional<std::string> answer = Lookup(fileName);
    return answer && answer->size() >= 2 ? *answer : std::string();
}

std::string FindSystemFontFile(const std::string& fileName) {
    // fontconfig's list of font files, read once, by base name (the first of a name).
    static const std::unordered_map<std::string, std::string> files = [] {
        std::unordered_map<std::string, std::string> byName;
        std::string output;
        RunProgram(
            "fc-list", {"--format=%{file}\\n"},
            [&](int fd) {
                char buffer[65536];
                for (;;) {
                    const ssize_t got = read(fd, buffer, sizeof buffer);
                    if (got < 0 && errno == EINTR) continue;
                    if (got <= 0 || output.size() > (std::size_t{16} << 20)) return;
                    output.append(buffer, static_cast<std::size_t>(got));
                }
            },
            true);
        for (std::size_t at = 0; at < output.size();) {
            std::size_t end = output.find('\n', at);
            if (end == std::string::npos) end = output.size();
            const std::string path = output.substr(at, end - at);
            const std::size_t slash = path.rfind('/');
            if (slash != std::string::npos) byName.emplace(path.substr(slash + 1), path);
            at = end + 1;
        }
        return byName;
    }();
    const auto found = files.find(fileName);
    return found == files.end() ? std::string() : found->second;
}

std::string FindConfigFile(const std::string& fileName, const std::string& program,
                           const std::string& format) {
    const std::string key = program + '\n' + format + '\n' + fileName;
    if (const auto known = Answers().find(key); known != Answers().end()) return known->second;
    std::string answer;
    if (!RunKpsewhich(
            {"-progname=" + program, "-format=" + format, fileName},
            [&](int fd) { answer = ReadFirstLine(fd); }, true))
        return {};
    if (answer.size() < 2) answer.clear();
    Answers().emplace(key, answer);
    return answer;
}

std::string FindBitmapFont(const std::string& name, int dpi) {
    // Only a name of the characters kpathsea lets its scripts make fonts of (letters,
    // digits, '-', '_', '.', '+'), and no option: mktexpk is a shell script.
    if (name.empty() || name.front() == '-' || dpi < 1 || dpi > 100000 ||
        !std::all_of(name.begin(), name.end(), [](char ch) {
            return std::isalnum(static_cast<unsigned char>(ch)) || ch == '-' || ch == '_' ||
                   ch == '.' || ch == '+';
        }))
        return {};
    std::string answer;
    RunKpsewhich(
        {"-dpi=" + std::to_string(dpi), "-no-mktex=pk", name + ".pk"},
        [&](int fd) { answer = ReadFirstLine(fd); }, true);
    if (answer.size() >= 2) return answer;
    // Made as dvips has it made: Metafont's ljfour mode, 600 dots to the inch magnified;
    // mktexpk answers with the file's path on its last line.
    RunProgram(
        "mktexpk",
        {"--mfmode", "ljfour", "--bdpi", "600", "--mag", "0+" + std::to_string(dpi) + "/600",
         "--dpi", std::to_string(dpi), name},
        [&](int fd) {
            char buffer[4096];
            for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) != 0;) {
                if (got < 0 && errno == EINTR) continue;
                if (got < 0 || answer.size() > (1u << 16)) return;
                answer.append(buffer, static_cast<std::size_t>(got));
            }
        },
        true);
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r')) answer.pop_back();
    answer.erase(0, answer.rfind('\n') + 1);  // npos + 1 is 0
    return answer.size() >= 2 && answer.ends_with("pk") ? answer : std::string();
}
