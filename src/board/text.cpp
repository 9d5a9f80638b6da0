#include "board/text.hpp"

#include <algorithm>
#include <utility>

#include "board/unicode_case_tables.hpp"

namespace plindervox {

char32_t next_char(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80) return lead;
    const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    char32_t c = lead & (0x3F >> extra);
    for (int i = 0; i < extra && pos < text.size(); ++i) {
        c = (c << 6) | (static_cast<unsigned char>(text[pos++]) & 0x3F);
    }
    return c;
}

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

namespace {

template <std::size_t N>
bool in_ranges(const std::pair<char32_t, char32_t> (&ranges)[N], char32_t c) {
    const auto* it = std::upper_bound(std::begin(ranges), std::end(ranges), c,
                                      [](char32_t value, const auto& range) { return value < range.first; });
    return it != std::begin(ranges) && c <= (it - 1)->second;
}

}  // namespace

bool is_uppercase(char32_t c) {
    if (c < 0x80) return c >= 'A' && c <= 'Z';
    return in_ranges(UPPERCASE_RANGES, c);
}

bool is_lowercase(char32_t c) {
    if (c < 0x80) return c >= 'a' && c <= 'z';
    return in_ranges(LOWERCASE_RANGES, c);
}

}  // namespace plindervox
