// Text or a move that a reader refuses: SAN or UCI text that names no legal
// move here, or a move that is not among the legal ones. It is the caller's
// input that is wrong, not the core, so the binding raises ValueError with
// the message rather than the core failure's exception.
#pragma once

#include <string>

namespace plindervox {

struct RejectedInput {
    std::string message;
};

[[noreturn]] inline void reject(std::string message) { throw RejectedInput{std::move(message)}; }

}  // namespace plindervox
