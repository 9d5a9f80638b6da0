// The module entry point: creates the module once per process and adds
// Board, Move and hello_world, each also listed in __all__.
#include <cstdio>
#include <cstring>
#include <cerrno>

#include "module/classes.hpp"
#include "module/errors.hpp"

namespace plindervox::module {
namespace {

// Writes the greeting through the native standard output, flushed at its newline.
PyObject* hello_world(PyObject*, PyObject*) {
    return contain([]() -> PyObject* {
        if (std::fputs("Hello World!\n", stdout) < 0 || std::fflush(stdout) != 0) {
            fail(std::string("failed printing to stdout: ") + std::strerror(errno));
        }
        return new_ref(Py_None);
    });
}

PyMethodDef HELLO_WORLD = {"hello_world", hello_world, METH_NOARGS, "hello_world()\n--\n\n"};

PyModuleDef MODULE = {PyModuleDef_HEAD_INIT, "plindervox", "", 0, nullptr, nullptr, nullptr, nullptr, nullptr};

// Appends the name to __all__ (creating the list on first use) and sets the attribute.
void add_name(PyObject* module, const char* name, PyObject* value) {
    Ref names(PyObject_GetAttrString(module, "__all__"));
    if (names.get() == nullptr) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) throw_python_error();
        PyErr_Clear();
        names.object = checked(PyList_New(0));
        if (PyObject_SetAttrString(module, "__all__", names.get()) < 0) throw_python_error();
    }
    Ref text(checked(PyUnicode_FromString(name)));
    if (PyList_Append(names.get(), text.get()) < 0) throw_python_error();
    if (PyObject_SetAttrString(module, name, value) < 0) throw_python_error();
}

void fill_module(PyObject* module) {
    add_name(module, "Board", reinterpret_cast<PyObject*>(board_type()));
    add_name(module, "Move", reinterpret_cast<PyObject*>(move_type()));
    Ref module_name(checked(PyObject_GetAttrString(module, "__name__")));
    Ref function(checked(PyCFunction_NewEx(&HELLO_WORLD, module, module_name.get())));
    Ref function_name(checked(PyObject_GetAttrString(function.get(), "__name__")));
    const char* name = PyUnicode_AsUTF8(function_name.get());
    if (name == nullptr) throw_python_error();
    add_name(module, name, function.get());
}

PyObject* create_module() {
    static PyObject* created = nullptr;
    if (created != nullptr) return new_ref(created);
    Ref module(checked(PyModule_Create2(&MODULE, 1013)));
    fill_module(module.get());
    created = new_ref(module.get());
    return module.release();
}

}  // namespace
}  // namespace plindervox::module

PyMODINIT_FUNC PyInit_plindervox() {
    return plindervox::module::contain([] { return plindervox::module::create_module(); });
}
