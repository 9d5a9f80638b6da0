#include "module/kept_values.hpp"

#include <array>
#include <string>

#include "board/squares.hpp"
#include "board/text.hpp"
#include "module/errors.hpp"

namespace plindervox::module {
namespace {

// The promotions whose move texts are kept: none, q, r, n and b (see kept_promotion_index).
constexpr std::size_t KEPT_PROMOTIONS = 5;
constexpr std::size_t MOVES_PER_PROMOTION = SQUARE_COUNT * SQUARE_COUNT;
constexpr std::size_t KEPT_INTS = 256;
constexpr std::size_t KEPT_LETTERS = 128;

// Tables of kept objects: null until first asked for, then one reference each.
std::array<PyObject*, KEPT_PROMOTIONS * MOVES_PER_PROMOTION> move_texts{};
std::array<PyObject*, KEPT_INTS> ints{};
std::array<PyObject*, KEPT_LETTERS> letters{};

PyObject* fresh_text(const std::string& text) {
    return api_result(PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size())));
}

// The entry, made by `make` on first use; a new reference either way.
template <class Make>
PyObject* kept(PyObject*& entry, Make make) {
    if (entry == nullptr) entry = make();
    return new_ref(entry);
}

// The kept promotion's place among the move texts, or -1 for one whose texts are not kept.
constexpr int kept_promotion_index(char32_t promotion) {
    switch (promotion) {
        case NO_PROMOTION: return 0;
        case U'q': return 1;
        case U'r': return 2;
        case U'n': return 3;
        case U'b': return 4;
        default: return -1;
    }
}

// The table slot of a move's text, or -1 when the move's text is not kept.
std::ptrdiff_t move_text_slot(const Move& move) {
    const int promotion = kept_promotion_index(move.promotion);
    if (move.from_square >= SQUARE_COUNT || move.to_square >= SQUARE_COUNT || promotion < 0) return -1;
    return static_cast<std::ptrdiff_t>(static_cast<std::size_t>(promotion) * MOVES_PER_PROMOTION +
                                       move.from_square * SQUARE_COUNT + move.to_square);
}

}  // namespace

PyObject* move_text_object(const Move& move) {
    const std::ptrdiff_t slot = move_text_slot(move);
    if (slot < 0) return fresh_text(move_text(move));
    return kept(move_texts[static_cast<std::size_t>(slot)], [&] { return fresh_text(move_text(move)); });
}

PyObject* promotion_object(char32_t promotion) {
    if (promotion == NO_PROMOTION) return new_ref(Py_None);
    return letter_object(promotion);
}

PyObject* letter_object(char32_t letter) {
    auto make = [&] {
        std::string text;
        append_utf8(text, letter);
        return fresh_text(text);
    };
    if (letter >= KEPT_LETTERS) return make();
    return kept(letters[letter], make);
}

PyObject* small_int_object(std::uint32_t value) {
    auto make = [&] { return api_result(PyLong_FromLong(static_cast<long>(value))); };
    if (value >= KEPT_INTS) return make();
    return kept(ints[value], make);
}

}  // namespace plindervox::module
