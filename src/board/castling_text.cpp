#include "board/castling_text.hpp"

#include <algorithm>
#include <array>

namespace plindervox {

// Called on a released (or fresh) record: the old text is already gone.
void CastlingText::assign(std::string_view text) {
    if (text.size() <= INLINE_BYTES) {
        if (!text.empty()) std::memcpy(cells_.bytes, text.data(), text.size());
        cells_.tag = static_cast<unsigned char>(text.size());
        return;
    }
    std::string* owned = new std::string(text);
    std::memcpy(cells_.bytes, &owned, sizeof owned);
    cells_.tag = ON_HEAP;
}

namespace {

// The RIGHT_ bit of each byte: one of the four letters, else none.
constexpr std::array<unsigned char, 256> RIGHT_OF_BYTE = [] {
    std::array<unsigned char, 256> table{};
    table['K'] = RIGHT_WHITE_KING_SIDE;
    table['Q'] = RIGHT_WHITE_QUEEN_SIDE;
    table['k'] = RIGHT_BLACK_KING_SIDE;
    table['q'] = RIGHT_BLACK_QUEEN_SIDE;
    return table;
}();

bool is_lost(char c, unsigned letters) { return (RIGHT_OF_BYTE[static_cast<unsigned char>(c)] & letters) != 0; }

}  // namespace

void CastlingText::erase_rights(unsigned letters) {
    if (cells_.tag == ON_HEAP) {
        std::erase_if(*heap(), [letters](char c) { return is_lost(c, letters); });
        return;
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < cells_.tag; ++i) {
        const char c = cells_.bytes[i];
        cells_.bytes[kept] = c;
        kept += !is_lost(c, letters);
    }
    cells_.tag = static_cast<unsigned char>(kept);
}

void CastlingText::erase(char letter) {
    if (cells_.tag == ON_HEAP) {
        std::erase(*heap(), letter);
        return;
    }
    const auto end = std::remove(cells_.bytes, cells_.bytes + cells_.tag, letter);
    cells_.tag = static_cast<unsigned char>(end - cells_.bytes);
}

}  // namespace plindervox
