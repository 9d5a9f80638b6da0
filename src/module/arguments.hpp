// Matching a call's positional and keyword arguments to a member's declared
// parameters, with every argument-count and keyword message made in one place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "module/python.hpp"

namespace plindervox::module {

// Every parameter may be passed by keyword, the first `positional` of them
// (all, unless said) by position too; the first `required` must be given.
struct FunctionDescription {
    const char* class_name;
    const char* member_name;
    const char* const* parameters;
    std::size_t parameter_count;
    std::size_t required;
    std::size_t positional = SIZE_MAX;

    std::size_t positional_count() const { return positional < parameter_count ? positional : parameter_count; }

    std::string full_name() const { return std::string(class_name) + "." + member_name + "()"; }
};

// Fills `slots` (one per parameter, null when absent) from a vector call:
// `args` holds the positional arguments, then the values of `kwnames`.
void match_vectorcall(const FunctionDescription& description, PyObject* const* args, Py_ssize_t nargs,
                      PyObject* kwnames, PyObject** slots);

// match_vectorcall with the common call, every argument by position and none
// missing, settled inline: it is the whole of the matching on every hot call.
inline void match_arguments(const FunctionDescription& description, PyObject* const* args, Py_ssize_t nargs,
                            PyObject* kwnames, PyObject** slots) {
    const auto positional = static_cast<std::size_t>(PyVectorcall_NARGS(nargs));
    if (kwnames == nullptr && positional >= description.required && positional <= description.positional_count())
        [[likely]] {
        for (std::size_t i = 0; i < positional; ++i) slots[i] = args[i];
        return;
    }
    match_vectorcall(description, args, nargs, kwnames, slots);
}

// The same for a constructor's argument tuple and keyword dictionary.
void match_tuple_and_dict(const FunctionDescription& description, PyObject* args, PyObject* kwargs,
                          PyObject** slots);

}  // namespace plindervox::module
