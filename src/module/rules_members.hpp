// Board members for notation and the rules of a game: SAN both ways, UCI
// read against the legal list, the position key, repetitions, the
// move-count rules, material and the result. Each is a row of the Board's
// method table (PLINDERVOX_RULES_METHODS, listed in board_class.cpp); text
// or a move that a reader rejects raises ValueError with the core's message.
#pragma once

#include "board/game_rules.hpp"
#include "board/notation.hpp"
#include "board/rejection.hpp"
#include "module/member_table.hpp"
#include "module/wrappers.hpp"

namespace plindervox::module::rules {

// A str (None is refused, as for any other non-str).
struct Text {
    using Native = std::string;
    static Native from_python(PyObject* object) { return *OptionalText::from_python(object); }
};

// How many times the position must have occurred; absent or None gives 3.
struct RepetitionCount {
    using Native = std::uint32_t;
    static Native from_python(PyObject* object) { return U32::from_python(object); }
    static Native absent() { return 3; }
};

// True or False; absent or None gives False.
struct Flag {
    using Native = bool;
    static Native from_python(PyObject* object) { return Truth::from_python(object); }
    static Native absent() { return false; }
};

// ValueError carrying the rejection's message.
[[noreturn]] inline void raise_rejection(const RejectedInput& rejected) {
    Ref message(api_result(
        PyUnicode_FromStringAndSize(rejected.message.data(), static_cast<Py_ssize_t>(rejected.message.size()))));
    PyErr_SetObject(PyExc_ValueError, message.get());
    throw_python_error();
}

template <auto operation, class... Args>
auto rejecting(Board& board, const Args&... args) -> decltype(operation(board, args...)) {
    try {
        return operation(board, args...);
    } catch (const RejectedInput& rejected) {
        raise_rejection(rejected);
    }
}

inline std::string san_of(Board& board, const Move& move) { return san(board, move); }
inline Move parse_san_text(Board& board, const std::string& text) { return parse_san(board, text); }
inline Move apply_san_text(Board& board, const std::string& text) { return apply_san(board, text); }
inline Move parse_uci_text(Board& board, const std::string& text) { return parse_uci(board, text); }
inline Move apply_uci_text(Board& board, const std::string& text) { return apply_uci(board, text); }
inline std::string result_text(Board& board, bool claim_draw) { return result(board, claim_draw); }

inline constexpr const char* MOVE_PARAMETERS[] = {"move"};
inline constexpr const char* TEXT_PARAMETERS[] = {"text"};
inline constexpr const char* COUNT_PARAMETERS[] = {"count"};
inline constexpr const char* CLAIM_DRAW_PARAMETERS[] = {"claim_draw"};

inline constexpr FunctionDescription SAN = {"Board", "san", MOVE_PARAMETERS, 1, 1};
inline constexpr FunctionDescription PARSE_SAN = {"Board", "parse_san", TEXT_PARAMETERS, 1, 1};
inline constexpr FunctionDescription APPLY_SAN = {"Board", "apply_san", TEXT_PARAMETERS, 1, 1};
inline constexpr FunctionDescription PARSE_UCI = {"Board", "parse_uci", TEXT_PARAMETERS, 1, 1};
inline constexpr FunctionDescription APPLY_UCI = {"Board", "apply_uci", TEXT_PARAMETERS, 1, 1};
inline constexpr FunctionDescription IS_REPETITION = {"Board", "is_repetition", COUNT_PARAMETERS, 1, 0};
inline constexpr FunctionDescription RESULT = {"Board", "result", CLAIM_DRAW_PARAMETERS, 1, 0};

}  // namespace plindervox::module::rules

// The rows, in the order the stubs list the members.
#define PLINDERVOX_RULES_METHODS                                                                                    \
    with_arguments("san",                                                                                          \
                   method_with_arguments<rules::SAN, Board, Access::Exclusive,                                     \
                                         rules::rejecting<rules::san_of, Move>, MoveArgument>,                     \
                   "san($self, move)\n--\n\n"),                                                                    \
        with_arguments("parse_san",                                                                                \
                       method_with_arguments<rules::PARSE_SAN, Board, Access::Exclusive,                           \
                                             rules::rejecting<rules::parse_san_text, std::string>, rules::Text>,   \
                       "parse_san($self, text)\n--\n\n"),                                                          \
        with_arguments("apply_san",                                                                                \
                       method_with_arguments<rules::APPLY_SAN, Board, Access::Exclusive,                           \
                                             rules::rejecting<rules::apply_san_text, std::string>, rules::Text>,   \
                       "apply_san($self, text)\n--\n\n"),                                                          \
        with_arguments("parse_uci",                                                                                \
                       method_with_arguments<rules::PARSE_UCI, Board, Access::Exclusive,                           \
                                             rules::rejecting<rules::parse_uci_text, std::string>, rules::Text>,   \
                       "parse_uci($self, text)\n--\n\n"),                                                          \
        with_arguments("apply_uci",                                                                                \
                       method_with_arguments<rules::APPLY_UCI, Board, Access::Exclusive,                           \
                                             rules::rejecting<rules::apply_uci_text, std::string>, rules::Text>,   \
                       "apply_uci($self, text)\n--\n\n"),                                                          \
        no_arguments("zobrist_hash", method_without_arguments<Board, Access::Shared, zobrist_hash>,                \
                     "zobrist_hash($self)\n--\n\n"),                                                               \
        with_arguments("is_repetition",                                                                            \
                       method_with_arguments<rules::IS_REPETITION, Board, Access::Exclusive, is_repetition,        \
                                             rules::RepetitionCount>,                                              \
                       "is_repetition($self, count=3)\n--\n\n"),                                                   \
        no_arguments("is_fivefold_repetition",                                                                     \
                     method_without_arguments<Board, Access::Exclusive, is_fivefold_repetition>,                   \
                     "is_fivefold_repetition($self)\n--\n\n"),                                                     \
        no_arguments("is_fifty_moves", method_without_arguments<Board, Access::Exclusive, is_fifty_moves>,         \
                     "is_fifty_moves($self)\n--\n\n"),                                                             \
        no_arguments("is_seventyfive_moves",                                                                       \
                     method_without_arguments<Board, Access::Exclusive, is_seventyfive_moves>,                     \
                     "is_seventyfive_moves($self)\n--\n\n"),                                                       \
        no_arguments("is_insufficient_material",                                                                   \
                     method_without_arguments<Board, Access::Shared, is_insufficient_material>,                    \
                     "is_insufficient_material($self)\n--\n\n"),                                                   \
        with_arguments("result",                                                                                   \
                       method_with_arguments<rules::RESULT, Board, Access::Exclusive, rules::result_text,          \
                                             rules::Flag>,                                                         \
                       "result($self, claim_draw=False)\n--\n\n")
