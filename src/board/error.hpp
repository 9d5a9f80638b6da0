// The one way the core reports a failure: a thrown CoreError carrying the
// fixed message text and the place in the core that raised it.
#pragma once

#include <source_location>
#include <string>

namespace plindervox {

struct CoreError {
    std::string message;
    std::source_location where;
};

[[noreturn]] inline void fail(std::string message,
                              std::source_location where = std::source_location::current()) {
    throw CoreError{std::move(message), where};
}

}  // namespace plindervox
