// UTF-8 helpers: the core keeps texts as UTF-8 and reads them character by
// character (Unicode scalar values), never byte by byte.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace plindervox {

// Decodes the character starting at text[pos] and advances pos past it.
// The texts come from Python str objects, so they are valid UTF-8.
char32_t next_char(std::string_view text, std::size_t& pos);

void append_utf8(std::string& out, char32_t c);

// Unicode's Uppercase and Lowercase properties.
bool is_uppercase(char32_t c);
bool is_lowercase(char32_t c);

}  // namespace plindervox
