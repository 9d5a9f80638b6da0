// Reading PGN files from Python: Board.read_pgn hands out a GameReader, an
// iterator that pulls the file's bytes through the core's reader and makes
// one Game per game, each holding the core's record of it. Neither class is
// placed in the module; the stubs name them.
#include <cstring>

#include "board/pgn_reader.hpp"
#include "board/rejection.hpp"
#include "module/member_table.hpp"
#include "module/pgn_classes.hpp"
#include "module/wrappers.hpp"

namespace plindervox::module {
namespace {

using enum Access;

// Text the file gave, which need not be UTF-8: invalid bytes become U+FFFD.
PyObject* decoded(std::string_view bytes) {
    return api_result(PyUnicode_DecodeUTF8(bytes.data(), static_cast<Py_ssize_t>(bytes.size()), "replace"));
}

PyObject* read_headers(const PgnGame& game) {
    Ref headers(api_result(PyDict_New()));
    for (const auto& [name, value] : game.headers) {
        Ref key(decoded(name));
        Ref text(decoded(value));
        if (PyDict_SetItem(headers.get(), key.get(), text.get()) < 0) api_call_failed();
    }
    return headers.release();
}

PyObject* read_moves(const PgnGame& game) {
    if (!game.board) return api_result(PyList_New(0));
    return to_python(game.board->move_stack);
}

PyObject* read_starting_fen(const PgnGame& game) {
    return game.starting_fen ? decoded(*game.starting_fen) : new_ref(Py_None);
}

PyObject* read_result(const PgnGame& game) { return decoded(game.result); }

PyObject* read_errors(const PgnGame& game) {
    Ref errors(api_result(PyList_New(static_cast<Py_ssize_t>(game.errors.size()))));
    for (std::size_t i = 0; i < game.errors.size(); ++i) {
        PyList_SET_ITEM(errors.get(), static_cast<Py_ssize_t>(i), decoded(game.errors[i]));
    }
    return errors.release();
}

// A new board at the end of the main line, its moves as its history.
PyObject* board_of_game(const PgnGame& game) {
    if (!game.board) {
        const std::string message =
            "the game has no position" + (game.errors.empty() ? std::string() : ": " + game.errors.front());
        PyErr_SetString(PyExc_ValueError, message.c_str());
        throw_python_error();
    }
    return checked(wrap_record(type_of<Board>(), Board(*game.board)));
}

template <const char* name>
int refuse_write(PyObject*, PyObject*, void*) {
    PyErr_Format(PyExc_AttributeError, "attribute '%s' of 'Game' objects is not writable", name);
    return -1;
}

constexpr char HEADERS[] = "headers";
constexpr char MOVES[] = "moves";
constexpr char STARTING_FEN[] = "starting_fen";
constexpr char RESULT[] = "result";
constexpr char ERRORS[] = "errors";

PyMethodDef GAME_METHODS[] = {
    no_arguments("board", method_without_arguments<PgnGame, Shared, board_of_game>, "board($self)\n--\n\n"),
    PLINDERVOX_CLASS_ROWS,
    END_OF_METHODS,
};

PyGetSetDef GAME_PROPERTIES[] = {
    {HEADERS, property_getter<PgnGame, read_headers>, refuse_write<HEADERS>, "", nullptr},
    {MOVES, property_getter<PgnGame, read_moves>, refuse_write<MOVES>, "", nullptr},
    {STARTING_FEN, property_getter<PgnGame, read_starting_fen>, refuse_write<STARTING_FEN>, "", nullptr},
    {RESULT, property_getter<PgnGame, read_result>, refuse_write<RESULT>, "", nullptr},
    {ERRORS, property_getter<PgnGame, read_errors>, refuse_write<ERRORS>, "", nullptr},
    END_OF_PROPERTIES,
};

PyType_Slot GAME_SLOTS[] = {
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_instance<PgnGame>)},
    {Py_tp_doc, const_cast<char*>("A game read from a PGN file.")},
    {Py_tp_new, reinterpret_cast<void*>(refuse_construction)},
    {Py_tp_methods, GAME_METHODS},
    {Py_tp_getset, GAME_PROPERTIES},
    {Py_tp_setattro, reinterpret_cast<void*>(set_property_only<GAME_PROPERTIES>)},
    {0, nullptr},
};

// The next game of the file, as a new Game; none after the last.
PyObject* next_game(PyObject* self) {
    return contain([&]() -> PyObject* {
        auto& instance = receiver<PgnFile>(self);
        [[maybe_unused]] auto held = borrow(instance, Exclusive);
        PgnFile& file = instance.record;
        std::optional<PgnGame> game = file.reader.next();
        if (!game) {
            file.close();
            return nullptr;  // no error set: the iteration is over
        }
        if (file.strict && !game->errors.empty()) {
            PyErr_SetString(PyExc_ValueError, game->errors.front().c_str());
            throw_python_error();
        }
        return checked(wrap_record(type_of<PgnGame>(), std::move(*game)));
    });
}

PyObject* iterate_self(PyObject* self) { return new_ref(self); }

PyMethodDef READER_METHODS[] = {PLINDERVOX_CLASS_ROWS, END_OF_METHODS};
PyGetSetDef NO_PROPERTIES[] = {END_OF_PROPERTIES};

PyType_Slot READER_SLOTS[] = {
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_instance<PgnFile>)},
    {Py_tp_doc, const_cast<char*>("The games of a PGN file, in file order, read as they are asked for.")},
    {Py_tp_new, reinterpret_cast<void*>(refuse_construction)},
    {Py_tp_iter, reinterpret_cast<void*>(iterate_self)},
    {Py_tp_iternext, reinterpret_cast<void*>(next_game)},
    {Py_tp_methods, READER_METHODS},
    {Py_tp_setattro, reinterpret_cast<void*>(set_property_only<NO_PROPERTIES>)},
    {0, nullptr},
};

// Reads up to `size` bytes from the file object into `bytes`.
std::size_t read_from(PyObject* file, char* bytes, std::size_t size) {
    Ref chunk(checked(PyObject_CallMethod(file, "read", "n", static_cast<Py_ssize_t>(size))));
    if (!PyBytes_Check(chunk.get())) {
        PyErr_Format(PyExc_TypeError, "read_pgn needs a binary file: read() returned '%s', not bytes",
                     Py_TYPE(chunk.get())->tp_name);
        throw_python_error();
    }
    const auto length = static_cast<std::size_t>(PyBytes_GET_SIZE(chunk.get()));
    if (length > size) {
        PyErr_Format(PyExc_ValueError, "read(%zu) returned %zu bytes", size, length);
        throw_python_error();
    }
    std::memcpy(bytes, PyBytes_AS_STRING(chunk.get()), length);
    return length;
}

// A binary file object, or a path (str or os.PathLike), opened here.
std::pair<PyObject*, bool> open_source(PyObject* source) {
    Ref io(checked(PyImport_ImportModule("io")));
    if (PyObject_HasAttrString(source, "read")) {
        Ref text_base(checked(PyObject_GetAttrString(io.get(), "TextIOBase")));
        const int text = PyObject_IsInstance(source, text_base.get());
        if (text < 0) throw_python_error();
        if (text == 1) {
            PyErr_SetString(PyExc_TypeError, "read_pgn needs a binary file (opened with \"rb\"), not a text file");
            throw_python_error();
        }
        return {new_ref(source), false};
    }
    if (!PyUnicode_Check(source) && !PyBytes_Check(source) && !PyObject_HasAttrString(source, "__fspath__")) {
        PyErr_Format(PyExc_TypeError, "argument 'source': '%s' object is neither a path nor a binary file",
                     Py_TYPE(source)->tp_name);
        throw_python_error();
    }
    return {checked(PyObject_CallMethod(io.get(), "open", "Os", source, "rb")), true};
}

// The text of a str, which must be one.
std::string text_of(PyObject* object, const char* what) {
    if (!PyUnicode_Check(object)) {
        PyErr_Format(PyExc_TypeError, "headers must map str to str: %s is '%s'", what, Py_TYPE(object)->tp_name);
        throw_python_error();
    }
    Py_ssize_t size = 0;
    const char* data = PyUnicode_AsUTF8AndSize(object, &size);
    if (data == nullptr) throw_python_error();
    return std::string(data, static_cast<std::size_t>(size));
}

constexpr const char* READ_PGN_PARAMETERS[] = {"source", "strict", "start", "stop"};
constexpr FunctionDescription READ_PGN = {"Board", "read_pgn", READ_PGN_PARAMETERS, 4, 1, 1};

}  // namespace

PgnFile::PgnFile(PyObject* opened, bool opened_here, bool strict_reading, std::uint64_t start, std::uint64_t stop)
    : file(opened),
      owns_file(opened_here),
      strict(strict_reading),
      reader([opened](char* bytes, std::size_t size) { return read_from(opened, bytes, size); }, start, stop) {}

PgnFile::PgnFile(PgnFile&& other) noexcept
    : file(other.file), owns_file(other.owns_file), strict(other.strict), reader(std::move(other.reader)) {
    other.file = nullptr;
}

PgnFile::~PgnFile() {
    close();
    Py_XDECREF(file);
}

// Closes a file this reader opened, keeping any pending exception; a failure
// to close is reported as unraisable (there is no caller to raise it to).
void PgnFile::close() {
    if (file == nullptr || !owns_file) return;
    owns_file = false;
    PyObject *type, *value, *traceback;
    PyErr_Fetch(&type, &value, &traceback);
    PyObject* result = PyObject_CallMethod(file, "close", nullptr);
    if (result == nullptr) PyErr_WriteUnraisable(file);
    Py_XDECREF(result);
    PyErr_Restore(type, value, traceback);
}

PgnHeaders HeadersArgument::from_python(PyObject* object) {
    if (!PyDict_Check(object) && !PyObject_HasAttrString(object, "items")) type_mismatch(object, "dict");
    Ref items(checked(PyMapping_Items(object)));
    PgnHeaders headers;
    const Py_ssize_t count = PyList_GET_SIZE(items.get());
    for (Py_ssize_t i = 0; i < count; ++i) {
        PyObject* item = PyList_GET_ITEM(items.get(), i);
        std::string name = text_of(PyTuple_GET_ITEM(item, 0), "a tag name");
        headers.emplace_back(std::move(name), text_of(PyTuple_GET_ITEM(item, 1), "a tag value"));
    }
    return headers;
}

PyObject* write_game(const Board& board, const PgnHeaders& headers) {
    std::string text;
    try {
        text = write_pgn(board, headers);
    } catch (const RejectedInput& rejected) {
        PyErr_SetString(PyExc_ValueError, rejected.message.c_str());
        throw_python_error();
    }
    return to_python(text);
}

PyObject* read_pgn(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return contain([&]() -> PyObject* {
        std::array<PyObject*, 4> slots{};
        match_arguments(READ_PGN, args, nargs, kwnames, slots.data());
        const bool strict = slots[1] != nullptr && convert_argument<Truth>(slots[1], "strict");
        const std::uint64_t start = slots[2] != nullptr ? convert_argument<U64>(slots[2], "start") : 0;
        const std::uint64_t stop =
            slots[3] != nullptr && slots[3] != Py_None ? convert_argument<U64>(slots[3], "stop") : UINT64_MAX;
        const auto [file, opened_here] = open_source(slots[0]);
        return checked(wrap_record(type_of<PgnFile>(), PgnFile(file, opened_here, strict, start, stop)));
    });
}

PyTypeObject* game_type() {
    static PyTypeObject* type = made_type<PgnGame> =
        create_type(PLINDERVOX_CLASS_NAME("Game"), sizeof(Instance<PgnGame>), GAME_SLOTS);
    return type;
}

PyTypeObject* game_reader_type() {
    static PyTypeObject* type = made_type<PgnFile> =
        create_type(PLINDERVOX_CLASS_NAME("GameReader"), sizeof(Instance<PgnFile>), READER_SLOTS);
    return type;
}

}  // namespace plindervox::module
