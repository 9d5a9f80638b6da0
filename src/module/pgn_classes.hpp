// The classes that reading PGN files hands out: GameReader (the iterator
// Board.read_pgn returns) and Game (one game of the file).
#pragma once

#include <cstdint>

#include "board/pgn_reader.hpp"
#include "board/pgn_writer.hpp"
#include "module/classes.hpp"

namespace plindervox::module {

// The record of a GameReader: the file object it reads (opened here for a
// path, and then closed here too) and the core's reader over it.
struct PgnFile {
    PyObject* file;  // a reference owned by the record
    bool owns_file;
    bool strict;     // the first fault of a game raises ValueError
    PgnReader reader;

    PgnFile(PyObject* opened, bool opened_here, bool strict_reading, std::uint64_t start, std::uint64_t stop);
    PgnFile(PgnFile&& other) noexcept;
    PgnFile(const PgnFile&) = delete;
    PgnFile& operator=(const PgnFile&) = delete;
    ~PgnFile();
    void close();
};

PyTypeObject* game_type();
PyTypeObject* game_reader_type();
template <> inline PyTypeObject* make_type<PgnGame>() { return game_type(); }
template <> inline PyTypeObject* make_type<PgnFile>() { return game_reader_type(); }

// The tags of Board.pgn: a mapping of str to str, in its order; absent or None gives none.
struct HeadersArgument {
    using Native = PgnHeaders;
    static Native from_python(PyObject* object);
    static Native absent() { return {}; }
};

// Board.pgn(headers=None): the game as PGN text; ValueError where it cannot be written.
PyObject* write_game(const Board& board, const PgnHeaders& headers);

// Board.read_pgn(source, *, strict=False, start=0, stop=None), a static method.
PyObject* read_pgn(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

}  // namespace plindervox::module
