#include "module/saved_state.hpp"

#include <limits>
#include <string>

#include "board/saved_board.hpp"
#include "module/classes.hpp"
#include "module/convert.hpp"
#include "module/errors.hpp"
#include "module/kept_values.hpp"

namespace plindervox::module {
namespace {

constexpr long long MOVE_STATE_FORMAT = 1;

PyObject* tuple_of(std::initializer_list<PyObject*> owned) {
    PyObject* tuple = PyTuple_New(static_cast<Py_ssize_t>(owned.size()));
    if (tuple == nullptr) {
        for (PyObject* item : owned) Py_DECREF(item);
        throw_python_error();
    }
    Py_ssize_t i = 0;
    for (PyObject* item : owned) PyTuple_SET_ITEM(tuple, i++, item);
    return tuple;
}

[[noreturn]] void refuse(PyObject* type, const std::string& message) {
    Ref text(checked(PyUnicode_FromStringAndSize(message.data(), static_cast<Py_ssize_t>(message.size()))));
    PyErr_SetObject(type, text.get());
    throw_python_error();
}

std::string type_name(PyObject* object) { return Py_TYPE(object)->tp_name; }

// The items of a state tuple of `size` items, else TypeError.
PyObject* const* state_items(PyObject* state, Py_ssize_t size, const char* shape) {
    if (!PyTuple_Check(state)) refuse(PyExc_TypeError, std::string("a ") + shape + ", not '" + type_name(state) + "'");
    if (PyTuple_GET_SIZE(state) != size) {
        refuse(PyExc_TypeError, std::string("a ") + shape + ", not a tuple of " +
                                    std::to_string(PyTuple_GET_SIZE(state)) + " items");
    }
    return &PyTuple_GET_ITEM(state, 0);
}

// An int item's value, or none when it does not fit a long long; TypeError
// for an item that is no int (bool included).
std::optional<long long> int_item(PyObject* item, const char* what, const char* owner) {
    if (!PyLong_Check(item) || PyBool_Check(item)) {
        refuse(PyExc_TypeError, std::string(owner) + " state's " + what + " is an int, not '" + type_name(item) + "'");
    }
    int overflow = 0;
    const long long value = PyLong_AsLongLongAndOverflow(item, &overflow);
    if (value == -1 && PyErr_Occurred()) throw_python_error();
    if (overflow != 0) return std::nullopt;
    return value;
}

std::string text_of(PyObject* object) {
    Ref text(checked(PyObject_Repr(object)));
    Py_ssize_t size = 0;
    const char* data = PyUnicode_AsUTF8AndSize(text.get(), &size);
    if (data == nullptr) throw_python_error();
    return std::string(data, static_cast<std::size_t>(size));
}

std::uint32_t square_item(PyObject* item, const char* what) {
    const auto value = int_item(item, what, "a Move");
    if (!value || *value < 0 || *value > std::numeric_limits<std::uint32_t>::max()) {
        refuse(PyExc_ValueError, std::string("invalid Move state: ") + what + " " + text_of(item) +
                                     " is outside 0-4294967295");
    }
    return static_cast<std::uint32_t>(*value);
}

}  // namespace

PyObject* board_state_object(const Board& board) {
    const std::string bytes = save_board(board);
    PyObject* data = checked(PyBytes_FromStringAndSize(bytes.data(), static_cast<Py_ssize_t>(bytes.size())));
    PyObject* version = PyLong_FromUnsignedLongLong(SAVED_BOARD_FORMAT);
    if (version == nullptr) {
        Py_DECREF(data);
        throw_python_error();
    }
    return tuple_of({version, data});
}

PyObject* move_state_object(const Move& move) {
    Ref version(checked(PyLong_FromLongLong(MOVE_STATE_FORMAT)));
    Ref from(checked(PyLong_FromUnsignedLong(move.from_square)));
    Ref to(checked(PyLong_FromUnsignedLong(move.to_square)));
    Ref promotion(promotion_object(move.promotion));
    return tuple_of({version.release(), from.release(), to.release(), promotion.release()});
}

PyObject* board_reduction(const Board& board) {
    Ref state(board_state_object(board));
    Ref no_arguments(checked(PyTuple_New(0)));
    return tuple_of({new_ref(reinterpret_cast<PyObject*>(type_of<Board>())), no_arguments.release(), state.release()});
}

PyObject* move_reduction(const Move& move) {
    Ref state(move_state_object(move));
    Ref zero(checked(PyLong_FromLong(0)));
    Ref arguments(tuple_of({new_ref(zero.get()), new_ref(zero.get())}));
    return tuple_of({new_ref(reinterpret_cast<PyObject*>(type_of<Move>())), arguments.release(), state.release()});
}

Board BoardStateData::from_python(PyObject* state) {
    PyObject* const* items = state_items(state, 2, "Board state is a tuple (format version, bytes)");
    const auto version = int_item(items[0], "format version", "a Board");
    if (!PyBytes_Check(items[1])) {
        refuse(PyExc_TypeError, "a Board state's data are bytes, not '" + type_name(items[1]) + "'");
    }
    if (!version || *version < 0) {
        refuse(PyExc_ValueError, "invalid Board state: unknown format version " + text_of(items[0]));
    }
    const std::string_view bytes(PyBytes_AS_STRING(items[1]), static_cast<std::size_t>(PyBytes_GET_SIZE(items[1])));
    LoadedBoard loaded = load_board(static_cast<std::uint64_t>(*version), bytes);
    if (!loaded.board) refuse(PyExc_ValueError, loaded.fault);
    return std::move(*loaded.board);
}

Move MoveStateData::from_python(PyObject* state) {
    PyObject* const* items =
        state_items(state, 4, "Move state is a tuple (format version, from_square, to_square, promotion)");
    const auto version = int_item(items[0], "format version", "a Move");
    if (version != MOVE_STATE_FORMAT) {
        refuse(PyExc_ValueError, "invalid Move state: unknown format version " + text_of(items[0]));
    }
    Move move{};
    move.from_square = square_item(items[1], "from_square");
    move.to_square = square_item(items[2], "to_square");
    move.promotion = items[3] == Py_None ? NO_PROMOTION : Promotion::from_python(items[3]);
    return move;
}

}  // namespace plindervox::module
