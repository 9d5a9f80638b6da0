#include "module/convert.hpp"

#include <cstring>
#include <limits>

#include "board/text.hpp"
#include "module/classes.hpp"
#include "module/errors.hpp"
#include "module/kept_values.hpp"

namespace plindervox::module {
namespace {

[[noreturn]] void out_of_range() {
    PyErr_SetString(PyExc_OverflowError, "out of range integral type conversion attempted");
    throw_python_error();
}

// The host's integer reads return all ones (-1) with an error set on failure.
template <class Value>
Value checked_read(Value value) {
    if (value == static_cast<Value>(-1) && PyErr_Occurred()) throw_python_error();
    return value;
}

// An int as it is; any other object through its __index__.
template <class Read>
auto read_integer(PyObject* object, Read read) {
    if (PyLong_Check(object)) return checked_read(read(object));
    Ref index(checked(PyNumber_Index(object)));
    return checked_read(read(index.get()));
}

template <class Unsigned>
Unsigned read_small_unsigned(PyObject* object) {
    const long value = read_integer(object, [](PyObject* o) { return PyLong_AsLong(o); });
    if (value < 0 || static_cast<unsigned long>(value) > std::numeric_limits<Unsigned>::max()) out_of_range();
    return static_cast<Unsigned>(value);
}

std::string_view utf8_of(PyObject* object) {
    if (!PyUnicode_Check(object)) type_mismatch(object, "PyString");
    Py_ssize_t size = 0;
    const char* data = PyUnicode_AsUTF8AndSize(object, &size);
    if (data == nullptr) throw_python_error();
    return {data, static_cast<std::size_t>(size)};
}

bool is_numpy_bool(PyObject* object) {
    PyObject* type = reinterpret_cast<PyObject*>(Py_TYPE(object));
    Ref module(PyObject_GetAttrString(type, "__module__"));
    Ref name(PyObject_GetAttrString(type, "__name__"));
    PyErr_Clear();
    if (module.get() == nullptr || name.get() == nullptr || !PyUnicode_Check(module.get()) ||
        !PyUnicode_Check(name.get())) {
        return false;
    }
    return PyUnicode_CompareWithASCIIString(module.get(), "numpy") == 0 &&
           (PyUnicode_CompareWithASCIIString(name.get(), "bool_") == 0 ||
            PyUnicode_CompareWithASCIIString(name.get(), "bool") == 0);
}

bool numpy_bool_value(PyObject* object) {
    PyObject* type = reinterpret_cast<PyObject*>(Py_TYPE(object));
    Ref method(PyObject_GetAttrString(type, "__bool__"));
    if (method.get() == nullptr) {
        PyErr_Clear();
        Ref type_text(checked(PyObject_Str(type)));
        const char* text = PyUnicode_AsUTF8(type_text.get());
        if (text == nullptr) throw_python_error();
        const std::string message = std::string("object of type '") + text + "' does not define a '__bool__' conversion";
        PyErr_SetString(PyExc_TypeError, message.c_str());
        throw_python_error();
    }
    Ref result(checked(PyObject_CallOneArg(method.get(), object)));
    if (!PyBool_Check(result.get())) type_mismatch(result.get(), "PyBool");
    return result.get() == Py_True;
}

// A new list of new Move objects. CPython's lists are made at full length and
// filled in place. PyPy's list made that way keeps native storage that every
// later read from Python has to convert, so there the list grows by appending,
// which hands each move to PyPy once.
// The Move class is looked up once per list, not once per move.
template <class Sequence>
PyObject* move_list(const Sequence& moves, std::size_t count) {
    PyTypeObject* type = type_of<Move>();
#ifdef PYPY_VERSION
    Ref list(api_result(PyList_New(0)));
    for (std::size_t i = 0; i < count; ++i) {
        Ref move(checked(wrap_record(type, Move(moves[i]))));
        if (PyList_Append(list.get(), move.get()) < 0) throw_python_error();
    }
#else
    Ref list(api_result(PyList_New(static_cast<Py_ssize_t>(count))));
    for (std::size_t i = 0; i < count; ++i) {
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), checked(wrap_record(type, Move(moves[i]))));
    }
#endif
    return list.release();
}

}  // namespace

std::uint8_t U8::from_python(PyObject* object) { return read_small_unsigned<std::uint8_t>(object); }

std::uint32_t U32::from_python(PyObject* object) { return read_small_unsigned<std::uint32_t>(object); }

std::uint64_t U64::from_python(PyObject* object) {
    return read_integer(object, [](PyObject* o) { return PyLong_AsUnsignedLongLong(o); });
}

char32_t Character::from_python(PyObject* object) {
    const std::string_view text = utf8_of(object);
    std::size_t pos = 0;
    const char32_t c = text.empty() ? 0 : next_char(text, pos);
    if (text.empty() || pos != text.size()) {
        PyErr_SetString(PyExc_ValueError, "expected a string of length 1");
        throw_python_error();
    }
    return c;
}

std::uint8_t BoardSquare::from_python(PyObject* object) {
    const std::uint8_t square = read_small_unsigned<std::uint8_t>(object);
    if (!on_board(square)) out_of_range();
    return square;
}

PyObject* StrObject::from_python(PyObject* object) {
    if (!PyUnicode_Check(object)) type_mismatch(object, "PyString");
    return object;
}

std::optional<std::string> OptionalText::from_python(PyObject* object) { return std::string(utf8_of(object)); }

bool Truth::from_python(PyObject* object) {
    if (PyBool_Check(object)) return object == Py_True;
    if (is_numpy_bool(object)) return numpy_bool_value(object);
    type_mismatch(object, "PyBool");
}

BoardState BoardStateArgument::from_python(PyObject* object) {
    if (!PyObject_TypeCheck(object, type_of<BoardState>())) type_mismatch(object, "BoardState");
    auto& instance = made_instance<BoardState>(object);
    [[maybe_unused]] auto held = borrow(instance, Access::Shared);
    return instance.record;
}

PyObject* to_python(bool value) { return new_ref(value ? Py_True : Py_False); }

PyObject* to_python(std::uint32_t value) { return small_int_object(value); }

PyObject* to_python(std::uint64_t value) { return api_result(PyLong_FromUnsignedLongLong(value)); }

PyObject* to_python(const std::string& text) {
    return api_result(PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size())));
}

PyObject* to_python(const std::vector<Move>& moves) { return move_list(moves, moves.size()); }

PyObject* to_python(const MoveBuffer& moves) { return move_list(moves, moves.size); }

PyObject* to_python(std::optional<char32_t> letter) { return letter ? letter_object(*letter) : new_ref(Py_None); }

}  // namespace plindervox::module
