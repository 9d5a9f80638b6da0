// plindervox_floor: a native module that does no chess at all, only the
// crossings plindervox's Board makes during a perft walk. It has the same
// calling conventions as the real module (heap classes from PyType_FromSpec,
// a three-field Move record allocated with tp_alloc, METH_NOARGS
// legal_moves/pop, METH_FASTCALL|METH_KEYWORDS apply_move with a type check),
// so a perft loop run over it costs the interpreter's crossing price alone.
// Its lists can be built either way a binding may build them (see Board()).
//
// The Board replays a recorded tree: it is built from the legal-move counts
// of the real board's perft, one per interior node in visiting order, and
// legal_moves() returns a list of the next recorded count of fresh moves.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr char32_t NO_PROMOTION = 0xFFFFFFFF;

struct MoveRecord {
    std::uint32_t from_square;
    std::uint32_t to_square;
    char32_t promotion;
};

struct MoveObject {
    PyObject_HEAD
    MoveRecord record;
};

struct BoardObject {
    PyObject_HEAD
    std::vector<std::uint32_t>* counts;  // legal-move count of each interior node, visiting order
    std::size_t cursor;                  // next count legal_moves() hands out
    std::vector<MoveRecord>* stack;      // moves applied and not yet popped
    bool append;                         // lists grown by PyList_Append, else PyList_New(n) + PyList_SET_ITEM
};

PyTypeObject* move_type = nullptr;
PyTypeObject* board_type = nullptr;

PyObject* new_move(const MoveRecord& record) {
    PyObject* object = move_type->tp_alloc(move_type, 0);
    if (object == nullptr) return nullptr;
    reinterpret_cast<MoveObject*>(object)->record = record;
    return object;
}

// --- Move ---------------------------------------------------------------------

PyObject* move_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    unsigned int from = 0, to = 0;
    PyObject* promotion = nullptr;  // accepted for the shape of the call, not kept
    static const char* names[] = {"from_square", "to_square", "promotion", nullptr};
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "II|O", const_cast<char**>(names), &from, &to, &promotion)) {
        return nullptr;
    }
    PyObject* object = type->tp_alloc(type, 0);
    if (object == nullptr) return nullptr;
    reinterpret_cast<MoveObject*>(object)->record = MoveRecord{from, to, NO_PROMOTION};
    return object;
}

void move_dealloc(PyObject* object) {
    PyTypeObject* type = Py_TYPE(object);
    type->tp_free(object);
#ifndef PYPY_VERSION
    Py_DECREF(type);
#endif
}

PyObject* move_from_square(PyObject* self, void*) {
    return PyLong_FromLong(reinterpret_cast<MoveObject*>(self)->record.from_square);
}

PyObject* move_to_square(PyObject* self, void*) {
    return PyLong_FromLong(reinterpret_cast<MoveObject*>(self)->record.to_square);
}

PyObject* move_str(PyObject*) { return PyUnicode_FromStringAndSize("e2e4", 4); }

PyObject* KEPT_STR = nullptr;

// uci() as a text made once and handed out again.
PyObject* move_uci(PyObject*, PyObject*) {
    Py_INCREF(KEPT_STR);
    return KEPT_STR;
}

// FloorMove.from_text(text): a class method taking one str, read as UTF-8,
// and making a new move: the shape of Move.from_uci.
PyObject* move_from_text(PyObject* type, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    if (PyVectorcall_NARGS(nargs) + (kwnames == nullptr ? 0 : PyTuple_GET_SIZE(kwnames)) != 1) {
        PyErr_SetString(PyExc_TypeError, "wrong number of arguments");
        return nullptr;
    }
    Py_ssize_t size = 0;
    if (!PyUnicode_Check(args[0]) || PyUnicode_AsUTF8AndSize(args[0], &size) == nullptr) {
        if (!PyErr_Occurred()) PyErr_SetString(PyExc_TypeError, "expected a str");
        return nullptr;
    }
    auto* move_class = reinterpret_cast<PyTypeObject*>(type);
    PyObject* object = move_class->tp_alloc(move_class, 0);
    if (object != nullptr) reinterpret_cast<MoveObject*>(object)->record = MoveRecord{12, 28, NO_PROMOTION};
    return object;
}

PyMethodDef MOVE_METHODS[] = {
    {"uci", move_uci, METH_NOARGS, nullptr},
    {"from_text", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(move_from_text)),
     METH_FASTCALL | METH_KEYWORDS | METH_CLASS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef MOVE_PROPERTIES[] = {
    {"from_square", move_from_square, nullptr, nullptr, nullptr},
    {"to_square", move_to_square, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot MOVE_SLOTS[] = {
    {Py_tp_new, reinterpret_cast<void*>(move_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(move_dealloc)},
    {Py_tp_getset, MOVE_PROPERTIES},
    {Py_tp_methods, MOVE_METHODS},
    {Py_tp_str, reinterpret_cast<void*>(move_str)},
    {0, nullptr},
};

PyType_Spec MOVE_CLASS = {"plindervox_floor.Move", sizeof(MoveObject), 0, Py_TPFLAGS_DEFAULT, MOVE_SLOTS};

// --- Board --------------------------------------------------------------------

// Board(counts, append=False): `counts` is a bytes-like object of native
// uint32 values (array('I', ...).tobytes()); `append` picks how legal_moves()
// builds its list, the two ways a binding can (they cost differently on PyPy).
PyObject* board_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    PyObject* source = nullptr;
    int append = 0;
    static const char* names[] = {"counts", "append", nullptr};
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O|p", const_cast<char**>(names), &source, &append)) {
        return nullptr;
    }
    Py_buffer view;
    if (PyObject_GetBuffer(source, &view, PyBUF_SIMPLE) < 0) return nullptr;
    if (view.len % sizeof(std::uint32_t) != 0) {
        PyBuffer_Release(&view);
        PyErr_SetString(PyExc_ValueError, "counts must hold whole uint32 values");
        return nullptr;
    }
    PyObject* object = type->tp_alloc(type, 0);
    if (object == nullptr) {
        PyBuffer_Release(&view);
        return nullptr;
    }
    auto* board = reinterpret_cast<BoardObject*>(object);
    board->counts = new (std::nothrow) std::vector<std::uint32_t>(view.len / sizeof(std::uint32_t));
    board->stack = new (std::nothrow) std::vector<MoveRecord>();
    board->cursor = 0;
    board->append = append != 0;
    if (board->counts == nullptr || board->stack == nullptr) {
        PyBuffer_Release(&view);
        Py_DECREF(object);
        return PyErr_NoMemory();
    }
    if (view.len > 0) std::memcpy(board->counts->data(), view.buf, view.len);
    board->stack->reserve(64);
    PyBuffer_Release(&view);
    return object;
}

void board_dealloc(PyObject* object) {
    auto* board = reinterpret_cast<BoardObject*>(object);
    delete board->counts;
    delete board->stack;
    PyTypeObject* type = Py_TYPE(object);
    type->tp_free(object);
#ifndef PYPY_VERSION
    Py_DECREF(type);
#endif
}

// A list of `count` fresh moves, made at full length and filled in place.
PyObject* list_by_set_item(std::uint32_t count) {
    PyObject* list = PyList_New(count);
    if (list == nullptr) return nullptr;
    for (std::uint32_t i = 0; i < count; ++i) {
        PyObject* move = new_move(MoveRecord{i, i + 8, NO_PROMOTION});
        if (move == nullptr) {
            Py_DECREF(list);
            return nullptr;
        }
        PyList_SET_ITEM(list, i, move);
    }
    return list;
}

// The same list grown from empty, one PyList_Append per move.
PyObject* list_by_append(std::uint32_t count) {
    PyObject* list = PyList_New(0);
    if (list == nullptr) return nullptr;
    for (std::uint32_t i = 0; i < count; ++i) {
        PyObject* move = new_move(MoveRecord{i, i + 8, NO_PROMOTION});
        if (move == nullptr || PyList_Append(list, move) < 0) {
            Py_XDECREF(move);
            Py_DECREF(list);
            return nullptr;
        }
        Py_DECREF(move);
    }
    return list;
}

PyObject* board_legal_moves(PyObject* self, PyObject*) {
    auto* board = reinterpret_cast<BoardObject*>(self);
    if (board->cursor >= board->counts->size()) {
        PyErr_SetString(PyExc_IndexError, "the recorded tree has no more nodes");
        return nullptr;
    }
    const std::uint32_t count = (*board->counts)[board->cursor++];
    return board->append ? list_by_append(count) : list_by_set_item(count);
}

PyObject* board_apply_move(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* move = nullptr;
    const Py_ssize_t positional = PyVectorcall_NARGS(nargs);
    if (positional == 1 && kwnames == nullptr) {
        move = args[0];
    } else if (positional == 0 && kwnames != nullptr && PyTuple_GET_SIZE(kwnames) == 1 &&
               PyUnicode_CompareWithASCIIString(PyTuple_GET_ITEM(kwnames, 0), "mov") == 0) {
        move = args[0];
    } else {
        PyErr_SetString(PyExc_TypeError, "Board.apply_move() takes exactly one argument (mov)");
        return nullptr;
    }
    if (!PyObject_TypeCheck(move, move_type)) {
        PyErr_SetString(PyExc_TypeError, "argument 'mov': expected a Move");
        return nullptr;
    }
    reinterpret_cast<BoardObject*>(self)->stack->push_back(reinterpret_cast<MoveObject*>(move)->record);
    Py_RETURN_NONE;
}

PyObject* board_pop(PyObject* self, PyObject*) {
    auto* board = reinterpret_cast<BoardObject*>(self);
    if (board->stack->empty()) {
        PyErr_SetString(PyExc_IndexError, "Cannot pop a move: the move history is empty");
        return nullptr;
    }
    const MoveRecord record = board->stack->back();
    board->stack->pop_back();
    return new_move(record);
}

// Rewinds the replay to the root, ready for another walk of the same tree.
PyObject* board_rewind(PyObject* self, PyObject*) {
    auto* board = reinterpret_cast<BoardObject*>(self);
    board->cursor = 0;
    board->stack->clear();
    Py_RETURN_NONE;
}

// Counts not yet handed out; 0 after a walk of exactly the recorded tree.
PyObject* board_remaining(PyObject* self, PyObject*) {
    auto* board = reinterpret_cast<BoardObject*>(self);
    return PyLong_FromSsize_t(static_cast<Py_ssize_t>(board->counts->size() - board->cursor));
}

PyMethodDef BOARD_METHODS[] = {
    {"legal_moves", board_legal_moves, METH_NOARGS, nullptr},
    {"apply_move", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(board_apply_move)),
     METH_FASTCALL | METH_KEYWORDS, nullptr},
    {"pop", board_pop, METH_NOARGS, nullptr},
    {"rewind", board_rewind, METH_NOARGS, nullptr},
    {"remaining", board_remaining, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot BOARD_SLOTS[] = {
    {Py_tp_new, reinterpret_cast<void*>(board_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(board_dealloc)},
    {Py_tp_methods, BOARD_METHODS},
    {0, nullptr},
};

PyType_Spec BOARD_CLASS = {"plindervox_floor.Board", sizeof(BoardObject), 0, Py_TPFLAGS_DEFAULT, BOARD_SLOTS};


// --- Probe ----------------------------------------------------------------------

// Probe(n): one do-nothing member per shape of call a binding can offer, so
// that each member of the real module can be set beside the least the
// interpreter charges for its shape. Results are either made once and kept
// (KEPT_INT, KEPT_STR) or new on every call; new lists hold n new Moves.
struct ProbeObject {
    PyObject_HEAD
    Py_ssize_t list_length;
};

PyObject* KEPT_INT = nullptr;

constexpr char SHORT_TEXT[] = "e2e4";
// As long as a board diagram: eight lines of eight squares.
constexpr char LONG_TEXT[] =
    "r n b q k b n r\np p p p p p p p\n. . . . . . . .\n. . . . . . . .\n"
    ". . . . . . . .\n. . . . . . . .\nP P P P P P P P\nR N B Q K B N R";

PyObject* probe_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    Py_ssize_t length = 0;
    static const char* names[] = {"list_length", nullptr};
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "|n", const_cast<char**>(names), &length)) return nullptr;
    PyObject* object = type->tp_alloc(type, 0);
    if (object != nullptr) reinterpret_cast<ProbeObject*>(object)->list_length = length;
    return object;
}

PyObject* probe_none(PyObject*, PyObject*) { Py_RETURN_NONE; }

PyObject* probe_kept_int(PyObject*, PyObject*) {
    Py_INCREF(KEPT_INT);
    return KEPT_INT;
}

PyObject* probe_kept_str(PyObject*, PyObject*) {
    Py_INCREF(KEPT_STR);
    return KEPT_STR;
}

PyObject* probe_new_int(PyObject*, PyObject*) { return PyLong_FromLong(28); }

PyObject* probe_new_str(PyObject*, PyObject*) { return PyUnicode_FromStringAndSize(SHORT_TEXT, 4); }

// A new str as long as the standard start's position text.
constexpr char FEN_TEXT[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
PyObject* probe_new_fen_text(PyObject*, PyObject*) { return PyUnicode_FromStringAndSize(FEN_TEXT, sizeof FEN_TEXT - 1); }

PyObject* probe_long_str(PyObject*) { return PyUnicode_FromStringAndSize(LONG_TEXT, sizeof LONG_TEXT - 1); }

// repr(p): a text slot handing back the kept text, the shape of str(move).
PyObject* probe_kept_repr(PyObject*) {
    Py_INCREF(KEPT_STR);
    return KEPT_STR;
}

PyObject* probe_new_object(PyObject*, PyObject*) { return new_move(MoveRecord{12, 28, NO_PROMOTION}); }

PyObject* probe_new_list(PyObject* self, PyObject*) {
    const Py_ssize_t length = reinterpret_cast<ProbeObject*>(self)->list_length;
    return list_by_append(static_cast<std::uint32_t>(length));
}

// Vector-call members that look at their arguments as cheaply as possible:
// the count, and for an object argument a type check.
bool arguments_given(Py_ssize_t nargs, PyObject* kwnames, Py_ssize_t expected) {
    if (PyVectorcall_NARGS(nargs) + (kwnames == nullptr ? 0 : PyTuple_GET_SIZE(kwnames)) == expected) return true;
    PyErr_SetString(PyExc_TypeError, "wrong number of arguments");
    return false;
}

PyObject* probe_one_argument(PyObject*, PyObject* const*, Py_ssize_t nargs, PyObject* kwnames) {
    if (!arguments_given(nargs, kwnames, 1)) return nullptr;
    Py_RETURN_NONE;
}

PyObject* probe_one_argument_kept(PyObject* self, PyObject* const*, Py_ssize_t nargs, PyObject* kwnames) {
    if (!arguments_given(nargs, kwnames, 1)) return nullptr;
    return probe_kept_int(self, nullptr);
}

PyObject* probe_one_argument_new_int(PyObject*, PyObject* const*, Py_ssize_t nargs, PyObject* kwnames) {
    if (!arguments_given(nargs, kwnames, 1)) return nullptr;
    return PyLong_FromUnsignedLongLong(0xFFFF00000000FFFFull);
}

// The same with int arguments whose values are read, the least a member
// taking a square or a set of squares has to do with them.
PyObject* probe_one_int_kept(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    if (!arguments_given(nargs, kwnames, 1)) return nullptr;
    if (PyLong_AsLong(args[0]) == -1 && PyErr_Occurred()) return nullptr;
    return probe_kept_int(self, nullptr);
}

PyObject* probe_two_ints_kept(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    if (!arguments_given(nargs, kwnames, 2)) return nullptr;
    for (int i = 0; i < 2; ++i) {
        if (PyLong_AsUnsignedLongLong(args[i]) == static_cast<unsigned long long>(-1) && PyErr_Occurred()) {
            return nullptr;
        }
    }
    return probe_kept_int(self, nullptr);
}

PyObject* probe_two_arguments(PyObject*, PyObject* const*, Py_ssize_t nargs, PyObject* kwnames) {
    if (!arguments_given(nargs, kwnames, 2)) return nullptr;
    Py_RETURN_NONE;
}

PyObject* probe_two_arguments_kept(PyObject* self, PyObject* const*, Py_ssize_t nargs, PyObject* kwnames) {
    if (!arguments_given(nargs, kwnames, 2)) return nullptr;
    return probe_kept_int(self, nullptr);
}

PyObject* probe_take_move_kept(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    if (!arguments_given(nargs, kwnames, 1)) return nullptr;
    if (!PyObject_TypeCheck(args[0], move_type)) {
        PyErr_SetString(PyExc_TypeError, "expected a Move");
        return nullptr;
    }
    return probe_kept_int(self, nullptr);
}

// Copying and pickling a Probe: a new Probe of the same list length for
// copy.copy and copy.deepcopy; for pickle the recipe (Probe, (), (1, bytes))
// with list_length bytes, and a __setstate__ that checks the state's shape,
// the shapes a board's copy and pickle members have.
PyTypeObject* probe_type = nullptr;

PyObject* probe_copy(PyObject* self, PyObject*) {
    PyObject* object = probe_type->tp_alloc(probe_type, 0);
    if (object != nullptr) {
        reinterpret_cast<ProbeObject*>(object)->list_length = reinterpret_cast<ProbeObject*>(self)->list_length;
    }
    return object;
}

PyObject* probe_deepcopy(PyObject* self, PyObject* const*, Py_ssize_t nargs, PyObject* kwnames) {
    if (!arguments_given(nargs, kwnames, 1)) return nullptr;
    return probe_copy(self, nullptr);
}

PyObject* probe_reduce(PyObject* self, PyObject*) {
    const Py_ssize_t length = reinterpret_cast<ProbeObject*>(self)->list_length;
    PyObject* data = PyBytes_FromStringAndSize(nullptr, length);
    if (data == nullptr) return nullptr;
    std::memset(PyBytes_AS_STRING(data), 0, static_cast<std::size_t>(length));
    return Py_BuildValue("(O()(iN))", reinterpret_cast<PyObject*>(probe_type), 1, data);
}

PyObject* probe_reduce_ex(PyObject* self, PyObject* const*, Py_ssize_t nargs, PyObject* kwnames) {
    if (!arguments_given(nargs, kwnames, 1)) return nullptr;
    return probe_reduce(self, nullptr);
}

PyObject* probe_setstate(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    if (!arguments_given(nargs, kwnames, 1)) return nullptr;
    PyObject* state = args[0];
    if (!PyTuple_Check(state) || PyTuple_GET_SIZE(state) != 2 || !PyBytes_Check(PyTuple_GET_ITEM(state, 1))) {
        PyErr_SetString(PyExc_TypeError, "expected (version, bytes)");
        return nullptr;
    }
    reinterpret_cast<ProbeObject*>(self)->list_length = PyBytes_GET_SIZE(PyTuple_GET_ITEM(state, 1));
    Py_RETURN_NONE;
}

PyObject* probe_take_move(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    if (!arguments_given(nargs, kwnames, 1)) return nullptr;
    if (!PyObject_TypeCheck(args[0], move_type)) {
        PyErr_SetString(PyExc_TypeError, "expected a Move");
        return nullptr;
    }
    Py_RETURN_NONE;
}

// The shapes of the notation and rules members: a Move argument checked and
// a new str made (san), a str argument read as UTF-8 and a new Move made
// (parse_san, parse_uci), a new 64-bit int (zobrist_hash), and an optional
// argument with a kept value or a new str (is_repetition, result).
PyObject* probe_take_move_new_str(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    if (probe_take_move(self, args, nargs, kwnames) == nullptr) return nullptr;
    Py_DECREF(Py_None);
    return PyUnicode_FromStringAndSize("Nbd2", 4);
}

PyObject* probe_one_str_new_object(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    if (!arguments_given(nargs, kwnames, 1)) return nullptr;
    Py_ssize_t size = 0;
    if (!PyUnicode_Check(args[0]) || PyUnicode_AsUTF8AndSize(args[0], &size) == nullptr) {
        if (!PyErr_Occurred()) PyErr_SetString(PyExc_TypeError, "expected a str");
        return nullptr;
    }
    return new_move(MoveRecord{12, 28, NO_PROMOTION});
}

PyObject* probe_new_big_int(PyObject*, PyObject*) { return PyLong_FromUnsignedLongLong(0x463B96181691FC9Cull); }

PyObject* probe_optional_argument_kept(PyObject* self, PyObject* const*, Py_ssize_t nargs, PyObject* kwnames) {
    if (PyVectorcall_NARGS(nargs) + (kwnames == nullptr ? 0 : PyTuple_GET_SIZE(kwnames)) > 1) {
        PyErr_SetString(PyExc_TypeError, "wrong number of arguments");
        return nullptr;
    }
    return probe_kept_int(self, nullptr);
}

PyObject* probe_optional_argument_new_str(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                          PyObject* kwnames) {
    PyObject* kept = probe_optional_argument_kept(self, args, nargs, kwnames);
    if (kept == nullptr) return nullptr;
    Py_DECREF(kept);
    return PyUnicode_FromStringAndSize("1/2-1/2", 7);
}

PyObject* probe_get_kept(PyObject* self, void*) { return probe_kept_int(self, nullptr); }
PyObject* probe_get_new_int(PyObject*, void*) { return PyLong_FromLong(28); }
PyObject* probe_get_new_str(PyObject*, void*) { return PyUnicode_FromStringAndSize("q", 1); }
int probe_set(PyObject*, PyObject* value, void*) {
    if (value == nullptr) {
        PyErr_SetString(PyExc_AttributeError, "can't delete attribute");
        return -1;
    }
    return 0;
}

template <class Function>
PyMethodDef fast(const char* name, Function function) {
    return {name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function)), METH_FASTCALL | METH_KEYWORDS,
            nullptr};
}

PyMethodDef PROBE_METHODS[] = {
    {"none", probe_none, METH_NOARGS, nullptr},
    {"kept_int", probe_kept_int, METH_NOARGS, nullptr},
    {"kept_str", probe_kept_str, METH_NOARGS, nullptr},
    {"new_int", probe_new_int, METH_NOARGS, nullptr},
    {"new_str", probe_new_str, METH_NOARGS, nullptr},
    {"new_fen_text", probe_new_fen_text, METH_NOARGS, nullptr},
    {"__copy__", probe_copy, METH_NOARGS, nullptr},
    {"__reduce__", probe_reduce, METH_NOARGS, nullptr},
    fast("__deepcopy__", probe_deepcopy),
    fast("__reduce_ex__", probe_reduce_ex),
    fast("__setstate__", probe_setstate),
    fast("take_move_kept", probe_take_move_kept),
    {"new_object", probe_new_object, METH_NOARGS, nullptr},
    {"new_list", probe_new_list, METH_NOARGS, nullptr},
    fast("one_argument", probe_one_argument),
    fast("one_argument_kept", probe_one_argument_kept),
    fast("one_argument_new_int", probe_one_argument_new_int),
    fast("two_arguments", probe_two_arguments),
    fast("two_arguments_kept", probe_two_arguments_kept),
    fast("one_int_kept", probe_one_int_kept),
    fast("two_ints_kept", probe_two_ints_kept),
    fast("take_move", probe_take_move),
    fast("take_move_new_str", probe_take_move_new_str),
    fast("one_str_new_object", probe_one_str_new_object),
    {"new_big_int", probe_new_big_int, METH_NOARGS, nullptr},
    fast("optional_argument_kept", probe_optional_argument_kept),
    fast("optional_argument_new_str", probe_optional_argument_new_str),
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef PROBE_PROPERTIES[] = {
    {"kept", probe_get_kept, probe_set, nullptr, nullptr},
    {"new_int_property", probe_get_new_int, probe_set, nullptr, nullptr},
    {"new_str_property", probe_get_new_str, probe_set, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot PROBE_SLOTS[] = {
    {Py_tp_new, reinterpret_cast<void*>(probe_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(move_dealloc)},
    {Py_tp_str, reinterpret_cast<void*>(probe_long_str)},
    {Py_tp_repr, reinterpret_cast<void*>(probe_kept_repr)},
    {Py_tp_methods, PROBE_METHODS},
    {Py_tp_getset, PROBE_PROPERTIES},
    {0, nullptr},
};

PyType_Spec PROBE_CLASS = {"plindervox_floor.Probe", sizeof(ProbeObject), 0, Py_TPFLAGS_DEFAULT, PROBE_SLOTS};

// Position(text): a constructor taking one str in its argument tuple and
// reading it as UTF-8, the shape of Board(fen).
PyObject* position_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    const char* text = nullptr;
    Py_ssize_t length = 0;
    static const char* names[] = {"text", nullptr};
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "|s#", const_cast<char**>(names), &text, &length)) return nullptr;
    return type->tp_alloc(type, 0);
}

PyType_Slot POSITION_SLOTS[] = {
    {Py_tp_new, reinterpret_cast<void*>(position_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(move_dealloc)},
    {0, nullptr},
};

PyType_Spec POSITION_CLASS = {"plindervox_floor.Position", sizeof(PyObject), 0, Py_TPFLAGS_DEFAULT, POSITION_SLOTS};

PyModuleDef MODULE = {PyModuleDef_HEAD_INIT, "plindervox_floor", nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr};

// Creates the class and adds it to the module; false with an error set on failure.
bool add_type(PyObject* module, PyType_Spec* description, const char* name) {
    PyObject* type = PyType_FromSpec(description);
    if (type == nullptr) return false;
    if (PyModule_AddObject(module, name, type) < 0) {
        Py_DECREF(type);
        return false;
    }
    return true;
}

}  // namespace

PyMODINIT_FUNC PyInit_plindervox_floor() {
    PyObject* module = PyModule_Create(&MODULE);
    if (module == nullptr) return nullptr;
    move_type = reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&MOVE_CLASS));
    board_type = reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&BOARD_CLASS));
    if (move_type == nullptr || board_type == nullptr ||
        PyModule_AddObject(module, "Move", reinterpret_cast<PyObject*>(move_type)) < 0) {
        Py_DECREF(module);
        return nullptr;
    }
    Py_INCREF(move_type);  // the module took one reference; the static pointer keeps another
    if (PyModule_AddObject(module, "Board", reinterpret_cast<PyObject*>(board_type)) < 0) {
        Py_DECREF(module);
        return nullptr;
    }
    Py_INCREF(board_type);
    KEPT_INT = PyLong_FromLong(28);
    KEPT_STR = PyUnicode_FromStringAndSize(SHORT_TEXT, 4);
    if (KEPT_INT == nullptr || KEPT_STR == nullptr || !add_type(module, &PROBE_CLASS, "Probe") ||
        !add_type(module, &POSITION_CLASS, "Position")) {
        Py_DECREF(module);
        return nullptr;
    }
    probe_type = reinterpret_cast<PyTypeObject*>(PyObject_GetAttrString(module, "Probe"));  // kept for good
    if (probe_type == nullptr) {
        Py_DECREF(module);
        return nullptr;
    }
    return module;
}
