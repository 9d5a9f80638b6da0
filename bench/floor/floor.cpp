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
    static const char* names[] = {"from_square", "to_square", nullptr};
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "II", const_cast<char**>(names), &from, &to)) return nullptr;
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

PyGetSetDef MOVE_PROPERTIES[] = {
    {"from_square", move_from_square, nullptr, nullptr, nullptr},
    {"to_square", move_to_square, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot MOVE_SLOTS[] = {
    {Py_tp_new, reinterpret_cast<void*>(move_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(move_dealloc)},
    {Py_tp_getset, MOVE_PROPERTIES},
    {0, nullptr},
};

PyType_Spec MOVE_SPEC = {"plindervox_floor.Move", sizeof(MoveObject), 0, Py_TPFLAGS_DEFAULT, MOVE_SLOTS};

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

PyType_Spec BOARD_SPEC = {"plindervox_floor.Board", sizeof(BoardObject), 0, Py_TPFLAGS_DEFAULT, BOARD_SLOTS};

PyModuleDef MODULE = {PyModuleDef_HEAD_INIT, "plindervox_floor", nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr};

}  // namespace

PyMODINIT_FUNC PyInit_plindervox_floor() {
    PyObject* module = PyModule_Create(&MODULE);
    if (module == nullptr) return nullptr;
    move_type = reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&MOVE_SPEC));
    board_type = reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&BOARD_SPEC));
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
    return module;
}
