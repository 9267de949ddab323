// Running a helper program (never through a shell) and taking what it writes.
#pragma once

#include <optional>
#include <string>
#include <vector>

// Starts `program` (found on PATH) with `arguments`, its standard input and error on
// /dev/null, and returns its standard output; none when it cannot be started, fails,
// writes more than `largest` bytes or runs longer than `seconds` (then it is killed).
std::optional<std::string> ProgramOutput(const std::string& program,
                                         std::vector<std::string> arguments, std::size_t largest,
                                         double seconds);
