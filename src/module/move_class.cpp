// The Move class: origin, destination and optional promotion letter.
#include "module/kept_values.hpp"
#include "module/member_table.hpp"
#include "module/saved_state.hpp"
#include "module/wrappers.hpp"

namespace plindervox::module {
namespace {

using enum Access;

Move construct(std::uint32_t from_square, std::uint32_t to_square, char32_t promotion) {
    return Move{from_square, to_square, promotion};
}

// A text no UCI move is spelt as, or that has no UTF-8 form, is refused
// with ValueError naming it.
PyObject* from_uci(PyObject* text) {
    Py_ssize_t size = 0;
    const char* data = PyUnicode_AsUTF8AndSize(text, &size);
    std::optional<Move> move;
    if (data != nullptr) {
        move = parse_move_text(std::string_view(data, static_cast<std::size_t>(size)));
    } else {
        PyErr_Clear();
    }
    if (!move) {
        PyErr_Format(PyExc_ValueError, "invalid UCI move text: %R", text);
        throw_python_error();
    }
    return to_python(*move);
}

PyObject* copy_of(const Move& move) { return to_python(move); }
PyObject* deep_copy_of(const Move& move, PyObject*) { return to_python(move); }
PyObject* reduce(const Move& move) { return move_reduction(move); }
PyObject* reduce_ex(const Move& move, PyObject*) { return move_reduction(move); }  // every protocol alike
void set_state(Move& move, const Move& loaded) { move = loaded; }

PyObject* read_from_square(const Move& move) { return to_python(move.from_square); }
PyObject* read_to_square(const Move& move) { return to_python(move.to_square); }
PyObject* read_promotion(const Move& move) { return promotion_object(move.promotion); }
void write_from_square(Move& move, std::uint32_t square) { move.from_square = square; }
void write_to_square(Move& move, std::uint32_t square) { move.to_square = square; }
void write_promotion(Move& move, char32_t promotion) { move.promotion = promotion; }

constexpr char FROM_SQUARE[] = "from_square";
constexpr char TO_SQUARE[] = "to_square";
constexpr char PROMOTION[] = "promotion";

constexpr const char* NEW_PARAMETERS[] = {FROM_SQUARE, TO_SQUARE, PROMOTION};
constexpr FunctionDescription NEW = {"Move", "__new__", NEW_PARAMETERS, 3, 2};
using New = Constructor<NEW, Move, construct, U32, U32, Promotion>;

constexpr const char* TEXT_PARAMETERS[] = {"text"};
constexpr const char* MEMO_PARAMETERS[] = {"memo"};
constexpr const char* PROTOCOL_PARAMETERS[] = {"protocol"};
constexpr const char* STATE_PARAMETERS[] = {"state"};
constexpr FunctionDescription FROM_UCI = {"Move", "from_uci", TEXT_PARAMETERS, 1, 1};
constexpr FunctionDescription DEEPCOPY = {"Move", "__deepcopy__", MEMO_PARAMETERS, 1, 1};
constexpr FunctionDescription REDUCE_EX = {"Move", "__reduce_ex__", PROTOCOL_PARAMETERS, 1, 1};
constexpr FunctionDescription SET_STATE = {"Move", "__setstate__", STATE_PARAMETERS, 1, 1};

PyMethodDef METHODS[] = {
    no_arguments("uci", method_without_arguments<Move, Shared, move_text_object>, "uci($self)\n--\n\n"),
    class_method_with_arguments("from_uci", class_method<FROM_UCI, from_uci, StrObject>,
                                "from_uci($type, text)\n--\n\n"),
    no_arguments("__copy__", method_without_arguments<Move, Shared, copy_of>, "__copy__($self)\n--\n\n"),
    with_arguments("__deepcopy__", method_with_arguments<DEEPCOPY, Move, Shared, deep_copy_of, AnyObject>,
                   "__deepcopy__($self, memo)\n--\n\n"),
    no_arguments("__getstate__", method_without_arguments<Move, Shared, move_state_object>,
                 "__getstate__($self)\n--\n\n"),
    with_arguments("__setstate__", method_with_arguments<SET_STATE, Move, Exclusive, set_state, MoveStateData>,
                   "__setstate__($self, state)\n--\n\n"),
    no_arguments("__reduce__", method_without_arguments<Move, Shared, reduce>, "__reduce__($self)\n--\n\n"),
    with_arguments("__reduce_ex__", method_with_arguments<REDUCE_EX, Move, Shared, reduce_ex, AnyObject>,
                   "__reduce_ex__($self, protocol)\n--\n\n"),
    PLINDERVOX_COPYABLE_CLASS_ROWS,
    END_OF_METHODS,
};

PyGetSetDef PROPERTIES[] = {
    {"to_square", property_getter<Move, read_to_square>, property_setter<Move, U32, write_to_square, TO_SQUARE>, "",
     nullptr},
    {"from_square", property_getter<Move, read_from_square>,
     property_setter<Move, U32, write_from_square, FROM_SQUARE>, "", nullptr},
    {"promotion", property_getter<Move, read_promotion>, property_setter<Move, Promotion, write_promotion, PROMOTION>,
     "", nullptr},
    END_OF_PROPERTIES,
};

PyType_Slot SLOTS[] = {
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_instance<Move>)},
    {Py_tp_doc, const_cast<char*>("Move(from_square, to_square, promotion=None)\n--\n\n")},
    {Py_tp_new, reinterpret_cast<void*>(New::with_tuple)},
    {Py_tp_str, reinterpret_cast<void*>(text_slot<Move, move_text_object>)},
    {Py_tp_repr, reinterpret_cast<void*>(text_slot<Move, move_text_object>)},
    {Py_tp_methods, METHODS},
    {Py_tp_getset, PROPERTIES},
    {Py_tp_setattro, reinterpret_cast<void*>(set_property_only<PROPERTIES>)},
    {0, nullptr},
};

const FastConstructor FAST_NEW = {New::with_vector, with_arguments("__new__", New::new_method, PLINDERVOX_NEW_DOC("from_square, to_square, promotion=None"))};

}  // namespace

PyTypeObject* move_type() {
    static PyTypeObject* type = made_type<Move> =
        create_type(PLINDERVOX_CLASS_NAME("Move"), sizeof(Instance<Move>), SLOTS, &FAST_NEW);
    return type;
}

}  // namespace plindervox::module
