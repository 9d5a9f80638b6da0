#include "module/arguments.hpp"

#include <cstring>
#include <vector>

namespace plindervox::module {
namespace {

[[noreturn]] void raise_type_error(const std::string& message) {
    PyErr_SetString(PyExc_TypeError, message.c_str());
    throw_python_error();
}

[[noreturn]] void too_many_positional(const FunctionDescription& d, std::size_t given) {
    std::string message = d.full_name() + " takes ";
    const std::size_t most = d.positional_count();
    if (d.required == most) {
        message += std::to_string(most);
    } else {
        message += "from " + std::to_string(d.required) + " to " + std::to_string(most);
    }
    message += " positional arguments but " + std::to_string(given) + (given == 1 ? " was" : " were") + " given";
    raise_type_error(message);
}

// 'a'; 'a' and 'b'; 'a', 'b', and 'c'
std::string quoted_name_list(const std::vector<const char*>& names) {
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) {
            if (names.size() > 2) list += ",";
            list += i + 1 == names.size() ? " and " : " ";
        }
        list += std::string("'") + names[i] + "'";
    }
    return list;
}

void check_required_present(const FunctionDescription& d, PyObject* const* slots) {
    std::vector<const char*> missing;
    for (std::size_t i = 0; i < d.required; ++i) {
        if (slots[i] == nullptr) missing.push_back(d.parameters[i]);
    }
    if (missing.empty()) return;
    raise_type_error(d.full_name() + " missing " + std::to_string(missing.size()) + " required positional " +
                     (missing.size() == 1 ? "argument" : "arguments") + ": " + quoted_name_list(missing));
}

void fill_positional(const FunctionDescription& d, PyObject* const* positional, std::size_t count, PyObject** slots) {
    if (count > d.positional_count()) too_many_positional(d, count);
    for (std::size_t i = 0; i < count; ++i) slots[i] = positional[i];
}

void fill_keyword(const FunctionDescription& d, PyObject* name, PyObject* value, PyObject** slots) {
    Py_ssize_t length = 0;
    const char* text = PyUnicode_Check(name) ? PyUnicode_AsUTF8AndSize(name, &length) : nullptr;
    if (text != nullptr) {
        for (std::size_t i = 0; i < d.parameter_count; ++i) {
            if (std::strlen(d.parameters[i]) != static_cast<std::size_t>(length) ||
                std::memcmp(d.parameters[i], text, length) != 0) {
                continue;
            }
            if (slots[i] != nullptr) {
                raise_type_error(d.full_name() + " got multiple values for argument '" + d.parameters[i] + "'");
            }
            slots[i] = value;
            return;
        }
    }
    PyErr_Clear();
    Ref rendered(checked(PyObject_Str(name)));
    const char* rendered_text = PyUnicode_AsUTF8(rendered.get());
    if (rendered_text == nullptr) throw_python_error();
    raise_type_error(d.full_name() + " got an unexpected keyword argument '" + rendered_text + "'");
}

}  // namespace

void match_vectorcall(const FunctionDescription& d, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                      PyObject** slots) {
    const auto positional = static_cast<std::size_t>(PyVectorcall_NARGS(nargs));
    fill_positional(d, args, positional, slots);
    if (kwnames == nullptr && positional >= d.required) return;  // the common call: every required one by position
    if (kwnames != nullptr) {
        const Py_ssize_t keywords = PyTuple_GET_SIZE(kwnames);
        for (Py_ssize_t i = 0; i < keywords; ++i) {
            fill_keyword(d, PyTuple_GET_ITEM(kwnames, i), args[positional + i], slots);
        }
    }
    check_required_present(d, slots);
}

void match_tuple_and_dict(const FunctionDescription& d, PyObject* args, PyObject* kwargs, PyObject** slots) {
    // A tuple's items lie in one array, as a vector call's arguments do.
    fill_positional(d, &PyTuple_GET_ITEM(args, 0), static_cast<std::size_t>(PyTuple_GET_SIZE(args)), slots);
    if (kwargs != nullptr) {
        Py_ssize_t pos = 0;
        PyObject* name = nullptr;
        PyObject* value = nullptr;
        while (PyDict_Next(kwargs, &pos, &name, &value)) fill_keyword(d, name, value, slots);
    }
    check_required_present(d, slots);
}

}  // namespace plindervox::module
