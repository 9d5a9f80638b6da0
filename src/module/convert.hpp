// One converter per native type in each direction. Python -> native
// converters are types with `Native` and `from_python`; a failure sets the
// Python error and throws PythonError. Optional ones also give `absent()`.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "board/board.hpp"
#include "board/move_buffer.hpp"
#include "module/borrow.hpp"
#include "module/classes.hpp"
#include "module/errors.hpp"
#include "module/python.hpp"

namespace plindervox::module {

struct U8 {
    using Native = std::uint8_t;
    static Native from_python(PyObject* object);
};

struct U32 {
    using Native = std::uint32_t;
    static Native from_python(PyObject* object);
};

struct U64 {
    using Native = std::uint64_t;
    static Native from_python(PyObject* object);
};

// A str of exactly one character.
struct Character {
    using Native = char32_t;
    static Native from_python(PyObject* object);
};

// A character, or None/absent for no promotion.
struct Promotion {
    using Native = char32_t;
    static Native from_python(PyObject* object) { return Character::from_python(object); }
    static Native absent() { return NO_PROMOTION; }
};

// A square on the board, 0-63: other ints are refused as an 8-bit
// conversion refuses what it cannot hold (OverflowError).
struct BoardSquare {
    using Native = std::uint8_t;
    static Native from_python(PyObject* object);
};

// Any object, borrowed as it is.
struct AnyObject {
    using Native = PyObject*;
    static Native from_python(PyObject* object) { return object; }
};

// A str object, borrowed as it is.
struct StrObject {
    using Native = PyObject*;
    static Native from_python(PyObject* object);
};

// A str, or None/absent.
struct OptionalText {
    using Native = std::optional<std::string>;
    static Native from_python(PyObject* object);
    static Native absent() { return std::nullopt; }
};

// True or False (and NumPy booleans through their __bool__).
struct Truth {
    using Native = bool;
    static Native from_python(PyObject* object);
};

// A Move argument, copied out of its object. Inline, as to_python(Move)
// below: apply_move and pop() run once per move of a game or a search, and
// several members now share these, which the compiler would otherwise call.
struct MoveArgument {
    using Native = Move;
    [[gnu::always_inline]] static Native from_python(PyObject* object) {
        if (!PyObject_TypeCheck(object, type_of<Move>())) type_mismatch(object, "Move");
        auto& instance = made_instance<Move>(object);
        [[maybe_unused]] auto held = borrow(instance, Access::Shared);
        return instance.record;
    }
};

// A BoardState argument, copied out of its object.
struct BoardStateArgument {
    using Native = BoardState;
    static Native from_python(PyObject* object);
};

template <class Converter>
concept OptionalConverter = requires { Converter::absent(); };

// Native -> Python. Each returns a new reference or throws.
PyObject* to_python(bool value);
PyObject* to_python(std::uint32_t value);  // kept for small values (kept_values.hpp)
PyObject* to_python(std::uint64_t value);
PyObject* to_python(const std::string& text);
[[gnu::always_inline]] inline PyObject* to_python(const Move& move) {
    return checked(wrap_record(type_of<Move>(), Move(move)));
}
PyObject* to_python(const std::vector<Move>& moves);
PyObject* to_python(const MoveBuffer& moves);
// A letter as a one-character str, or None.
PyObject* to_python(std::optional<char32_t> letter);

}  // namespace plindervox::module
