#include "module/kept_values.hpp"

#include <array>
#include <string>

#include "board/squares.hpp"
#include "board/text.hpp"
#include "module/errors.hpp"

namespace plindervox::module {
namespace {

// The promotions whose move texts are kept; slot 0 is "no promotion".
constexpr std::array<char32_t, 5> KEPT_PROMOTIONS = {NO_PROMOTION, U'q', U'r', U'n', U'b'};
constexpr std::size_t MOVES_PER_PROMOTION = SQUARE_COUNT * SQUARE_COUNT;
constexpr std::size_t KEPT_INTS = 256;
constexpr std::size_t KEPT_LETTERS = 128;

// Tables of kept objects: null until first asked for, then one reference each.
std::array<PyObject*, KEPT_PROMOTIONS.size() * MOVES_PER_PROMOTION> move_texts{};
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

// The table slot of a move's text, or -1 when the move's text is not kept.
std::ptrdiff_t move_text_slot(const Move& move) {
    if (move.from_square >= SQUARE_COUNT || move.to_square >= SQUARE_COUNT) return -1;
    for (std::size_t promotion = 0; promotion < KEPT_PROMOTIONS.size(); ++promotion) {
        if (KEPT_PROMOTIONS[promotion] == move.promotion) {
            return static_cast<std::ptrdiff_t>(promotion * MOVES_PER_PROMOTION + move.from_square * SQUARE_COUNT +
                                               move.to_square);
        }
    }
    return -1;
}

}  // namespace

PyObject* move_text_object(const Move& move) {
    const std::ptrdiff_t slot = move_text_slot(move);
    if (slot < 0) return fresh_text(move_text(move));
    return kept(move_texts[static_cast<std::size_t>(slot)], [&] { return fresh_text(move_text(move)); });
}

PyObject* promotion_object(char32_t promotion) {
    if (promotion == NO_PROMOTION) return new_ref(Py_None);
    auto make = [&] {
        std::string text;
        append_utf8(text, promotion);
        return fresh_text(text);
    };
    if (promotion >= KEPT_LETTERS) return make();
    return kept(letters[promotion], make);
}

PyObject* small_int_object(std::uint32_t value) {
    auto make = [&] { return api_result(PyLong_FromLong(static_cast<long>(value))); };
    if (value >= KEPT_INTS) return make();
    return kept(ints[value], make);
}

}  // namespace plindervox::module
