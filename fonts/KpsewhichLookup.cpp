// The TFM lookup of the shipped programs: TeX's own file finder, kpsewhich, started
// directly (never through a shell, since the font name comes from the DVI file) with
// the single argument name + ".tfm". The first line of its output is the path.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "common/Failure.h"
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

}  // namespace

std::string FindTfmFile(const std::string& name) {
    std::string fileName = name + ".tfm";
    const std::string notFound = "Failed to find " + fileName + " file";
    // A zero byte would cut the argument short: such a name cannot be looked up.
    Require(fileName.find('\0') == std::string::npos, notFound);

    const std::string cannotStart = "Failed to execute: kpsewhich " + fileName;
    int pipeEnds[2];
    Require(pipe2(pipeEnds, O_CLOEXEC) == 0, cannotStart);

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
        throw Failure(cannotStart);
    }

    const std::string answer = ReadFirstLine(pipeEnds[0]);
    close(pipeEnds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    Require(answer.size() >= 2, notFound);
    return answer;
}
