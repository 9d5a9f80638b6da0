// The one way the core reports a failure: a thrown CoreError carrying the
// fixed message text and the place in the core that raised it.
#pragma once

#include <string>

#include "board/source_location.hpp"

namespace plindervox {

struct CoreError {
    std::string message;
    SourceLocation where;
};

[[noreturn]] inline void fail(std::string message,
                              SourceLocation where = SourceLocation::current()) {
    throw CoreError{std::move(message), where};
}

}  // namespace plindervox
