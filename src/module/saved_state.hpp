// Copies and pickles: a Board's state is (format version, bytes), the bytes
// written and read by the core (board/saved_board.hpp); a Move's is
// (format version, from_square, to_square, promotion). Pickle rebuilds an
// object from the class called without its record's data, Board() or
// Move(0, 0), and then hands it the state (__setstate__), so the pickled
// form names the class and holds plain data, never other code.
#pragma once

#include "board/board.hpp"
#include "module/python.hpp"

namespace plindervox::module {

// Each returns a new reference or throws PythonError.
PyObject* board_state_object(const Board& board);
PyObject* move_state_object(const Move& move);
// (class, arguments, state): what __reduce__ and __reduce_ex__ return.
PyObject* board_reduction(const Board& board);
PyObject* move_reduction(const Move& move);

// A state read back, refused with TypeError (not a tuple of the right
// types) or ValueError (an unknown version, values out of range, bytes
// the core refuses).
struct BoardStateData {
    using Native = Board;
    static Native from_python(PyObject* state);
};

struct MoveStateData {
    using Native = Move;
    static Native from_python(PyObject* state);
};

}  // namespace plindervox::module
