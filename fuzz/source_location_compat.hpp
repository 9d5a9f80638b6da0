// Forced into every fuzz build translation unit (-include). clang 14 has no
// __builtin_source_location, so libstdc++'s <source_location> comes out empty
// there; this stands in with the older builtins. Only the clang builds (fuzz
// targets, the sanitized and the debug-interpreter module) see it.
#pragma once

#include <source_location>

#ifndef __cpp_lib_source_location
namespace std {
struct source_location {
    static constexpr source_location current(const char* file = __builtin_FILE(),
                                             const char* function = __builtin_FUNCTION(),
                                             unsigned line = __builtin_LINE(),
                                             unsigned column = __builtin_COLUMN()) noexcept {
        source_location location;
        location.file_ = file;
        location.function_ = function;
        location.line_ = line;
        location.column_ = column;
        return location;
    }
    constexpr const char* file_name() const noexcept { return file_; }
    constexpr const char* function_name() const noexcept { return function_; }
    constexpr unsigned line() const noexcept { return line_; }
    constexpr unsigned column() const noexcept { return column_; }

private:
    const char* file_ = "";
    const char* function_ = "";
    unsigned line_ = 0;
    unsigned column_ = 0;
};
}  // namespace std
#endif
