// Sequences of operations on one board, as a Python caller could issue them:
// direct piece-set writes with any letter and mask, turn flips, apply_move
// with any squares and promotion character, undo, reloading, removing
// castling rights with any character, and moves picked from the generated
// lists. Each step checks its own effect, and after every step the stacks
// have the same length as the record of applied moves, with the same top
// entry; each undo gives back exactly the position its move found. At the
// end the whole history is compared with the record. The costly checks run
// on the final position of a sample of the inputs, picked by a hash of the
// bytes: on one in READ_SAMPLE every read operation must leave the board
// untouched and agree with the others, and on one in DEEP_SAMPLE every
// generated move is also applied and taken back and the generators are
// compared with the reference implementation. Inputs that differ only in
// bytes the steps leave unread end in the same position, so every position
// the steps reach gets every check on some input.
//
// Input layout: one byte picks the starting position (the last choice reads
// a length byte and that many bytes of position text); then each step is an
// operation byte followed by its arguments.
#include <array>
#include <optional>

#include "fuzz_support.hpp"

namespace plindervox::fuzz {
namespace {

// One input in READ_SAMPLE gets the read checks, one in DEEP_SAMPLE also the
// round trips and the reference comparison (DEEP_SAMPLE a multiple of READ_SAMPLE).
constexpr std::uint64_t READ_SAMPLE = 4;
constexpr std::uint64_t DEEP_SAMPLE = 16;

std::uint64_t fnv1a(const std::uint8_t* data, std::size_t size) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 0x100000001b3ULL;
    return hash;
}

const std::array<const char*, 9> POSITIONS = {
    STANDARD_START_FEN,
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
    "r3k2r/1P4P1/8/8/8/8/1p4p1/R3K2R b KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "8/8/8/8/8/8/8/8 w KQkq e3 18446744073709551615 0",
    "r3k2r/8/8/8/8/8/8/R3K2R w qK\u00c9k\u00e9 - 0 1",
    "Pp6/K7/8/8/8/8/8/7k b Kq h6 0 1",
    "k7/8/1Q6/8/8/8/8/2K5 b - - 0 1",
};

// Mostly piece letters and the castling ids, sometimes any Unicode scalar value.
char32_t letter(Bytes& in) {
    static constexpr std::u32string_view COMMON = U"PRNBQKprnbqkAaWwxX-1 \u00e9";
    const std::uint8_t pick = in.byte();
    if (pick < 0xF0) return COMMON[pick % COMMON.size()];
    char32_t c = static_cast<char32_t>(in.bytes(3) % 0x110000);
    return (c >= 0xD800 && c <= 0xDFFF) ? U'\uFFFD' : c;
}

// Mostly on the board; sometimes anything up to 2**32-1.
std::uint32_t square(Bytes& in) {
    const std::uint8_t pick = in.byte();
    if (pick < 0xE0) return pick % 64;
    static constexpr std::uint32_t EDGES[] = {64, 255, 256, 0xFFFFFFFF};
    if (pick < 0xF0) return EDGES[pick % 4];
    return static_cast<std::uint32_t>(in.bytes(4));
}

char32_t promotion(Bytes& in) {
    const std::uint8_t pick = in.byte();
    if (pick < 0x80) return NO_PROMOTION;
    if (pick < 0xC0) return U"qrbn"[pick % 4];
    return letter(in);
}

Bitboard mask(Bytes& in) {
    switch (in.byte() % 6) {
        case 0: return Bitboard{1} << (in.byte() % 64);
        case 1: return in.bytes(8);
        case 2: return Bitboard{0xFF} << (8 * (in.byte() % 8));
        case 3: return 0x0101010101010101ULL << (in.byte() % 8);
        case 4: return 0;
        default: return ~Bitboard{0};
    }
}

// The moves still on the board's history, each with the position it found.
struct Shadow {
    std::vector<Move> moves;
    std::vector<BoardState> states;
};

void apply_and_record(Board& board, Shadow& shadow, const Move& move) {
    const BoardState before = snapshot(board);
    checked_apply(board, move);
    shadow.moves.push_back(move);
    shadow.states.push_back(before);
}

void checked_undo(Board& board, Shadow& shadow) {
    if (shadow.moves.empty()) {
        const Outline before = outline(board);
        bool refused = false;
        try {
            undo(board);
        } catch (const CoreError& error) {
            check_failure(error, board);
            refused = true;
        }
        FUZZ_CHECK(refused && same_outline(outline(board), before), board);
        return;
    }
    const Move taken = undo(board);
    FUZZ_CHECK(same_move(taken, shadow.moves.back()), board);
    FUZZ_CHECK(same_state(snapshot(board), shadow.states.back()), board);
    shadow.moves.pop_back();
    shadow.states.pop_back();
}

// A write that may be refused: refused exactly when expected, and then the board is untouched.
template <class Write>
void checked_write(Board& board, bool should_refuse, Write write) {
    const Outline before = outline(board);
    bool refused = false;
    try {
        write();
    } catch (const CoreError& error) {
        check_failure(error, board);
        refused = true;
    }
    FUZZ_CHECK(refused == should_refuse, board);
    if (refused) FUZZ_CHECK(same_outline(outline(board), before), board);
    FUZZ_CHECK(board.move_stack.size() == before.moves, board);
}

// The move leaves the mover's king unreached (or the mover has no king); the
// board is tried on and put back.
bool keeps_king_safe(Board& board, const Move& move) {
    apply_move(board, move);
    const std::optional<Square> king = king_square(board, !board.turn);
    const bool safe = !king || !reached_by(board, *king, board.turn);
    undo(board);
    return safe;
}

// A move of the legal list without building the whole list: the castling
// moves it starts with, or from a picked place on in the pseudo-legal list
// the first move that keeps the king safe. The list itself is checked on the
// sampled final positions.
std::optional<Move> pick_legal(Board& board, std::uint8_t pick) {
    const std::vector<Move> castles = castling_moves(board);
    MoveBuffer pseudo;
    add_pseudo_legal_moves(board, pseudo);
    const std::size_t total = castles.size() + pseudo.size;
    for (std::size_t i = 0; i < total; ++i) {
        const std::size_t k = (pick + i) % total;
        if (k < castles.size()) return castles[k];
        if (keeps_king_safe(board, pseudo[k - castles.size()])) return pseudo[k - castles.size()];
    }
    return std::nullopt;
}

// After every step: both stacks as long as the record, ending in its last entry.
void check_stack_tops(const Board& board, const Shadow& shadow) {
    FUZZ_CHECK(board.move_stack.size() == board.state_stack.size(), board);
    FUZZ_CHECK(board.move_stack.size() == shadow.moves.size(), board);
    if (shadow.moves.empty()) return;
    FUZZ_CHECK(same_move(board.move_stack.back(), shadow.moves.back()), board);
    FUZZ_CHECK(same_state(board.state_stack.back(), shadow.states.back()), board);
}

// At the end: every entry of both stacks as recorded.
void check_whole_history(const Board& board, const Shadow& shadow) {
    check_stack_tops(board, shadow);
    for (std::size_t i = 0; i < shadow.moves.size(); ++i) {
        FUZZ_CHECK(same_move(board.move_stack[i], shadow.moves[i]), board);
        FUZZ_CHECK(same_state(board.state_stack[i], shadow.states[i]), board);
    }
}

void step(Board& board, Shadow& shadow, Bytes& in) {
    switch (in.byte() % 11) {
        case 0: {
            const char32_t c = letter(in);
            const Bitboard m = mask(in);
            checked_write(board, !is_kind_letter(c), [&] { set_pieces_or(board, c, m); });
            if (is_kind_letter(c)) FUZZ_CHECK((get_pieces(board, c) & m) == m, board);
            break;
        }
        case 1: {
            const char32_t c = letter(in);
            const Bitboard m = mask(in);
            const Bitboard was = is_kind_letter(c) ? get_pieces(board, c) : 0;
            checked_write(board, !is_kind_letter(c), [&] { set_pieces_xor(board, c, m); });
            if (is_kind_letter(c)) FUZZ_CHECK(get_pieces(board, c) == (was ^ m), board);
            break;
        }
        case 2:
            board.turn = !board.turn;
            break;
        case 3:
        case 4: {
            const std::uint32_t from = square(in);
            const std::uint32_t to = square(in);
            const Move move{from, to, promotion(in)};
            const Outline before = outline(board);
            apply_and_record(board, shadow, move);
            if (in.byte() % 2 == 0) {
                checked_undo(board, shadow);
                FUZZ_CHECK(same_outline(outline(board), before), board);
            }
            break;
        }
        case 5:
            checked_undo(board, shadow);
            break;
        case 6: {
            // The position text loaded once already, so loading it on top cannot fail.
            const std::size_t moves = board.move_stack.size();
            set_board(board);
            FUZZ_CHECK(board.move_stack.size() == moves, board);
            break;
        }
        case 7: {
            const char32_t id = letter(in);
            const bool valid = id == U'a' || ((id == U'k' || id == U'q') && board.castling_rights);
            checked_write(board, !valid, [&] { remove_castling_rights(board, id); });
            if (id == U'a') FUZZ_CHECK(!board.castling_rights, board);
            break;
        }
        case 8: {
            if (const std::optional<Move> move = pick_legal(board, in.byte())) apply_and_record(board, shadow, *move);
            break;
        }
        default: {
            MoveBuffer pseudo;
            add_pseudo_legal_moves(board, pseudo);
            if (pseudo.size == 0) break;
            const Move move = pseudo[in.byte() % pseudo.size];
            FUZZ_CHECK(!apply_refuses(board, move), board);
            apply_and_record(board, shadow, move);
        }
    }
}

}  // namespace
}  // namespace plindervox::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace plindervox;
    using namespace plindervox::fuzz;
    Bytes in{data, size};
    const std::size_t pick = in.byte() % (POSITIONS.size() + 1);
    std::string text = pick < POSITIONS.size() ? POSITIONS[pick] : in.text(in.byte());
    if (!valid_utf8(text)) return -1;

    Board board;
    if (!load_or_check_failure(text, board)) return 0;
    Shadow shadow;
    for (int steps = 0; steps < 64 && !in.empty(); ++steps) {
        step(board, shadow, in);
        check_stack_tops(board, shadow);
    }
    check_whole_history(board, shadow);
    FUZZ_CHECK(board.starting_fen == text, board);
    const std::uint64_t sample = fnv1a(data, size);
    if (sample % READ_SAMPLE != 0) return 0;
    const bool deep = sample % DEEP_SAMPLE == 0;
    read_everything(board, letter(in), /*round_trips=*/deep);
    if (deep) compare_with_reference(board);
    return 0;
}
