// Bishop, rook and queen moves: each ray is walked square by square, nearest
// square first, until it leaves the board, wraps round a side edge, meets an
// own piece (not included) or captures an opposing one.
#include "board/movegen.hpp"

namespace plindervox {
namespace {

template <std::size_t N>
void add_slides(const Board& board, Bitboard pieces, const std::array<std::int8_t, N>& dirs, MoveBuffer& out) {
    const Bitboard own = own_pieces(board);
    const Bitboard opponent = opponent_pieces(board);
    for (Bitboard origins = pieces & own; origins != 0;) {
        const Square from = pop_highest(origins);
        for (const std::int8_t offset : dirs) {
            unsigned previous = from;
            for (unsigned next = step(from, offset); on_board(next) && distance(previous, next) <= 1;
                 previous = next, next = step(next, offset)) {
                if (contains(own, next)) break;
                out.push(from, next);
                if (contains(opponent, next)) break;
            }
        }
    }
}

}  // namespace

void add_bishop_moves(const Board& board, MoveBuffer& out) { add_slides(board, board.bishops, BISHOP_DIRS, out); }
void add_rook_moves(const Board& board, MoveBuffer& out) { add_slides(board, board.rooks, ROOK_DIRS, out); }
void add_queen_moves(const Board& board, MoveBuffer& out) { add_slides(board, board.queens, KING_DIRS, out); }

}  // namespace plindervox
