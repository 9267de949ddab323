// The one kind of failure in deckgen: a text message, thrown where the fault is
// seen and caught only by the driver, which prints it and ends with status 1.
#pragma once

#include <string>
#include <string_view>
#include <utility>

class Failure {
  public:
    explicit Failure(std::string message) : message(std::move(message)) {}

    // The message as raised, every byte of it: it may embed a font name taken
    // from the DVI file, zero bytes included, so it is not a C string.
    const std::string& Message() const { return message; }

  private:
    std::string message;
};

// Throws `message` when `condition` is false.
inline void Require(bool condition, std::string_view message) {
    if (!condition) throw Failure(std::string(message));
}
