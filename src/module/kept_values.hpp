// Results drawn from a small fixed set, made once per process and handed out
// again: the UCI text of every move whose squares are 0-63 (with no promotion
// or with one of the letters the generators produce), the one-character texts
// of ASCII characters, and the small integers that square properties return.
// Making a fresh str or int is the dearest part of these calls under PyPy;
// handing out a kept one is a reference count. Each entry is made on first
// use and kept for the life of the process. Every function returns a new
// reference, or throws PythonError.
#pragma once

#include <cstdint>

#include "board/move.hpp"
#include "module/python.hpp"

namespace plindervox::module {

// uci() text of the move; kept when its squares are 0-63 and its promotion
// is absent or one of q, r, n, b, made fresh otherwise.
PyObject* move_text_object(const Move& move);

// The promotion letter as a one-character str (kept for ASCII), or None.
PyObject* promotion_object(char32_t promotion);

// A letter as a one-character str, kept for ASCII.
PyObject* letter_object(char32_t letter);

// An unsigned 32-bit value as an int; kept for values below 256.
PyObject* small_int_object(std::uint32_t value);

}  // namespace plindervox::module
