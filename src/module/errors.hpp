// Turning failures into Python exceptions: core failures become
// PanicException, binding failures the standard exception types.
#pragma once

#include <new>
#include <string>

#include "board/error.hpp"
#include "module/python.hpp"

namespace plindervox::module {

// The PanicException class, created on first use; it derives from
// BaseException so that `except Exception` does not swallow it.
PyObject* panic_exception_type();

// Writes the diagnostic to standard error and sets PanicException(message).
void raise_panic(const CoreError& failure) noexcept;

// Prints the pending host error and fails with "Python API call failed".
[[noreturn]] void api_call_failed(SourceLocation where = SourceLocation::current());

// The object a host call created (an int, a str, a list); a null result is a
// failed API call as above.
inline PyObject* api_result(PyObject* object, SourceLocation where = SourceLocation::current()) {
    if (object == nullptr) api_call_failed(where);
    return object;
}

// TypeError "'<type qualname>' object cannot be converted to '<target>'".
[[noreturn]] void type_mismatch(PyObject* object, const char* target);

// A TypeError raised while converting an argument is replaced by one whose
// message starts "argument '<name>': "; other errors pass unchanged.
void name_argument_error(const char* name);

// Writes "uncaught panic at ffi boundary" and aborts the process.
[[noreturn]] void abort_uncaught() noexcept;

template <class Result>
constexpr Result error_result() {
    if constexpr (std::is_pointer_v<Result>) {
        return nullptr;
    } else {
        return -1;
    }
}

// Runs one wrapper body and contains every failure at the boundary: nothing
// but a set Python exception and the error result ever leaves it.
template <class Body>
auto contain(Body&& body) noexcept -> decltype(body()) {
    try {
        return body();
    } catch (const PythonError&) {
    } catch (const CoreError& failure) {
        raise_panic(failure);
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (...) {
        abort_uncaught();
    }
    return error_result<decltype(body())>();
}

}  // namespace plindervox::module
