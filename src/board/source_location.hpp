// Where in the sources a failure was raised. std::source_location where the
// standard library provides it; libstdc++ leaves it out under compilers that
// lack __builtin_source_location (clang before 15), and there a record built
// from the older per-field builtins stands in with the same four accessors.
#pragma once

#include <version>

#if defined(__cpp_lib_source_location)
#include <source_location>

namespace plindervox {
using SourceLocation = std::source_location;
}  // namespace plindervox

#else

namespace plindervox {

class SourceLocation {
public:
    static constexpr SourceLocation current(const char* file = __builtin_FILE(),
                                            const char* function = __builtin_FUNCTION(),
                                            unsigned line = __builtin_LINE(),
                                            unsigned column = __builtin_COLUMN()) noexcept {
        SourceLocation location;
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

}  // namespace plindervox

#endif
