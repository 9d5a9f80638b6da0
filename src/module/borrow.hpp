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

// Takes the borrow or raises RuntimeError; releases it at scope exit.
class Borrow {
public:
    Borrow(BorrowFlag& flag, Access access) : flag_(&flag), access_(access) {
        if (access == Access::Exclusive) {
            std::size_t expected = 0;
            if (!flag.compare_exchange_strong(expected, EXCLUSIVE_BORROW, std::memory_order_acquire,
                                              std::memory_order_relaxed)) {
                fail("Already borrowed");
            }
            return;
        }
        std::size_t current = flag.load(std::memory_order_relaxed);
        do {
            if (current == EXCLUSIVE_BORROW) fail("Already mutably borrowed");
        } while (!flag.compare_exchange_weak(current, current + 1, std::memory_order_acquire, std::memory_order_relaxed));
    }
    Borrow(Borrow&& other) noexcept : flag_(other.flag_), access_(other.access_) { other.flag_ = nullptr; }
    Borrow(const Borrow&) = delete;
    Borrow& operator=(const Borrow&) = delete;
    Borrow& operator=(Borrow&&) = delete;
    ~Borrow() {
        if (flag_ == nullptr) return;
        if (access_ == Access::Exclusive) {
            flag_->store(0, std::memory_order_release);
        } else {
            flag_->fetch_sub(1, std::memory_order_release);
        }
    }

private:
    [[noreturn]] static void fail(const char* message) {
        PyErr_SetString(PyExc_RuntimeError, message);
        throw_python_error();
    }

    BorrowFlag* flag_;
    Access access_;
};

}  // namespace plindervox::module
