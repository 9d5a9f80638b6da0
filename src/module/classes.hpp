// The Python classes: each instance is the object header, one core record
// held by value and, where calls borrow it, a borrow counter. Class objects
// are created on first use.
#pragma once

#include <array>
#include <new>
#include <string>
#include <type_traits>
#include <utility>

#include "board/board.hpp"
#include "module/borrow.hpp"
#include "module/python.hpp"

namespace plindervox::module {

// Whether calls borrow a record's objects. A Move's members never run Python
// code while they hold one (its setters convert the value first, and nothing
// calls back), so with the interpreter lock no call can meet another call's
// borrow of a Move: its objects carry no counter, which also makes each of
// the many a perft creates smaller. A build without that lock borrows every object.
template <class Record> inline constexpr bool takes_borrows = true;
#ifndef Py_GIL_DISABLED
template <> inline constexpr bool takes_borrows<Move> = false;
#endif

// PyPy makes instances of these classes behind their constructors' back:
// object.__new__(Board), and copyreg's reconstructor that calls it, hand out
// an instance whose memory PyPy allocated zero-filled and whose record was
// never constructed (CPython refuses object.__new__ for such a class itself).
// So under PyPy every instance this module makes carries a mark: members
// refuse an instance without it, and its destruction leaves the record alone.
#ifdef PYPY_VERSION
struct MadeMark {
    bool made;
};
#else
struct MadeMark {};
#endif

template <class Record, bool with_counter = takes_borrows<Record>>
struct Instance {
    PyObject_HEAD
    Record record;
    BorrowFlag borrow_flag;
    [[no_unique_address]] MadeMark mark;
};

template <class Record>
struct Instance<Record, false> {
    PyObject_HEAD
    Record record;
    [[no_unique_address]] MadeMark mark;
};

template <class Record>
Instance<Record>& instance_of(PyObject* object) {
    return *reinterpret_cast<Instance<Record>*>(object);
}

// Whether the instance's record was made by this module (always so under CPython).
template <class Record>
[[gnu::always_inline]] inline bool was_made(const Instance<Record>& instance) {
#ifdef PYPY_VERSION
    return instance.mark.made;
#else
    (void)instance;
    return true;
#endif
}

// The new-object slot of a class Python code cannot instantiate: TypeError
// "No constructor defined for <class>".
PyObject* refuse_construction(PyTypeObject* type, PyObject* args, PyObject* kwargs);

// TypeError for an instance whose record was never made.
[[noreturn]] void refuse_unmade(PyObject* object);

// The instance of an object already known to be of the record's class,
// refused when its record was never made.
template <class Record>
[[gnu::always_inline]] inline Instance<Record>& made_instance(PyObject* object) {
    auto& instance = instance_of<Record>(object);
    if (!was_made(instance)) [[unlikely]] refuse_unmade(object);
    return instance;
}

// The borrow a call takes of an instance for its duration (nothing where its
// record takes no borrows); raises RuntimeError on a conflict.
template <class Record>
[[nodiscard]] auto borrow(Instance<Record>& instance, Access access) {
    if constexpr (takes_borrows<Record>) {
        return Borrow(instance.borrow_flag, access);
    } else {
        return NoBorrow{};
    }
}

// Each returns the class object, creating it once; throws PythonError when creation fails.
PyTypeObject* board_type();
PyTypeObject* move_type();
PyTypeObject* board_state_type();

// Each class object once made, where the members that check a receiver or
// an argument on every call read it without a call or a once-only guard.
template <class Record> inline PyTypeObject* made_type = nullptr;

// The class object that holds a record type.
template <class Record> PyTypeObject* make_type();
template <> inline PyTypeObject* make_type<Board>() { return board_type(); }
template <> inline PyTypeObject* make_type<Move>() { return move_type(); }
template <> inline PyTypeObject* make_type<BoardState>() { return board_state_type(); }
template <class Record> PyTypeObject* type_of() {
    PyTypeObject* type = made_type<Record>;
    return type != nullptr ? type : make_type<Record>();
}

// The name a class is created with. CPython warns about a heap type whose
// name has no module part; PyPy keeps the bare name and is told the module.
#ifdef PYPY_VERSION
#define PLINDERVOX_CLASS_NAME(name) name
#else
#define PLINDERVOX_CLASS_NAME(name) "plindervox." name
#endif

// The cheap ways to call a class's constructor (Constructor in wrappers.hpp):
// CPython's vector call of the class, and PyPy's vector-call __new__.
struct FastConstructor {
    vectorcallfunc call;
    PyMethodDef new_method;
};

// The docstring of the __new__ that PyPy gets (see install in classes.cpp):
// the text the interpreters give a class's __new__, after a text signature
// block. PyPy 8.0.1's inspect takes that built-in for the constructor and
// reads its text signature, so the block is what inspect.signature(Board)
// shows there, the class parameter dropped. The class is an ordinary
// positional parameter, not a `$` one: the built-in receives it among its
// arguments, whether or not the interpreter also gives it a __self__, which
// would drop a `$` parameter a second time.
#define PLINDERVOX_NEW_DOC(parameters) \
    "__new__(cls, /, " parameters ")\n--\n\n" \
    "Create and return a new object.  See help(type) for accurate signature."

// A heap type from its name (a string literal), instance size and slots, with
// the fast constructor installed for the running interpreter when given.
PyTypeObject* create_type(const char* name, int basic_size, PyType_Slot* slots,
                          const FastConstructor* constructor = nullptr);

// The class's bare name ("Board"), as every message of this module gives it.
const char* class_name(PyTypeObject* type);

// The name CPython's own messages give a class: "plindervox.Board" for this
// module's classes (PyPy keeps them bare), the type's name for any other.
std::string qualified_name(PyTypeObject* type);

// Under CPython with the interpreter lock, an instance's memory comes from
// the object allocator directly: the classes are neither subclassable nor
// collected and carry no dictionary, so CPython's own allocation of one comes
// down to that and the header's initialisation, plus a clearing of the memory
// that the record's constructor makes needless. PyPy, and a build without
// the lock, allocate through the class.
#if !defined(PYPY_VERSION) && !defined(Py_GIL_DISABLED)
#define PLINDERVOX_DIRECT_ALLOCATION 1
#else
#define PLINDERVOX_DIRECT_ALLOCATION 0
#endif

// Dropped Move instances whose memory is kept for the next ones: loops such
// as a perft make and drop Move objects by the million, and reuse spares the
// allocator a call each way (CPython keeps its floats the same way). At most
// CAPACITY are kept, a few kilobytes; only the interpreter lock guards them.
template <class Record> inline constexpr bool keeps_spares = false;
template <> inline constexpr bool keeps_spares<Move> = PLINDERVOX_DIRECT_ALLOCATION;

struct SpareInstances {
    static constexpr std::size_t CAPACITY = 256;
    std::array<void*, CAPACITY> memory;
    std::size_t count = 0;
};
template <class Record> inline SpareInstances spare_instances;

// Memory for a new instance of `type`, its header set; null with an error set on failure.
template <class Record>
PyObject* allocate_instance(PyTypeObject* type) {
#if PLINDERVOX_DIRECT_ALLOCATION
    void* memory = nullptr;
    if constexpr (keeps_spares<Record>) {
        SpareInstances& spares = spare_instances<Record>;
        if (spares.count != 0) memory = spares.memory[--spares.count];
    }
    if (memory == nullptr) memory = PyObject_Malloc(static_cast<std::size_t>(type->tp_basicsize));
    if (memory == nullptr) return PyErr_NoMemory();
    return PyObject_Init(static_cast<PyObject*>(memory), type);
#else
    return type->tp_alloc(type, 0);
#endif
}

// Gives back the memory of an instance whose record is gone.
template <class Record>
void free_instance(PyTypeObject* type, PyObject* object) {
#if PLINDERVOX_DIRECT_ALLOCATION
    (void)type;
    if constexpr (keeps_spares<Record>) {
        SpareInstances& spares = spare_instances<Record>;
        if (spares.count != SpareInstances::CAPACITY) {
            spares.memory[spares.count++] = object;
            return;
        }
    }
    PyObject_Free(object);
#else
    type->tp_free(object);
#endif
}

// A new instance of `type` owning `record`; null with an error set on failure.
template <class Record>
PyObject* wrap_record(PyTypeObject* type, Record&& record) {
    using Kind = std::remove_cvref_t<Record>;
    PyObject* object = allocate_instance<Kind>(type);
    if (object == nullptr) return nullptr;
    auto& instance = instance_of<Kind>(object);
    new (&instance.record) Kind(std::forward<Record>(record));
    if constexpr (takes_borrows<Kind>) new (&instance.borrow_flag) BorrowFlag(0);
#ifdef PYPY_VERSION
    instance.mark.made = true;
#endif
    return object;
}

template <class Record>
void dealloc_instance(PyObject* object) {
    PyTypeObject* type = Py_TYPE(object);
    auto& instance = instance_of<Record>(object);
    if (was_made(instance)) instance.record.~Record();
    free_instance<Record>(type, object);
#ifndef PYPY_VERSION
    Py_DECREF(type);  // the header's reference to the heap type, taken when the instance was made
#endif
}

// Instances take no attributes beyond the class's properties (PyPy would
// otherwise give them an attribute dictionary): a set or delete is handed to
// the property's own setter, any other name is refused.
//
// The interpreters pass an attribute name written in code as its interned
// str, so the properties' interned names are kept (`interned`, one per
// property, made on first use) and compared by identity first; any other str
// is compared by its text.
inline constexpr std::size_t MAX_PROPERTIES = 4;
using PropertyNames = std::array<PyObject*, MAX_PROPERTIES>;
PropertyNames intern_property_names(const PyGetSetDef* properties);
int set_property(const PyGetSetDef* properties, const PropertyNames& interned, PyObject* self, PyObject* name,
                 PyObject* value);

template <const PyGetSetDef* properties>
int set_property_only(PyObject* self, PyObject* name, PyObject* value) {
    static const PropertyNames interned = intern_property_names(properties);
    return set_property(properties, interned, self, name, value);
}

// Subclassing is refused, as a class without the base-type flag should be;
// PyPy does not enforce the flag, so each class also refuses in __init_subclass__.
PyObject* refuse_subclass(PyObject* subclass, PyObject* args, PyObject* kwargs);
inline const PyMethodDef REFUSE_SUBCLASS = {
    "__init_subclass__", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(refuse_subclass)),
    METH_VARARGS | METH_KEYWORDS | METH_CLASS, nullptr};

// Copying and pickling are refused: a record cannot be rebuilt from what
// pickle keeps. CPython refuses them itself (object.__reduce_ex__ finds
// native state it cannot save); PyPy's object.__reduce_ex__ does not look,
// and would hand copy and pickle a recipe that rebuilds a fresh board,
// silently dropping the position. Under PyPy each class therefore has its
// own __reduce_ex__ and __reduce__ that raise CPython's TypeError: "cannot
// pickle 'Board' object" for protocols 0 and 1 and __reduce__, "cannot
// pickle 'plindervox.Board' object" for protocol 2 and above.
PyObject* refuse_reduce_ex(PyObject* self, PyObject* protocol);
PyObject* refuse_reduce(PyObject* self, PyObject*);

// The rows every class's method table ends with.
#ifdef PYPY_VERSION
#define PLINDERVOX_CLASS_ROWS                                                                      \
    REFUSE_SUBCLASS, PyMethodDef{"__reduce_ex__", refuse_reduce_ex, METH_O, nullptr},               \
        PyMethodDef{"__reduce__", refuse_reduce, METH_NOARGS, nullptr}
#else
#define PLINDERVOX_CLASS_ROWS REFUSE_SUBCLASS
#endif

// PyPy gives the instances of a class made by PyType_FromSpec an attribute
// dictionary and weak-reference slot anyway, and puts their descriptors in
// the class. Without the descriptors the class reads as CPython makes it:
// obj.__dict__ and obj.__weakref__ are missing and vars(obj) is refused,
// while setting an attribute still goes through set_property. Does nothing
// under CPython; throws PythonError on failure.
void drop_instance_dictionary(PyObject* type);

// Some interpreters' PyType_FromSpec take the signature block off the doc
// slot, and Board.__text_signature__ (and with it inspect.signature(Board))
// loses the constructor's parameters: CPython 3.9 keeps only the rest of the
// docstring in the class's doc slot, from which it reads the signature; PyPy
// 3.11 before 7.3.22 keeps a class's text signature only for static types and
// for a heap type reads it from the class's __doc__. Where the signature was
// dropped, the whole doc slot goes back where the interpreter reads it: the
// class's doc slot (CPython), its __doc__ (PyPy). Does nothing where it
// survived; throws PythonError on failure.
void keep_text_signature(PyObject* type, const PyType_Slot* slots);

// A new Move object holding a copy of the record; null with an error set on failure.
PyObject* new_move_object(const Move& move);

}  // namespace plindervox::module
