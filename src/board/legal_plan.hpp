// What the legal filter knows before looking at any move, on a consistent
// board whose side to move has the king K (its highest king). After a move the
// opponent's en passant square is absent or the square a double push passed,
// which is empty, and no pawn push reaches an occupied square; so K is
// reached afterwards exactly when an opponent piece attacks it: a pawn
// diagonal, a knight or king step, or the first piece along a slider line.
//
// - A king move to t is safe when nothing attacks t with the king gone from
//   K. A piece captured on t attacks nothing on t itself, so it need not be
//   taken off first.
// - Any other move f -> t leaves the opponent's pieces in place but the one
//   captured on t, fills t and empties f. The pieces attacking K now
//   (checkers) keep attacking unless t takes the checker or, for a slider,
//   stands between it and K; with two checkers no single square does both.
//   Emptying f opens only the line from K through f, and only when f is the
//   first piece on it with an opposing slider of that line's kind next: the
//   pin. A pinned piece stays safe exactly while it stays on its line.
// - An en passant capture empties the captured pawn's square as well; its
//   answer is worked out from the occupancy after the capture.
//
// Left to a trial: every move on an inconsistent board; king moves of a side
// with several kings (the highest king after the move may be another one);
// captures of the opponent's highest king while it has another, which then
// takes its role; en passant moves whose square is occupied or whose
// captured pawn is missing, where the capture does something else.
#pragma once

#include <array>
#include <optional>

#include "board/board.hpp"

namespace plindervox {

struct MovePlan {
    bool try_all = true;
    std::optional<Square> king;
    Bitboard try_to = 0;    // destinations always tried
    Bitboard try_from = 0;  // origins always tried
    Bitboard meets_check = ~Bitboard{0};  // destinations of other pieces that answer every check
    Bitboard pinned = 0;
    std::array<Bitboard, 8> pin_lines{};  // by direction from the king
    Bitboard king_to = 0;    // safe destinations of the king
    Bitboard own_lines = 0;  // the king and the pinned pieces, whose moves have their own destinations
    // The en passant square when a capture onto it is the ordinary one (the
    // square empty, an opposing pawn behind it): answered from the occupancy
    // after the capture. Any other en passant square leaves its moves to a trial.
    std::optional<Square> en_passant;
    Bitboard en_passant_victim = 0;  // that opposing pawn

    // Everything but the king's safety is settled by the sets above.
    bool settles_every_move() const { return !try_all && try_to == 0 && try_from == 0; }
};

// The plan of the board as it stands (legal.cpp).
MovePlan plan_moves(const Board& board);

// The safe destinations of the piece on `from`, one of the own pieces.
Bitboard allowed(const MovePlan& plan, unsigned from);

// Whether the own pawn move from -> to (en passant included) keeps the king
// safe, for a plan that settles every move (legal.cpp).
bool pawn_move_is_safe(const Board& board, const MovePlan& plan, unsigned from, unsigned to);

// Where the generators let each piece go. The pseudo-legal list lets it go
// wherever its movement rules take it.
struct AnyDestination {
    static constexpr Bitboard from(unsigned) { return ~Bitboard{0}; }
    static constexpr bool asks_each_pawn(Bitboard) { return false; }
    static constexpr Bitboard pawn_targets() { return ~Bitboard{0}; }
    static constexpr bool pawn_move(unsigned, unsigned) { return true; }
};

// One move asked about (is_pseudo_legal): each piece may go only to that
// move's destination, and only from its origin; pawn moves are compared
// whole afterwards, so their origins need no check here.
struct OnlyMove {
    unsigned origin;
    Bitboard destination;  // empty for a destination off the board

    Bitboard from(unsigned square) const { return square == origin ? destination : 0; }
    static constexpr bool asks_each_pawn(Bitboard) { return false; }
    Bitboard pawn_targets() const { return destination; }
    bool pawn_move(unsigned from, unsigned to) const { return from == origin && contains(destination, to); }
};

// The legal list, on a board whose plan settles every move, lets it go only
// where the mover's king stays safe.
struct SafeDestination {
    const Board& board;
    const MovePlan& plan;

    Bitboard from(unsigned origin) const {
        return contains(plan.own_lines, origin) ? allowed(plan, origin) : plan.meets_check;
    }
    // Pawns on a pin line answer move by move (pawn_move); all others go
    // where any other piece may (pawn_targets). En passant captures always
    // answer move by move.
    bool asks_each_pawn(Bitboard pawns) const { return (pawns & plan.own_lines) != 0; }
    Bitboard pawn_targets() const { return plan.meets_check; }
    bool pawn_move(unsigned origin, unsigned to) const {
        if (plan.en_passant == to || contains(plan.own_lines, origin)) return pawn_move_is_safe(board, plan, origin, to);
        return contains(plan.meets_check, to);
    }
};

}  // namespace plindervox
