// The host interpreter's C API, and the one C++ signal the binding uses for
// "a Python exception is already set; unwind to the entry point".
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace plindervox::module {

struct PythonError {};

[[noreturn]] inline void throw_python_error() { throw PythonError{}; }

// Result of a C-API call that returns a new reference or null with an error set.
inline PyObject* checked(PyObject* object) {
    if (object == nullptr) throw_python_error();
    return object;
}

// A new reference to an object the caller only borrows.
inline PyObject* new_ref(PyObject* object) {
    Py_INCREF(object);
    return object;
}

// Owns one reference and drops it at scope exit.
struct Ref {
    PyObject* object = nullptr;
    explicit Ref(PyObject* owned) : object(owned) {}
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    ~Ref() { Py_XDECREF(object); }
    PyObject* get() const { return object; }
    PyObject* release() {
        PyObject* owned = object;
        object = nullptr;
        return owned;
    }
};

}  // namespace plindervox::module
