// The castling-rights text of a position: absent, or present with any bytes
// in any number, kept verbatim (order, duplicates and foreign characters
// included). It is copied into every snapshot, so its common forms ("KQkq"
// and shorter) are held inside the record and copy as sixteen bytes; a text
// longer than INLINE_BYTES moves to the heap, and each copy of it owns its own.
#pragma once

#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace plindervox {

// The four castling letters as bits, so that a move can name at once every
// right it takes away.
inline constexpr unsigned RIGHT_WHITE_KING_SIDE = 1;   // "K"
inline constexpr unsigned RIGHT_WHITE_QUEEN_SIDE = 2;  // "Q"
inline constexpr unsigned RIGHT_BLACK_KING_SIDE = 4;   // "k"
inline constexpr unsigned RIGHT_BLACK_QUEEN_SIDE = 8;  // "q"

class CastlingText {
public:
    static constexpr std::size_t INLINE_BYTES = 15;

    CastlingText() noexcept = default;  // absent
    CastlingText(std::nullopt_t) noexcept {}
    CastlingText(std::string_view text) { assign(text); }
    CastlingText(const std::string& text) : CastlingText(std::string_view(text)) {}
    CastlingText(const char* text) : CastlingText(std::string_view(text)) {}
    CastlingText(const std::optional<std::string>& text) {
        if (text) assign(*text);
    }

    CastlingText(const CastlingText& other) : cells_(other.cells_) {
        if (cells_.tag == ON_HEAP) assign(*other);
    }
    CastlingText(CastlingText&& other) noexcept : cells_(other.cells_) { other.cells_.tag = ABSENT; }
    // The copy is made before the old text goes, so a failed allocation
    // leaves this text as it was.
    CastlingText& operator=(const CastlingText& other) {
        if (this != &other) *this = CastlingText(other);
        return *this;
    }
    CastlingText& operator=(CastlingText&& other) noexcept {
        if (this != &other) {
            release();
            take_from(other);
        }
        return *this;
    }
    ~CastlingText() { release(); }

    bool has_value() const { return cells_.tag != ABSENT; }
    explicit operator bool() const { return has_value(); }
    // The text; only for a present one.
    std::string_view operator*() const {
        return cells_.tag == ON_HEAP ? std::string_view(*heap()) : std::string_view(cells_.bytes, cells_.tag);
    }

    // Makes the text absent.
    void reset() noexcept {
        release();
        cells_.tag = ABSENT;
    }
    // Takes every occurrence of the byte out of a present text, keeping the
    // rest in order.
    void erase(char letter);
    // Takes every occurrence of the castling letters named by `letters` (a
    // union of the RIGHT_ bits below) out of a present text in one pass.
    void erase_rights(unsigned letters);
    // The present text holds one of the two bytes.
    bool contains_either(char first, char second) const {
        for (const char c : **this) {
            if (c == first || c == second) return true;
        }
        return false;
    }

    friend bool operator==(const CastlingText& a, const CastlingText& b) {
        return a.has_value() == b.has_value() && (!a.has_value() || *a == *b);
    }
    friend bool operator==(const CastlingText& a, const std::optional<std::string>& b) {
        return a.has_value() == b.has_value() && (!a.has_value() || *a == *b);
    }

private:
    static constexpr unsigned char ABSENT = 0xFF;
    static constexpr unsigned char ON_HEAP = 0xFE;

    // Kept as one trivially copyable block so that an inline text copies in one go.
    struct Cells {
        char bytes[INLINE_BYTES] = {};  // an inline text, or the address of the heap text
        unsigned char tag = ABSENT;     // the inline text's length, ABSENT or ON_HEAP
    };
    Cells cells_;

    std::string* heap() const {
        std::string* text;
        std::memcpy(&text, cells_.bytes, sizeof text);
        return text;
    }
    void assign(std::string_view text);
    void take_from(CastlingText& other) noexcept {
        cells_ = other.cells_;
        other.cells_.tag = ABSENT;
    }
    void release() noexcept {
        if (cells_.tag == ON_HEAP) delete heap();
    }
};

}  // namespace plindervox
