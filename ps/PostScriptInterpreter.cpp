// Starting Ghostscript directly (posix_spawnp, no shell) and talking to it through a
// socket for its input, written without SIGPIPE, and a pipe for its records.
#include "ps/PostScriptInterpreter.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "ps/ReportingPrologue.h"

extern char** environ;

namespace {

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", value);
    return text;
}

}  // namespace

PostScriptInterpreter::PostScriptInterpreter(std::string program, double width, double height,
                                             InterpreterLimits limits)
    : program(std::move(program)), width(width), height(height), limits(limits) {}

PostScriptInterpreter::~PostScriptInterpreter() {
    Stop();
}

void PostScriptInterpreter::Stop() {
    if (input >= 0) close(input);
    if (output >= 0) close(output);
    input = output = -1;
    if (child > 0) {
        kill(child, SIGKILL);
        while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    child = -1;
}

std::string PostScriptInterpreter::Start() {
    int socketEnds[2], pipeEnds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, socketEnds) != 0)
        return std::string("cannot make a socket: ") + std::strerror(errno);
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        close(socketEnds[0]);
        close(socketEnds[1]);
        return std::string("cannot make a pipe: ") + std::strerror(errno);
    }
    std::vector<std::string> arguments = {
        program, "-q", "-dSAFER",
        // Constant alpha and blend modes are set and
        // reported; the prologue keeps the device.
        "-dALLOWPSTRANSPARENCY", "-dNOPAUSE", "-dBATCH", "-sDEVICE=nullpage",
        "-dDEVICEWIDTHPOINTS=" + Number(width), "-dDEVICEHEIGHTPOINTS=" + Number(height),
        "-dFIXEDMEDIA", "-K" + std::to_string(limits.memoryKiB), "-_"};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, socketEnds[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int spawned =
        posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(socketEnds[1]);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(socketEnds[0]);
        close(pipeEnds[0]);
        return program + " cannot be started: " + std::strerror(spawned);
    }
    child = pid;
    input = socketEnds[0];
    output = pipeEnds[0];
    fcntl(input, F_SETFL, fcntl(input, F_GETFL) | O_NONBLOCK);
    fcntl(output, F_SETFL, fcntl(output, F_GETFL) | O_NONBLOCK);
    return {};
}

std::string PostScriptInterpreter::BudgetFailure() const {
    return "the document's PostScript ran for more than " + std::to_string(limits.documentSeconds) +
           " s";
}

std::vector<PostScriptInterpreter::Outcome> PostScriptInterpreter::Run(
    const std::vector<Chunk>& chunks) {
    std::vector<Outcome> outcomes;
    std::string message;
    if (child < 0) {
        Outcome& outcome = outcomes.emplace_back();
        outcome.failure = Start();
        outcome.notStarted = !outcome.failure.empty();
        if (outcome.notStarted) return outcomes;
        outcomes.clear();
        message.append(reportingPrologue);
        message += '\n';
    }
    for (const Chunk& chunk : chunks) {
        message += std::to_string(chunk.code.size());
        message += chunk.isolated ? " 1\n" : " 0\n";
        message += chunk.code;
        message += '\n';
    }
    if (!Exchange(message, chunks.size(), outcomes)) Stop();
    return outcomes;
}

bool PostScriptInterpreter::Exchange(std::string_view message, std::size_t count,
                                     std::vector<Outcome>& outcomes) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    // Each chunk has its time from the end of the one before, within what is left of
    // the document's.
    const Clock::time_point budgetEnd =
        start + (std::chrono::seconds(limits.documentSeconds) - spent);
    const auto chunkDeadline = [&] {
        return std::min(budgetEnd, Clock::now() + std::chrono::seconds(limits.seconds));
    };
    Clock::time_point deadline = chunkDeadline();
    std::string records;       // of the chunk running
    std::size_t scanned = 0;   // of them: the complete lines looked at
    std::size_t reported = 0;  // bytes of the batch's records so far
    char buffer[1 << 16];
    struct Spent {  // counts the exchange's time, however it ends
        Clock::time_point start;
        Clock::duration& total;
        ~Spent() { total += Clock::now() - start; }
    } counted{start, spent};
    const auto fail = [&](std::string failure, bool exhausted = false) {
        outcomes.push_back(Outcome{std::move(records), std::move(failure), false, exhausted});
        return false;
    };
    while (outcomes.size() < count) {
        // A chunk is over at its closing line: "d" and a status, at a line's start.
        for (std::size_t end; (end = records.find('\n', scanned)) != std::string::npos;) {
            if (records.compare(scanned, 2, "d ") != 0) {
                scanned = end + 1;
                continue;
            }
            outcomes.push_back(Outcome{records.substr(0, end + 1), {}, false});
            records.erase(0, end + 1);
            scanned = 0;
            deadline = chunkDeadline();
            if (outcomes.size() == count) return true;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            if (deadline == budgetEnd) return fail(BudgetFailure(), true);
            return fail("it ran for more than " + std::to_string(limits.seconds) + " s");
        }
        pollfd polled[2] = {{output, POLLIN, 0}, {input, POLLOUT, 0}};
        const int ready = poll(polled, message.empty() ? 1 : 2, static_cast<int>(left));
        if (ready < 0 && errno != EINTR) return fail(std::string("poll: ") + std::strerror(errno));
        if (!message.empty() && (polled[1].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
            const ssize_t sent = send(input, message.data(), message.size(), MSG_NOSIGNAL);
            if (sent < 0 && errno != EAGAIN && errno != EINTR)
                return fail("the interpreter stopped");
            if (sent > 0) message.remove_prefix(static_cast<std::size_t>(sent));
        }
        if ((polled[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            const ssize_t got = read(output, buffer, sizeof buffer);
            if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR))
                return fail("the interpreter stopped");
            if (got > 0) {
                records.append(buffer, static_cast<std::size_t>(got));
                reported += static_cast<std::size_t>(got);
            }
            if (reported > limits.reportBytes) {
                return fail("it painted more than " + std::to_string(limits.reportBytes >> 20) +
                            " MiB of records");
            }
        }
    }
    return true;
}
