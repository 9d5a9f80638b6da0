// The per-object borrow counter: it catches Python code that re-enters the
// same object while a call holds it (an __index__ or __bool__ run during
// argument conversion). 0 is free, n shared borrows, all ones exclusive.
#pragma once

#include <atomic>
#include <cstddef>
#include <limits>

#include "module/python.hpp"

namespace plindervox::module {

using BorrowFlag = std::atomic<std::size_t>;

enum class Access { Shared, Exclusive };

inline constexpr std::size_t EXCLUSIVE_BORROW = std::numeric_limits<std::size_t>::max();

// Moves the counter from `current` to `next` unless another thread changed it
// first; on failure `current` holds the value seen. With the interpreter lock
// held, every update runs under that lock and Python code runs only between
// updates, so a load followed by a store gives the same values as
// compare-and-swap at a fraction of its cost. A build without that lock keeps
// compare-and-swap.
inline bool update_flag(BorrowFlag& flag, [[maybe_unused]] std::size_t& current, std::size_t next) {
#ifdef Py_GIL_DISABLED
    return flag.compare_exchange_weak(current, next, std::memory_order_acquire, std::memory_order_relaxed);
#else
    flag.store(next, std::memory_order_relaxed);
    return true;
#endif
}

// Takes the borrow or raises RuntimeError; releases it at scope exit.
class Borrow {
public:
    Borrow(BorrowFlag& flag, Access access) : flag_(&flag), access_(access) {
        std::size_t current = flag.load(std::memory_order_acquire);
        do {
            if (access == Access::Exclusive && current != 0) fail("Already borrowed");
            if (access == Access::Shared && current == EXCLUSIVE_BORROW) fail("Already mutably borrowed");
        } while (!update_flag(flag, current, access == Access::Exclusive ? EXCLUSIVE_BORROW : current + 1));
    }
    Borrow(Borrow&&) = delete;
    Borrow(const Borrow&) = delete;
    Borrow& operator=(const Borrow&) = delete;
    Borrow& operator=(Borrow&&) = delete;
    ~Borrow() {
        if (access_ == Access::Exclusive) {
            flag_->store(0, std::memory_order_release);
        } else {
            release_shared();
        }
    }

private:
    void release_shared() {
#ifdef Py_GIL_DISABLED
        flag_->fetch_sub(1, std::memory_order_release);
#else
        flag_->store(flag_->load(std::memory_order_relaxed) - 1, std::memory_order_release);
#endif
    }

    [[noreturn]] static void fail(const char* message) {
        PyErr_SetString(PyExc_RuntimeError, message);
        throw_python_error();
    }

    BorrowFlag* flag_;
    Access access_;
};

// Stands in for a Borrow where none is taken.
struct NoBorrow {};

}  // namespace plindervox::module
