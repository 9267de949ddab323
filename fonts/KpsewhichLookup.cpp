// The TFM lookup of the shipped programs: TeX's own file finder, kpsewhich, started
// directly (never through a shell, since the font name comes from the DVI file) with
// the single argument name + ".tfm". The first line of its output is the path. The
// same lookup finds the font maps, Type 1 fonts and encoding files of the outline writer.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

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

// Starts kpsewhich with the one argument `fileName` and returns the first line of its
// answer; false when kpsewhich could not be started.
bool RunKpsewhich(std::string fileName, std::string& answer) {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return false;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    char program[] = "kpsewhich";
    char* const argv[] = {program, fileName.data(), nullptr};
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        return false;
    }

    answer = ReadFirstLine(pipeEnds[0]);
    close(pipeEnds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return true;
}

}  // namespace

std::string FindTfmFile(const std::string& name) {
    const std::string fileName = name + ".tfm";
    // A zero byte would cut the argument short: such a name cannot be looked up.
    if (fileName.find('\0') != std::string::npos)
        throw Failure("Failed to find " + fileName + " file");
    std::string answer;
    if (!RunKpsewhich(fileName, answer)) throw Failure("Failed to execute: kpsewhich " + fileName);
    if (answer.size() < 2) throw Failure("Failed to find " + fileName + " file");
    return answer;
}

std::string FindFontFile(const std::string& fileName) {
    std::string answer;
    if (fileName.empty() || fileName.find('\0') != std::string::npos) return {};
    if (!RunKpsewhich(fileName, answer) || answer.size() < 2) return {};
    return answer;
}
