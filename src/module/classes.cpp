#include "module/classes.hpp"

#include <cstring>

#include "module/errors.hpp"
#include "module/pgn_classes.hpp"

namespace plindervox::module {

namespace {

void install(PyObject* type, const FastConstructor& constructor) {
#ifdef PYPY_VERSION
    // PyPy reaches the new-object slot through a wrapper that builds the
    // argument tuple twice; a __new__ of the vector-call kind takes the
    // arguments as they are. The slot itself stays for native callers.
    Ref function(checked(PyCFunction_NewEx(const_cast<PyMethodDef*>(&constructor.new_method), nullptr, nullptr)));
    if (PyObject_SetAttrString(type, "__new__", function.get()) < 0) throw_python_error();
#else
    reinterpret_cast<PyTypeObject*>(type)->tp_vectorcall = constructor.call;
#endif
}

const char* doc_slot(const PyType_Slot* slots) {
    for (const PyType_Slot* slot = slots; slot->slot != 0; ++slot) {
        if (slot->slot == Py_tp_doc) return static_cast<const char*>(slot->pfunc);
    }
    return nullptr;
}

#ifndef PYPY_VERSION
// The class's own copy of the doc slot, which the class frees with PyObject_Free.
void restore_doc_slot(PyTypeObject* type, const char* doc) {
    std::size_t size = std::strlen(doc) + 1;
    char* copy = static_cast<char*>(PyObject_Malloc(size));
    if (copy == nullptr) {
        PyErr_NoMemory();
        throw_python_error();
    }
    std::memcpy(copy, doc, size);
    PyObject_Free(const_cast<char*>(type->tp_doc));
    type->tp_doc = copy;
}
#endif

}  // namespace

void keep_text_signature(PyObject* type, const PyType_Slot* slots) {
    const char* doc = doc_slot(slots);
    if (doc == nullptr) return;
    Ref signature(checked(PyObject_GetAttrString(type, "__text_signature__")));
    if (signature.get() != Py_None) return;
#ifdef PYPY_VERSION
    Ref text(checked(PyUnicode_FromString(doc)));
    if (PyObject_SetAttrString(type, "__doc__", text.get()) < 0) throw_python_error();
#else
    restore_doc_slot(reinterpret_cast<PyTypeObject*>(type), doc);
#endif
    PyType_Modified(reinterpret_cast<PyTypeObject*>(type));
}

PyTypeObject* create_type(const char* name, int basic_size, PyType_Slot* slots, const FastConstructor* constructor) {
    PyType_Spec description = {name, basic_size, 0, Py_TPFLAGS_DEFAULT, slots};
    Ref type(checked(PyType_FromSpec(&description)));
    if (constructor != nullptr) install(type.get(), *constructor);
    if (std::strchr(name, '.') == nullptr) {
        // A bare name carries no module; say where the class lives, so that
        // reprs, pickling errors and documentation tools name this module.
        Ref module_name(checked(PyUnicode_FromString("plindervox")));
        if (PyObject_SetAttrString(type.get(), "__module__", module_name.get()) < 0) throw_python_error();
    }
    drop_instance_dictionary(type.get());
    keep_text_signature(type.get(), slots);
    return reinterpret_cast<PyTypeObject*>(type.release());
}

namespace {

// This module's classes made so far (null for the others).
std::array<PyTypeObject*, 5> own_classes() {
    return {made_type<Board>, made_type<Move>, made_type<BoardState>, made_type<PgnGame>, made_type<PgnFile>};
}

bool is_own_class(PyTypeObject* type) {
    for (PyTypeObject* ours : own_classes()) {
        if (ours != nullptr && type == ours) return true;
    }
    return false;
}

}  // namespace

const char* class_name(PyTypeObject* type) {
    const char* dot = std::strrchr(type->tp_name, '.');
    return dot == nullptr ? type->tp_name : dot + 1;
}

std::string qualified_name(PyTypeObject* type) {
    if (!is_own_class(type)) return type->tp_name;
    return std::string("plindervox.") + class_name(type);
}

PyObject* refuse_construction(PyTypeObject* type, PyObject*, PyObject*) {
    const std::string message = std::string("No constructor defined for ") + class_name(type);
    PyErr_SetString(PyExc_TypeError, message.c_str());
    return nullptr;
}

void refuse_unmade(PyObject* object) {
    const char* name = class_name(Py_TYPE(object));
    PyErr_Format(PyExc_TypeError, "'%s' object was not made by %s(): object.__new__() leaves it empty", name, name);
    throw_python_error();
}

namespace {

// The class of this module that `self` is an instance of, or null with
// TypeError set: an unbound call may be handed anything.
PyTypeObject* own_class_of(PyObject* self) {
    for (PyTypeObject* type : own_classes()) {
        if (type != nullptr && PyObject_TypeCheck(self, type)) return type;
    }
    PyErr_Format(PyExc_TypeError, "cannot pickle '%s' object", Py_TYPE(self)->tp_name);
    return nullptr;
}

PyObject* refuse_pickling(PyObject* self, long protocol) {
    PyTypeObject* type = own_class_of(self);
    if (type == nullptr) return nullptr;
    // Protocols 0 and 1 go through copyreg, which names the class bare.
    const std::string name = protocol < 2 ? class_name(type) : qualified_name(type);
    PyErr_Format(PyExc_TypeError, "cannot pickle '%s' object", name.c_str());
    return nullptr;
}

}  // namespace

PyObject* refuse_reduce_ex(PyObject* self, PyObject* protocol) {
    Ref index(PyNumber_Index(protocol));
    if (index.get() == nullptr) return nullptr;
    const long value = PyLong_AsLong(index.get());
    if (value == -1 && PyErr_Occurred()) return nullptr;
    return refuse_pickling(self, value);
}

PyObject* refuse_reduce(PyObject* self, PyObject*) { return refuse_pickling(self, 0); }

PropertyNames intern_property_names(const PyGetSetDef* properties) {
    PropertyNames interned{};
    for (std::size_t i = 0; i < MAX_PROPERTIES && properties[i].name != nullptr; ++i) {
        interned[i] = PyUnicode_InternFromString(properties[i].name);
        if (interned[i] == nullptr) PyErr_Clear();  // that name is then always compared by its text
    }
    return interned;
}

int set_property(const PyGetSetDef* properties, const PropertyNames& interned, PyObject* self, PyObject* name,
                 PyObject* value) {
    for (std::size_t i = 0; i < MAX_PROPERTIES && properties[i].name != nullptr; ++i) {
        if (name == interned[i]) return properties[i].set(self, value, properties[i].closure);
    }
    const char* text = PyUnicode_Check(name) ? PyUnicode_AsUTF8(name) : nullptr;
    if (text == nullptr) {
        PyErr_Clear();
        PyErr_Format(PyExc_TypeError, "attribute name must be string, not '%s'", Py_TYPE(name)->tp_name);
        return -1;
    }
    for (const PyGetSetDef* property = properties; property != nullptr && property->name != nullptr; ++property) {
        if (std::strcmp(property->name, text) == 0) return property->set(self, value, property->closure);
    }
    PyErr_Format(PyExc_AttributeError, "'%s' object has no attribute '%U'", class_name(Py_TYPE(self)), name);
    return -1;
}

PyObject* refuse_subclass(PyObject* subclass, PyObject*, PyObject*) {
    return contain([&]() -> PyObject* {
        // The first of this module's classes among the new class's bases.
        PyTypeObject* base = reinterpret_cast<PyTypeObject*>(subclass);
        for (PyTypeObject* ours : own_classes()) {
            if (ours != nullptr && PyType_IsSubtype(base, ours)) base = ours;
        }
        PyErr_Format(PyExc_TypeError, "type '%s' is not an acceptable base type", qualified_name(base).c_str());
        return nullptr;
    });
}

void drop_instance_dictionary([[maybe_unused]] PyObject* type) {
#ifdef PYPY_VERSION
    PyObject* dict = reinterpret_cast<PyTypeObject*>(type)->tp_dict;
    for (const char* name : {"__dict__", "__weakref__"}) {
        if (PyDict_GetItemString(dict, name) != nullptr && PyDict_DelItemString(dict, name) < 0) {
            throw_python_error();
        }
    }
    PyType_Modified(reinterpret_cast<PyTypeObject*>(type));
#endif
}

PyObject* new_move_object(const Move& move) { return wrap_record(type_of<Move>(), Move(move)); }

}  // namespace plindervox::module
