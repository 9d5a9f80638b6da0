// Rows of the method and property tables.
#pragma once

#include "module/python.hpp"

namespace plindervox::module {

template <class Function>
PyMethodDef method_row(const char* name, Function function, int flags, const char* doc) {
    return PyMethodDef{name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function)), flags, doc};
}

template <class Function>
PyMethodDef no_arguments(const char* name, Function function, const char* doc) {
    return method_row(name, function, METH_NOARGS, doc);
}

template <class Function>
PyMethodDef with_arguments(const char* name, Function function, const char* doc) {
    return method_row(name, function, METH_FASTCALL | METH_KEYWORDS, doc);
}

template <class Function>
PyMethodDef class_method_with_arguments(const char* name, Function function, const char* doc) {
    return method_row(name, function, METH_FASTCALL | METH_KEYWORDS | METH_CLASS, doc);
}

inline constexpr PyMethodDef END_OF_METHODS = {nullptr, nullptr, 0, nullptr};
inline constexpr PyGetSetDef END_OF_PROPERTIES = {nullptr, nullptr, nullptr, nullptr, nullptr};

}  // namespace plindervox::module
