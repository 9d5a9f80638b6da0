#include "board/castling_text.hpp"

#include <algorithm>

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

void CastlingText::erase(char letter) {
    if (cells_.tag == ON_HEAP) {
        std::erase(*heap(), letter);
        return;
    }
    const auto end = std::remove(cells_.bytes, cells_.bytes + cells_.tag, letter);
    cells_.tag = static_cast<unsigned char>(end - cells_.bytes);
}

}  // namespace plindervox
