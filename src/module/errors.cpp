#include "module/errors.hpp"

#if defined(__linux__)
#include <sys/prctl.h>
#else
#include <pthread.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace plindervox::module {
namespace {

constexpr const char* PANIC_DOC =
    "The exception raised when the extension's native code fails.\n\n"
    "Like SystemExit, it derives from BaseException rather than Exception, so that it\n"
    "normally propagates all the way up the stack and ends the interpreter.";

// Source paths are reported from the project root ("src/board/apply.cpp").
std::string_view project_path(std::string_view path) {
    const std::size_t src = path.rfind("src/");
    return src == std::string_view::npos ? path : path.substr(src);
}

// The calling thread's name. On Linux prctl asks for it directly (as
// pthread_getname_np does for the calling thread); prctl has been in glibc
// since 2.2.5, whereas pthread_getname_np links to its glibc 2.34 entry on a
// new system, and the wheels would then need glibc 2.34 to load.
std::string current_thread_name() {
    char name[64] = {};  // PR_GET_NAME writes at most 16 bytes
#if defined(__linux__)
    const bool named = prctl(PR_GET_NAME, name) == 0;
#else
    const bool named = pthread_getname_np(pthread_self(), name, sizeof name) == 0;
#endif
    if (!named || name[0] == '\0') return "<unnamed>";
    return name;
}

std::string type_qualname(PyObject* object) {
    Ref qualname(PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(object)), "__qualname__"));
    if (qualname.get() == nullptr || !PyUnicode_Check(qualname.get())) {
        PyErr_Clear();
        return "<failed to extract type name>";
    }
    const char* text = PyUnicode_AsUTF8(qualname.get());
    if (text == nullptr) {
        PyErr_Clear();
        return "<failed to extract type name>";
    }
    return text;
}

}  // namespace

PyObject* panic_exception_type() {
    static PyObject* type = nullptr;
    if (type == nullptr) {
        type = PyErr_NewExceptionWithDoc("pyo3_runtime.PanicException", PANIC_DOC, PyExc_BaseException, nullptr);
    }
    return type;
}

void raise_panic(const CoreError& failure) noexcept {
    try {
        const std::string_view path = project_path(failure.where.file_name());
        std::fprintf(stderr, "thread '%s' panicked at %.*s:%u:%u:\n", current_thread_name().c_str(),
                     static_cast<int>(path.size()), path.data(), failure.where.line(), failure.where.column());
        std::fwrite(failure.message.data(), 1, failure.message.size(), stderr);  // the text may hold NULs
        std::fputc('\n', stderr);
        PyObject* type = panic_exception_type();
        if (type == nullptr) abort_uncaught();
        Ref message(PyUnicode_FromStringAndSize(failure.message.data(), static_cast<Py_ssize_t>(failure.message.size())));
        if (message.get() == nullptr) abort_uncaught();
        PyErr_SetObject(type, message.get());
    } catch (...) {
        abort_uncaught();
    }
}

void api_call_failed(SourceLocation where) {
    PyErr_Print();
    throw CoreError{"Python API call failed", where};
}

void type_mismatch(PyObject* object, const char* target) {
    const std::string message = "'" + type_qualname(object) + "' object cannot be converted to '" + target + "'";
    PyErr_SetString(PyExc_TypeError, message.c_str());
    throw_python_error();
}

void name_argument_error(const char* name) {
    if (!PyErr_ExceptionMatches(PyExc_TypeError)) return;
    PyObject* type = nullptr;
    PyObject* value = nullptr;
    PyObject* traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    PyErr_NormalizeException(&type, &value, &traceback);
    Ref original_type(type);
    Ref original(value);
    Ref original_traceback(traceback);
    if (type != PyExc_TypeError) {  // a subclass of TypeError passes unchanged
        PyErr_Restore(original_type.release(), original.release(), original_traceback.release());
        return;
    }
    Ref message(PyUnicode_FromFormat("argument '%s': %S", name, value));
    if (message.get() == nullptr) return;
    Ref renamed(PyObject_CallOneArg(PyExc_TypeError, message.get()));
    if (renamed.get() == nullptr) return;
    PyException_SetCause(renamed.get(), PyException_GetCause(value));
    PyErr_SetObject(PyExc_TypeError, renamed.get());
}

void abort_uncaught() noexcept {
    std::fputs("uncaught panic at ffi boundary\n", stderr);
    std::abort();
}

}  // namespace plindervox::module
