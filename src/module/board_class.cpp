// The Board class: one game, holding the core's Board record.
#include "board/apply.hpp"
#include "board/castling.hpp"
#include "board/move_query.hpp"
#include "board/movegen.hpp"
#include "board/position_text.hpp"
#include "module/member_table.hpp"
#include "module/saved_state.hpp"
#include "module/pgn_classes.hpp"
#include "module/rules_members.hpp"
#include "module/wrappers.hpp"

namespace plindervox::module {
namespace {

using enum Access;

// Runs one generator into a fresh buffer.
template <void (*add)(const Board&, MoveBuffer&)>
MoveBuffer generate(const Board& board) {
    MoveBuffer moves;
    add(board, moves);
    return moves;
}

// The legal list converted straight from the core's buffer, or from a
// vector when the castling moves of a long rights text do not fit it.
PyObject* legal_list(Board& board) {
    if (!castling_moves_fit_buffer(board)) return to_python(legal_moves(board));
    MoveBuffer moves;
    add_legal_moves(board, moves);
    return to_python(moves);
}

Board construct(std::optional<std::string> starting_fen) { return make_board(std::move(starting_fen)); }

void apply(Board& board, const Move& move) { apply_move(board, move); }

// Position text out, squares, legality of one move, copies and pickles.
std::optional<char32_t> piece_at(const Board& board, std::uint8_t square) { return piece_letter(board, square); }
PyObject* copy_of(const Board& board) { return checked(wrap_record(type_of<Board>(), board)); }
PyObject* deep_copy_of(const Board& board, PyObject*) { return copy_of(board); }  // a board holds no Python objects
PyObject* reduce(const Board& board) { return board_reduction(board); }
PyObject* reduce_ex(const Board& board, PyObject*) { return board_reduction(board); }  // every protocol alike
void set_state(Board& board, Board& loaded) { board = std::move(loaded); }

PyObject* read_turn(const Board& board) { return to_python(board.turn); }
void write_turn(Board& board, bool turn) { board.turn = turn; }

constexpr char TURN[] = "turn";

constexpr const char* STARTING_FEN_PARAMETERS[] = {"starting_fen"};
constexpr const char* PIECE_TYPE_PARAMETERS[] = {"piece_type"};
constexpr const char* SET_PIECES_PARAMETERS[] = {"piece_type", "bitboard"};
constexpr const char* SQUARE_PARAMETERS[] = {"square"};
constexpr const char* MASK_PARAMETERS[] = {"from_mask", "to_mask"};
constexpr const char* ID_PARAMETERS[] = {"id"};
constexpr const char* MOV_PARAMETERS[] = {"mov"};
constexpr const char* BOARD_STATE_PARAMETERS[] = {"board_state"};
constexpr const char* MOVE_PARAMETERS[] = {"move"};
constexpr const char* MEMO_PARAMETERS[] = {"memo"};
constexpr const char* PROTOCOL_PARAMETERS[] = {"protocol"};
constexpr const char* STATE_PARAMETERS[] = {"state"};

constexpr FunctionDescription NEW = {"Board", "__new__", STARTING_FEN_PARAMETERS, 1, 0};
using New = Constructor<NEW, Board, construct, OptionalText>;
constexpr FunctionDescription GET_PIECES = {"Board", "get_pieces", PIECE_TYPE_PARAMETERS, 1, 1};
constexpr FunctionDescription SET_PIECES_OR = {"Board", "set_pieces_or", SET_PIECES_PARAMETERS, 2, 2};
constexpr FunctionDescription SET_PIECES_XOR = {"Board", "set_pieces_xor", SET_PIECES_PARAMETERS, 2, 2};
constexpr FunctionDescription IS_ATTACKED = {"Board", "_is_attacked", SQUARE_PARAMETERS, 1, 1};
constexpr FunctionDescription RESET_HALF_MOVE_CLOCK = {"Board", "_reset_half_move_clock", MASK_PARAMETERS, 2, 2};
constexpr FunctionDescription REMOVE_CASTLING_RIGHTS = {"Board", "_remove_castling_rights", ID_PARAMETERS, 1, 1};
constexpr FunctionDescription APPLY_MOVE = {"Board", "apply_move", MOV_PARAMETERS, 1, 1};
constexpr FunctionDescription RESTORE = {"Board", "_restore", BOARD_STATE_PARAMETERS, 1, 1};
constexpr FunctionDescription PIECE_AT = {"Board", "piece_at", SQUARE_PARAMETERS, 1, 1};
constexpr FunctionDescription IS_LEGAL = {"Board", "is_legal", MOVE_PARAMETERS, 1, 1};
constexpr FunctionDescription IS_PSEUDO_LEGAL = {"Board", "is_pseudo_legal", MOVE_PARAMETERS, 1, 1};
constexpr FunctionDescription DEEPCOPY = {"Board", "__deepcopy__", MEMO_PARAMETERS, 1, 1};
constexpr FunctionDescription REDUCE_EX = {"Board", "__reduce_ex__", PROTOCOL_PARAMETERS, 1, 1};
constexpr FunctionDescription SET_STATE = {"Board", "__setstate__", STATE_PARAMETERS, 1, 1};
constexpr const char* HEADERS_PARAMETERS[] = {"headers"};
constexpr FunctionDescription PGN = {"Board", "pgn", HEADERS_PARAMETERS, 1, 0};

PyMethodDef METHODS[] = {
    no_arguments("set_board", method_without_arguments<Board, Exclusive, set_board>, "set_board($self)\n--\n\n"),
    with_arguments("get_pieces", method_with_arguments<GET_PIECES, Board, Shared, get_pieces, Character>,
                   "get_pieces($self, piece_type)\n--\n\n"),
    with_arguments("set_pieces_or", method_with_arguments<SET_PIECES_OR, Board, Exclusive, set_pieces_or, Character, U64>,
                   "set_pieces_or($self, piece_type, bitboard)\n--\n\n"),
    with_arguments("set_pieces_xor",
                   method_with_arguments<SET_PIECES_XOR, Board, Exclusive, set_pieces_xor, Character, U64>,
                   "set_pieces_xor($self, piece_type, bitboard)\n--\n\n"),
    no_arguments("pawn_moves", method_without_arguments<Board, Exclusive, generate<add_pawn_moves>>,
                 "pawn_moves($self)\n--\n\n"),
    no_arguments("knight_moves", method_without_arguments<Board, Shared, generate<add_knight_moves>>,
                 "knight_moves($self)\n--\n\n"),
    no_arguments("king_moves", method_without_arguments<Board, Shared, generate<add_king_moves>>,
                 "king_moves($self)\n--\n\n"),
    no_arguments("bishop_moves", method_without_arguments<Board, Shared, generate<add_bishop_moves>>,
                 "bishop_moves($self)\n--\n\n"),
    no_arguments("rook_moves", method_without_arguments<Board, Shared, generate<add_rook_moves>>,
                 "rook_moves($self)\n--\n\n"),
    no_arguments("queen_moves", method_without_arguments<Board, Shared, generate<add_queen_moves>>,
                 "queen_moves($self)\n--\n\n"),
    no_arguments("pseudo_legal_moves", method_without_arguments<Board, Exclusive, generate<add_pseudo_legal_moves>>,
                 "pseudo_legal_moves($self)\n--\n\n"),
    with_arguments("_is_attacked", method_with_arguments<IS_ATTACKED, Board, Exclusive, is_attacked, U8>,
                   "_is_attacked($self, square)\n--\n\n"),
    no_arguments("is_check", method_without_arguments<Board, Exclusive, is_check>, "is_check($self)\n--\n\n"),
    no_arguments("_castling_moves", method_without_arguments<Board, Exclusive, castling_moves>,
                 "_castling_moves($self)\n--\n\n"),
    no_arguments("legal_moves", method_without_arguments<Board, Exclusive, legal_list>, "legal_moves($self)\n--\n\n"),
    with_arguments("_reset_half_move_clock",
                   method_with_arguments<RESET_HALF_MOVE_CLOCK, Board, Shared, resets_half_move_clock, U64, U64>,
                   "_reset_half_move_clock($self, from_mask, to_mask)\n--\n\n"),
    no_arguments("_check_castling_rights", method_without_arguments<Board, Shared, check_castling_rights>,
                 "_check_castling_rights($self)\n--\n\n"),
    with_arguments("_remove_castling_rights",
                   method_with_arguments<REMOVE_CASTLING_RIGHTS, Board, Exclusive, remove_castling_rights, Character>,
                   "_remove_castling_rights($self, id)\n--\n\n"),
    with_arguments("apply_move", method_with_arguments<APPLY_MOVE, Board, Exclusive, apply, MoveArgument>,
                   "apply_move($self, mov)\n--\n\n"),
    no_arguments("is_checkmate", method_without_arguments<Board, Exclusive, is_checkmate>,
                 "is_checkmate($self)\n--\n\n"),
    no_arguments("is_stalemate", method_without_arguments<Board, Exclusive, is_stalemate>,
                 "is_stalemate($self)\n--\n\n"),
    no_arguments("is_game_over", method_without_arguments<Board, Exclusive, is_game_over>,
                 "is_game_over($self)\n--\n\n"),
    with_arguments("_restore", method_with_arguments<RESTORE, Board, Exclusive, restore, BoardStateArgument>,
                   "_restore($self, board_state)\n--\n\n"),
    no_arguments("pop", method_without_arguments<Board, Exclusive, undo>, "pop($self)\n--\n\n"),
    no_arguments("fen", method_without_arguments<Board, Shared, stored_position_text>, "fen($self)\n--\n\n"),
    with_arguments("piece_at", method_with_arguments<PIECE_AT, Board, Shared, piece_at, BoardSquare>,
                   "piece_at($self, square)\n--\n\n"),
    with_arguments("is_legal", method_with_arguments<IS_LEGAL, Board, Exclusive, is_legal, MoveArgument>,
                   "is_legal($self, move)\n--\n\n"),
    with_arguments("is_pseudo_legal",
                   method_with_arguments<IS_PSEUDO_LEGAL, Board, Shared, is_pseudo_legal, MoveArgument>,
                   "is_pseudo_legal($self, move)\n--\n\n"),
    no_arguments("copy", method_without_arguments<Board, Shared, copy_of>, "copy($self)\n--\n\n"),
    no_arguments("__copy__", method_without_arguments<Board, Shared, copy_of>, "__copy__($self)\n--\n\n"),
    with_arguments("__deepcopy__", method_with_arguments<DEEPCOPY, Board, Shared, deep_copy_of, AnyObject>,
                   "__deepcopy__($self, memo)\n--\n\n"),
    no_arguments("__getstate__", method_without_arguments<Board, Shared, board_state_object>,
                 "__getstate__($self)\n--\n\n"),
    with_arguments("__setstate__", method_with_arguments<SET_STATE, Board, Exclusive, set_state, BoardStateData>,
                   "__setstate__($self, state)\n--\n\n"),
    no_arguments("__reduce__", method_without_arguments<Board, Shared, reduce>, "__reduce__($self)\n--\n\n"),
    with_arguments("__reduce_ex__", method_with_arguments<REDUCE_EX, Board, Shared, reduce_ex, AnyObject>,
                   "__reduce_ex__($self, protocol)\n--\n\n"),
    PLINDERVOX_RULES_METHODS,
    with_arguments("pgn", method_with_arguments<PGN, Board, Shared, write_game, HeadersArgument>,
                   "pgn($self, headers=None)\n--\n\n"),
    method_row("read_pgn", read_pgn, METH_FASTCALL | METH_KEYWORDS | METH_STATIC,
               "read_pgn(source, *, strict=False, start=0, stop=None)\n--\n\n"),
    PLINDERVOX_COPYABLE_CLASS_ROWS,
    END_OF_METHODS,
};

PyGetSetDef PROPERTIES[] = {
    {"turn", property_getter<Board, read_turn>, property_setter<Board, Truth, write_turn, TURN>, "", nullptr},
    END_OF_PROPERTIES,
};

PyType_Slot SLOTS[] = {
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_instance<Board>)},
    {Py_tp_doc, const_cast<char*>("Board(starting_fen=None)\n--\n\n")},
    {Py_tp_new, reinterpret_cast<void*>(New::with_tuple)},
    {Py_tp_str, reinterpret_cast<void*>(text_slot<Board, render>)},
    {Py_tp_repr, reinterpret_cast<void*>(text_slot<Board, render>)},
    {Py_tp_methods, METHODS},
    {Py_tp_getset, PROPERTIES},
    {Py_tp_setattro, reinterpret_cast<void*>(set_property_only<PROPERTIES>)},
    {0, nullptr},
};

const FastConstructor FAST_NEW = {New::with_vector, with_arguments("__new__", New::new_method, PLINDERVOX_NEW_DOC("starting_fen=None"))};

}  // namespace

PyTypeObject* board_type() {
    static PyTypeObject* type = made_type<Board> =
        create_type(PLINDERVOX_CLASS_NAME("Board"), sizeof(Instance<Board>), SLOTS, &FAST_NEW);
    return type;
}

}  // namespace plindervox::module
