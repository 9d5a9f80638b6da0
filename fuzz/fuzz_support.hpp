// Shared by the fuzz targets: UTF-8 validity, whole-board comparison, a byte
// reader, and the read-only operations run with their invariants. A broken
// invariant prints the board and aborts, which libFuzzer reports as a crash.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "board/apply.hpp"
#include "board/castling.hpp"
#include "board/error.hpp"
#include "board/movegen.hpp"
#include "reference.hpp"

namespace plindervox::fuzz {

inline std::string describe(const Board& b) {
    char sets[512];
    std::snprintf(sets, sizeof sets,
                  "pawns=%#llx rooks=%#llx knights=%#llx bishops=%#llx queens=%#llx kings=%#llx white=%#llx "
                  "black=%#llx turn=%c ep=%d clocks=%llu/%llu history=%zu/%zu",
                  (unsigned long long)b.pawns, (unsigned long long)b.rooks, (unsigned long long)b.knights,
                  (unsigned long long)b.bishops, (unsigned long long)b.queens, (unsigned long long)b.kings,
                  (unsigned long long)b.white_pieces, (unsigned long long)b.black_pieces, b.turn ? 'w' : 'b',
                  b.en_passant_square ? int(*b.en_passant_square) : -1, (unsigned long long)b.half_move_clock,
                  (unsigned long long)b.full_move_number, b.move_stack.size(), b.state_stack.size());
    return std::string(sets) + " castling=" + (b.castling_rights ? '"' + std::string(*b.castling_rights) + '"' : "absent") +
           "\nposition text: " + b.starting_fen + "\n" + render(b);
}

[[noreturn]] inline void violated(const char* what, int line, const Board& board) {
    std::fprintf(stderr, "\ninvariant broken (line %d): %s\n%s\n", line, what, describe(board).c_str());
    std::abort();
}

#define FUZZ_CHECK(condition, board) \
    do {                             \
        if (!(condition)) ::plindervox::fuzz::violated(#condition, __LINE__, board); \
    } while (0)

// Well-formed UTF-8 only: no overlong forms, surrogates or values past U+10FFFF.
inline bool valid_utf8(std::string_view text) {
    static constexpr char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int extra = 0;
        if (lead >= 0x80) {
            extra = (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
            if (extra < 0 || text.size() - i <= static_cast<std::size_t>(extra)) return false;
        }
        char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            c = (c << 6) | (next & 0x3F);
        }
        if (c < smallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        i += 1 + extra;
    }
    return true;
}

// Reads the input front to back; past its end every read gives zeros.
struct Bytes {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos = 0;

    bool empty() const { return pos >= size; }
    std::uint8_t byte() { return pos < size ? data[pos++] : 0; }
    std::uint64_t bytes(int count) {
        std::uint64_t value = 0;
        for (int i = 0; i < count; ++i) value |= std::uint64_t{byte()} << (8 * i);
        return value;
    }
    std::string text(std::size_t length) {
        const std::size_t n = std::min(length, size - std::min(pos, size));
        std::string out(reinterpret_cast<const char*>(data + pos), n);
        pos += n;
        return out;
    }
};

inline bool same_move(const Move& a, const Move& b) {
    return a.from_square == b.from_square && a.to_square == b.to_square && a.promotion == b.promotion;
}

inline bool same_state(const BoardState& a, const BoardState& b) {
    return a.castling_rights == b.castling_rights && a.pawns == b.pawns && a.rooks == b.rooks &&
           a.knights == b.knights && a.bishops == b.bishops && a.queens == b.queens && a.kings == b.kings &&
           a.white_pieces == b.white_pieces && a.black_pieces == b.black_pieces &&
           a.half_move_clock == b.half_move_clock && a.full_move_number == b.full_move_number &&
           a.en_passant_square == b.en_passant_square && a.turn == b.turn;
}

// Every field: position, position text and both history stacks.
inline bool same_board(const Board& a, const Board& b) {
    if (a.starting_fen != b.starting_fen || !same_state(snapshot(a), snapshot(b))) return false;
    if (a.move_stack.size() != b.move_stack.size() || a.state_stack.size() != b.state_stack.size()) return false;
    for (std::size_t i = 0; i < a.move_stack.size(); ++i) {
        if (!same_move(a.move_stack[i], b.move_stack[i])) return false;
    }
    for (std::size_t i = 0; i < a.state_stack.size(); ++i) {
        if (!same_state(a.state_stack[i], b.state_stack[i])) return false;
    }
    return true;
}

// A failure message becomes a Python str, so it must be valid UTF-8.
inline void check_failure(const CoreError& error, const Board& board) {
    FUZZ_CHECK(!error.message.empty() && valid_utf8(error.message), board);
}

// Loads the position text; a refused text must carry a usable message.
// Returns whether a board was made.
inline bool load_or_check_failure(const std::string& text, Board& board) {
    try {
        board = make_board(text);
        return true;
    } catch (const CoreError& error) {
        check_failure(error, board);
        return false;
    }
}

inline bool is_kind_letter(char32_t c) { return std::u32string_view(U"PRNBQKprnbqk").find(c) != std::u32string_view::npos; }

// What apply_move checks before it plays anything.
inline bool apply_refuses(const Board& board, const Move& move) {
    if (move.from_square >= 64 || move.to_square >= 64) return true;
    const Bitboard all_kinds = board.pawns | board.rooks | board.knights | board.bishops | board.queens | board.kings;
    if (!contains(all_kinds, move.from_square)) return true;
    return has_promotion(move) && std::u32string_view(U"qrbn").find(move.promotion) == std::u32string_view::npos;
}

// What one operation can change, taken without copying the history: the
// position and the lengths of both stacks. The entries below the top are
// compared with a record of them where a target keeps one.
struct Outline {
    BoardState position;
    std::size_t moves;
    std::size_t states;
};

inline Outline outline(const Board& board) {
    return {snapshot(board), board.move_stack.size(), board.state_stack.size()};
}

inline bool same_outline(const Outline& a, const Outline& b) {
    return same_state(a.position, b.position) && a.moves == b.moves && a.states == b.states;
}

// Applies the move and checks what the history and position show afterwards.
// Returns whether the move was refused.
inline bool checked_apply(Board& board, const Move& move) {
    const Outline before = outline(board);
    const bool should_refuse = apply_refuses(board, move);
    bool refused = false;
    try {
        apply_move(board, move);
    } catch (const CoreError& error) {
        check_failure(error, board);
        refused = true;
    }
    FUZZ_CHECK(refused == should_refuse, board);
    FUZZ_CHECK(board.move_stack.size() == before.moves + 1, board);
    FUZZ_CHECK(board.state_stack.size() == before.states + 1, board);
    FUZZ_CHECK(same_move(board.move_stack.back(), move), board);
    FUZZ_CHECK(same_state(board.state_stack.back(), before.position), board);
    if (refused) FUZZ_CHECK(same_state(snapshot(board), before.position), board);
    return refused;
}

// Apply, then undo: every field as it was, and undo hands the move back.
inline void round_trip(Board& board, const Move& move) {
    const Board before = board;
    checked_apply(board, move);
    const Move taken = undo(board);
    FUZZ_CHECK(same_move(taken, move), before);
    FUZZ_CHECK(same_board(board, before), before);
}

// A generated move is one apply_move accepts: squares on the board, a piece
// on the origin, and a promotion letter among q, r, n, b if any.
inline void check_generated(const Board& board, const Move& move) {
    FUZZ_CHECK(!apply_refuses(board, move), board);
}

// Every read-only or trial operation, each checked to leave the board exactly
// as it was, with the answers checked against each other. `letter` is also
// given to get_pieces, which must refuse it unless it names a set. With
// `round_trips`, every generated move is also applied and taken back.
inline void read_everything(Board& board, char32_t letter, bool round_trips) {
    const Board before = board;
#define UNCHANGED(what) FUZZ_CHECK(what && same_board(board, before), before)

    using Generator = void (*)(const Board&, MoveBuffer&);
    MoveBuffer pseudo;
    add_pseudo_legal_moves(board, pseudo);
    UNCHANGED("pseudo_legal_moves");
    std::size_t generated = 0;
    for (const Generator generate : {add_pawn_moves, add_knight_moves, add_king_moves, add_bishop_moves,
                                     add_rook_moves, add_queen_moves}) {
        MoveBuffer moves;
        generate(board, moves);
        UNCHANGED("a piece generator");
        FUZZ_CHECK(moves.size <= MAX_PSEUDO_MOVES, board);
        for (const Move& move : moves) {
            check_generated(board, move);
            FUZZ_CHECK(generated < pseudo.size && same_move(move, pseudo[generated]), board);
            ++generated;
        }
        if (generate == add_king_moves && !king_square(board, board.turn)) FUZZ_CHECK(moves.size == 0, board);
    }
    FUZZ_CHECK(generated == pseudo.size, board);

    const std::vector<Move> castles = castling_moves(board);
    UNCHANGED("castling_moves");
    for (const Move& move : castles) {
        FUZZ_CHECK((move.from_square == 4 && (move.to_square == 6 || move.to_square == 2)) ||
                       (move.from_square == 60 && (move.to_square == 62 || move.to_square == 58)),
                   board);
        FUZZ_CHECK(!has_promotion(move), board);
    }

    // Castling moves first, then the pseudo-legal moves that survive, in order.
    const std::vector<Move> legal = legal_moves(board);
    UNCHANGED("legal_moves");
    FUZZ_CHECK(legal.size() >= castles.size(), board);
    std::size_t next = 0;
    for (std::size_t i = 0; i < legal.size(); ++i) {
        if (i < castles.size()) {
            FUZZ_CHECK(same_move(legal[i], castles[i]), board);
            continue;
        }
        while (next < pseudo.size && !same_move(pseudo[next], legal[i])) ++next;
        FUZZ_CHECK(next < pseudo.size, board);
        ++next;
    }

    const bool check = is_check(board);
    UNCHANGED("is_check");
    if (!king_square(board, board.turn)) FUZZ_CHECK(!check, board);
    for (unsigned square = 0; square < 256; ++square) {
        const bool attacked = is_attacked(board, square);
        if (square >= 64) FUZZ_CHECK(!attacked, board);
    }
    UNCHANGED("is_attacked");
    const bool mate = is_checkmate(board);
    UNCHANGED("is_checkmate");
    const bool stalemate = is_stalemate(board);
    UNCHANGED("is_stalemate");
    const bool over = is_game_over(board);
    UNCHANGED("is_game_over");
    FUZZ_CHECK(over == (mate || stalemate) && (!mate || check) && (!stalemate || !check), board);
    FUZZ_CHECK(over == legal.empty(), board);

    const std::string diagram = render(board);
    UNCHANGED("render");
    FUZZ_CHECK(diagram.size() == 127 && valid_utf8(diagram), board);

    constexpr std::u32string_view SET_LETTERS = U"PRNBQKprnbqkAaWw";
    for (const char32_t known : SET_LETTERS) {
        const Bitboard set = get_pieces(board, known);
        if (known == U'A' || known == U'a') FUZZ_CHECK(set == (board.white_pieces | board.black_pieces), board);
        if (known == U'W' || known == U'w') FUZZ_CHECK(set == board.white_pieces, board);
    }
    bool refused = false;
    try {
        get_pieces(board, letter);
    } catch (const CoreError& error) {
        check_failure(error, board);
        refused = true;
    }
    FUZZ_CHECK(refused == (SET_LETTERS.find(letter) == SET_LETTERS.npos), board);
    check_castling_rights(board);
    resets_half_move_clock(board, board.pawns, ~board.pawns);
    UNCHANGED("get_pieces, check_castling_rights, resets_half_move_clock");
#undef UNCHANGED

    if (!round_trips) return;
    for (const Move& move : castles) round_trip(board, move);
    for (const Move& move : pseudo) round_trip(board, move);
}

// The move generators and the reach test agree with the plain implementation
// kept for the tests (tests/cpp/reference.cpp).
inline void compare_with_reference(const Board& board) {
    using Generator = void (*)(const Board&, MoveBuffer&);
    using Reference = std::vector<Move> (*)(const Board&);
    const std::pair<Generator, Reference> pairs[] = {
        {add_pawn_moves, reference::pawn_moves},     {add_knight_moves, reference::knight_moves},
        {add_king_moves, reference::king_moves},     {add_bishop_moves, reference::bishop_moves},
        {add_rook_moves, reference::rook_moves},     {add_queen_moves, reference::queen_moves}};
    for (const auto& [generate, expected_of] : pairs) {
        MoveBuffer moves;
        generate(board, moves);
        const std::vector<Move> expected = expected_of(board);
        FUZZ_CHECK(moves.size == expected.size(), board);
        for (std::size_t i = 0; i < expected.size(); ++i) FUZZ_CHECK(same_move(moves[i], expected[i]), board);
    }
    // The reference's reach test, once for all squares: a square is reached
    // when some pseudo-legal move of the other side ends on it.
    Board other = board;
    other.turn = !board.turn;
    Bitboard reached = 0;
    for (const Move& move : reference::pseudo_legal_moves(other)) {
        if (move.to_square < 64) reached |= Bitboard{1} << move.to_square;
    }
    for (unsigned square = 0; square < 64; ++square) {
        FUZZ_CHECK(is_attacked(board, square) == ((reached >> square) & 1), board);
    }
    FUZZ_CHECK(is_check(board) == reference::is_check(board), board);
}

}  // namespace plindervox::fuzz
