// SAN written and read on random boards: a start position, then steps read
// from the input (legal moves, piece-set writes with any letter and mask,
// turn flips, castling texts, en passant squares), so that boards with
// overlapping sets, missing kings and odd rights come up as often as game
// positions. On the final board every legal move's SAN (of a sample where
// there are many) reads back as the
// move, agrees with the writer that goes through the legal list, and carries
// "#" exactly on mate and "+" exactly on other checks; moves picked from the
// input are written exactly when legal_moves() lists them; the position key,
// repetitions, the move-count rules, material and the result answer without
// changing the board.
#include <array>

#include "board/game_rules.hpp"
#include "board/notation.hpp"
#include "board/rejection.hpp"
#include "fuzz_support.hpp"

namespace plindervox::fuzz {
namespace {

const std::array<const char*, 6> POSITIONS = {
    STANDARD_START_FEN,
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
    "r3k2r/1P4P1/8/8/8/8/1p4p1/R3K2R b KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "8/8/8/8/8/8/8/8 w - - 0 1",
};
const std::array<const char*, 6> RIGHTS = {"KQkq", "", "Kk", "qQkKKq", "Qx-\u00e9q", "k"};
constexpr std::u32string_view LETTERS = U"PRNBQKprnbqk";

void build(Board& board, Bytes& in) {
    for (int step = 0; step < 40 && !in.empty(); ++step) {
        const std::uint8_t op = in.byte();
        switch (op % 8) {
            case 0: case 1: case 2: case 3: {
                const std::vector<Move> legal = legal_moves(board);
                if (!legal.empty()) apply_move(board, legal[in.byte() % legal.size()]);
                break;
            }
            case 4: {
                const char32_t letter = LETTERS[in.byte() % LETTERS.size()];
                const Bitboard mask = in.bytes(8);
                if (op & 0x80) {
                    set_pieces_xor(board, letter, mask);
                } else {
                    set_pieces_or(board, letter, mask);
                }
                break;
            }
            case 5: board.turn = !board.turn; break;
            case 6: board.castling_rights = RIGHTS[in.byte() % RIGHTS.size()]; break;
            default: {
                const std::uint8_t square = in.byte();
                if (square < 64) {
                    board.en_passant_square = square;
                } else {
                    board.en_passant_square.reset();
                }
            }
        }
    }
}

// Every legal move, or on a board with many a sample of WRITTEN of them
// (each then costs a legal list of its own, through the slower writer).
constexpr std::size_t WRITTEN = 24;

void check_written(Board& board, Bytes& in) {
    const Board before = board;
    std::vector<Move> moves = legal_moves(board);
    if (moves.size() > WRITTEN) {
        const std::size_t start = in.byte();
        std::vector<Move> sample;
        for (std::size_t i = 0; i < WRITTEN; ++i) sample.push_back(moves[(start + i * moves.size() / WRITTEN) % moves.size()]);
        moves = sample;
    }
    for (const Move& move : moves) {
        std::string text;
        try {
            text = san(board, move);
            FUZZ_CHECK(text == san_from_legal_list(board, move), board);
            FUZZ_CHECK(same_move(parse_san(board, text), move), board);
        } catch (const RejectedInput&) {
            FUZZ_CHECK(!"a listed move was rejected", board);
        }
        FUZZ_CHECK(same_board(board, before), before);
        apply_move(board, move);
        const bool check = is_check(board), mate = is_checkmate(board);
        undo(board);
        FUZZ_CHECK((text.back() == '#') == mate && (text.back() == '+') == (check && !mate), board);
    }
}

void check_picked(Board& board, Bytes& in) {
    const std::vector<Move> legal = legal_moves(board);
    for (int pick = 0; pick < 8 && !in.empty(); ++pick) {
        const std::uint8_t promotion = in.byte();
        const Move move{in.byte() % 70u, in.byte() % 70u,
                        promotion < 0x80 ? NO_PROMOTION : static_cast<char32_t>("qrnbQk"[promotion % 6])};
        const bool listed = std::any_of(legal.begin(), legal.end(), [&](const Move& m) { return same_move(m, move); });
        bool written = true;
        try {
            san(board, move);
        } catch (const RejectedInput& rejected) {
            written = false;
            FUZZ_CHECK(valid_utf8(rejected.message) && rejected.message.rfind("Illegal move: ", 0) == 0, board);
        }
        FUZZ_CHECK(written == listed, board);
    }
}

void check_rules(Board& board, std::uint8_t count) {
    const Board before = board;
    const std::uint64_t key = zobrist_hash(board);
    FUZZ_CHECK(zobrist_hash(board) == key, board);
    const bool repeated = is_repetition(board, count);
    FUZZ_CHECK(!repeated || is_repetition(board, count > 0 ? count - 1 : 0), board);
    const bool fifty = is_fifty_moves(board), seventy_five = is_seventyfive_moves(board);
    FUZZ_CHECK(!seventy_five || fifty, board);
    const bool insufficient = is_insufficient_material(board);
    const std::string outcome = result(board, false), claimed = result(board, true);
    FUZZ_CHECK(outcome == "*" || outcome == claimed, board);
    FUZZ_CHECK(!insufficient || outcome != "*", board);
    FUZZ_CHECK((outcome == "1-0" || outcome == "0-1") == is_checkmate(board), board);
    FUZZ_CHECK(!is_stalemate(board) || outcome == "1/2-1/2", board);
    FUZZ_CHECK(same_board(board, before), before);
}

}  // namespace
}  // namespace plindervox::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace plindervox;
    using namespace plindervox::fuzz;
    Bytes in{data, size};
    Board board = make_board(POSITIONS[in.byte() % POSITIONS.size()]);
    try {
        build(board, in);
    } catch (const CoreError&) {
        return 0;  // a step the core refuses (none is expected); the board is then left as it stands
    }
    check_written(board, in);
    check_picked(board, in);
    check_rules(board, in.byte() % 7);
    return 0;
}
