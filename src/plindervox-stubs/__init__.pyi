"""Exact chess rules: positions from FEN, move lists in a fixed order, apply and undo.

Squares are ints 0-63 (a1 = 0, b1 = 1 ... h1 = 7, a2 = 8 ... h8 = 63); piece
sets are 64-bit ints, bit n standing for square n. Every parameter can be
passed by position or by keyword.

Raises:
    PanicException: a failure of the chess rules (unreadable position text,
        a move that cannot be applied, an unknown letter). Its qualified name
        is pyo3_runtime.PanicException and it derives from BaseException, so
        `except Exception` does not catch it; the module does not export it.
        It also writes a `thread '<name>' panicked at` line and the message
        to the process's standard error.
    TypeError, ValueError, OverflowError: wrong argument counts, types and
        ranges; an integer outside its parameter's range raises
        `OverflowError("out of range integral type conversion attempted")`;
        a str holding a lone surrogate raises UnicodeEncodeError, a
        ValueError, from the UTF-8 codec.
    ValueError: SAN or UCI text that names no legal move, and a move given
        to Board.san that legal_moves() does not list; the message says
        which (`Invalid`, `Illegal` or `Ambiguous`) and names the text.
    RuntimeError: re-entering an object from inside a call on it (for example
        from an `__index__` method): `RuntimeError("Already borrowed")` when either
        call writes, `RuntimeError("Already mutably borrowed")` when a read meets
        a write.
After any of these errors the object is unchanged and usable; a refused
Board.apply_move has recorded the move all the same (pop() takes it off).
"""
from os import PathLike
from typing import Any, BinaryIO, Dict, Iterator, List, Optional, Tuple, Union, final

__all__ = ["Board", "Move", "hello_world"]

@final
class Move:
    """One move: origin square, destination square, optional promotion letter.

    Move(from_square, to_square, promotion=None). Squares are unsigned 32-bit
    ints, 0-63 on the board; the generators give promotions as "q", "r", "n"
    or "b" (lower case for both colours). Moves compare and hash by identity:
    two moves with the same fields are not equal (Board.is_legal asks
    whether a board lists a move). Deleting a property raises
    `AttributeError("can't delete attribute")`. copy.copy, copy.deepcopy and
    pickle (every protocol) give a new move with the same three fields: a
    different object, so not `==` to the original.
    """
    def __new__(cls, from_square: int, to_square: int, promotion: Optional[str] = None) -> Move:
        """A new move.

        Raises:
            OverflowError: a square outside 0 to `2**32 - 1`.
            TypeError: a square that is no integer, a promotion that is no str.
            ValueError: a promotion of length other than 1.
        """
    @property
    def from_square(self) -> int:
        """The origin square: read/write, unsigned 32-bit (0-63 on the board).

        Raises:
            OverflowError: writing a value outside 0 to `2**32 - 1`.
            TypeError: writing a non-integer.
        """
    @from_square.setter
    def from_square(self, value: int) -> None:
        """The origin square: read/write, unsigned 32-bit (0-63 on the board).

        Raises:
            OverflowError: writing a value outside 0 to `2**32 - 1`.
            TypeError: writing a non-integer.
        """
    @property
    def to_square(self) -> int:
        """The destination square: read/write, unsigned 32-bit (0-63 on the board).

        Raises:
            OverflowError: writing a value outside 0 to `2**32 - 1`.
            TypeError: writing a non-integer.
        """
    @to_square.setter
    def to_square(self, value: int) -> None:
        """The destination square: read/write, unsigned 32-bit (0-63 on the board).

        Raises:
            OverflowError: writing a value outside 0 to `2**32 - 1`.
            TypeError: writing a non-integer.
        """
    @property
    def promotion(self) -> Optional[str]:
        """The promotion letter, or None: read/write, one character.

        Generated promotions are "q", "r", "n" and "b", lower case for both
        colours; Board.apply_move accepts only those four.

        Raises:
            TypeError: writing anything but a str or None.
            ValueError: writing a str of length other than 1.
        """
    @promotion.setter
    def promotion(self, value: Optional[str]) -> None:
        """The promotion letter, or None: read/write, one character.

        Generated promotions are "q", "r", "n" and "b", lower case for both
        colours; Board.apply_move accepts only those four.

        Raises:
            TypeError: writing anything but a str or None.
            ValueError: writing a str of length other than 1.
        """
    def uci(self) -> str:
        """The move in UCI text: "e2e4", "e7e8q" (the promotion letter as stored).

        Squares above 63 print with ranks 9-32 (Move(64, 255) is "a9h32");
        the square value wraps at 256.
        """
    @classmethod
    def from_uci(cls, text: str) -> Move:
        """A new move from its UCI text: "e2e4", or "e7e8q" with n, b, r or q.

        Squares are a1-h8 and promotion letters lower case, as the generators
        give them, so `Move.from_uci(m.uci())` rebuilds every move they
        produce. The texts uci() prints for other moves ("a9h32" for squares
        above 63, "e7e8Q" for an upper-case letter) are refused.

        Raises:
            ValueError: any other text, named in the message:
                `ValueError("invalid UCI move text: 'e2e9'")`.
            TypeError: a text that is no str:
                `TypeError("argument 'text': 'int' object cannot be converted to 'PyString'")`.
        """
    def __str__(self) -> str:
        """The UCI text, as uci()."""
    def __repr__(self) -> str:
        """The UCI text, as uci()."""
    def __copy__(self) -> Move:
        """A new move with the same three fields, for copy.copy."""
    def __deepcopy__(self, memo: Dict[int, Any]) -> Move:
        """A new move with the same three fields, for copy.deepcopy."""
    def __getstate__(self) -> Tuple[int, int, int, Optional[str]]:
        """The pickled state: (1, from_square, to_square, promotion), 1 being its format."""
    def __setstate__(self, state: Tuple[int, int, int, Optional[str]]) -> None:
        """Takes the three fields from a pickled state, as pickle does.

        Raises:
            TypeError: a state that is not a tuple of four items, a version or
                square that is no int, a promotion that is neither str nor None.
            ValueError: another format version
                (`ValueError("invalid Move state: unknown format version 2")`),
                a square outside 0 to `2**32 - 1`, a promotion of length other than 1.
        """
    def __reduce__(self) -> Tuple[Any, ...]:
        """(Move, (0, 0), state): pickle's recipe, the same for every protocol."""
    def __reduce_ex__(self, protocol: Any) -> Tuple[Any, ...]:
        """(Move, (0, 0), state), whatever the protocol."""

# The undo snapshot a board keeps with each applied move. The module does not
# export this class and Python code never receives an instance, so the name is
# private to these stubs: it exists only to annotate Board._restore.
@final
class _BoardState:
    """A board's undo snapshot; Python code never receives one."""

# The classes of PGN reading. The module does not export them (its names stay
# Board, Move and hello_world); type(game) and type(Board.read_pgn(...)) are
# them, and these private stub names exist to annotate what read_pgn gives.
@final
class _Game:
    """One game of a PGN file: its tags, main line, result and errors.

    Comments, NAGs, annotation suffixes and variations were read and
    skipped: only the main line is kept. Its runtime name is "Game".
    """
    @property
    def headers(self) -> Dict[str, str]:
        """The tag pairs in file order, values unescaped; a new dict each time.

        Bytes that are not UTF-8 read as U+FFFD. A tag given twice keeps the
        place of its first and the value of its last.
        """
    @property
    def moves(self) -> List[Move]:
        """The main line's moves, each checked against the legal moves; a new list each time.

        A game with a fault holds the moves before it.
        """
    @property
    def starting_fen(self) -> Optional[str]:
        """The FEN tag's position text, or None: the game starts from the standard position."""
    @property
    def result(self) -> str:
        """The termination marker, else the Result tag, else "*"."""
    @property
    def errors(self) -> List[str]:
        """What was wrong, each naming its line: "line 12: illegal move 7... Qxh7"; empty for a sound game."""
    def board(self) -> Board:
        """A new board at the end of the main line, its moves as the history (pop() takes them back).

        Raises:
            ValueError: the game has no position (its FEN tag was refused, or it was too long to read).
        """

@final
class _GameReader(Iterator[_Game]):
    """The games of a PGN file in file order, read as they are asked for. Its runtime name is "GameReader"."""
    def __iter__(self) -> _GameReader:
        """The reader itself."""
    def __next__(self) -> _Game:
        """The next game.

        Raises:
            StopIteration: after the last game of the range.
            ValueError: with strict=True, a game's first error.
            OSError: the file could not be read.
        """

@final
class Board:
    """One game: a position, the side to move and the history of applied moves.

    Board(starting_fen=None): None gives the standard starting position. The
    loader is lenient: fields are split at single spaces (at least six), the
    placement is OR-ed into the existing sets, side to move is White only for
    exactly "w", the castling text is stored verbatim unless "-", an unknown
    en passant file falls back to the a-file, and unreadable clocks read as 0.
    Setting any attribute that is not a property raises
    `AttributeError("'Board' object has no attribute 'x'")`. copy(),
    copy.copy, copy.deepcopy and pickle (every protocol) give an independent
    board with the whole game: the eight sets, side to move, castling text,
    en passant square, clocks, the position text it was built from and the
    history, so pop() on the copy takes back the same moves.
    """
    def __new__(cls, starting_fen: Optional[str] = None) -> Board:
        """A board loaded from FEN text, or the standard start for None.

        Raises:
            PanicException: position text it cannot read, and no board is made:
                `PanicException("Invalid starting fen; got <text>, with <n> parts")`
                for fewer than six fields,
                `PanicException("Invalid starting fen; piece placement runs off the board in <text>")`,
                `PanicException("Invalid piece type")` for an unknown placement letter,
                `PanicException("Invalid en passant square: <field>")` for an en
                passant field shorter than two characters or off ranks 1-8.
            TypeError: a starting_fen that is neither str nor None.
        """
    @property
    def turn(self) -> bool:
        """The side to move: True for White. Writable with True or False only.

        Raises:
            TypeError: writing anything but a bool:
                `TypeError("argument 'turn': 'int' object cannot be converted to 'PyBool'")`.
            AttributeError: deleting it.
        """
    @turn.setter
    def turn(self, value: bool) -> None:
        """The side to move: True for White. Writable with True or False only.

        Raises:
            TypeError: writing anything but a bool:
                `TypeError("argument 'turn': 'int' object cannot be converted to 'PyBool'")`.
            AttributeError: deleting it.
        """
    def set_board(self) -> None:
        """Loads the constructor's FEN again, OR-ing it onto the current sets.

        Raises:
            PanicException: as the constructor, for position text it cannot read.
        """
    def get_pieces(self, piece_type: str) -> int:
        """The set of one kind or colour as a 64-bit int, bit n for square n.

        "P"/"p" gives the pawns of both colours, likewise "R", "N", "B", "Q",
        "K"; "A"/"a" all pieces; "W"/"w" the White pieces.

        Raises:
            PanicException: `PanicException("Invalid piece type: x")` for an
                unknown letter (x stands for the letter).
            TypeError: a piece_type that is no str:
                `TypeError("argument 'piece_type': 'int' object cannot be converted to 'PyString'")`.
            ValueError: `ValueError("expected a string of length 1")`.
        """
    def set_pieces_or(self, piece_type: str, bitboard: int) -> None:
        """ORs bitboard into the kind's set and into White's (capital) or Black's.

        Nothing keeps the sets consistent: they may come to overlap.

        Raises:
            PanicException: `PanicException("Invalid piece type")` for a letter
                other than P R N B Q K in either case.
            OverflowError: a bitboard outside 0 to `2**64 - 1`.
            TypeError, ValueError: as get_pieces, for the letter.
        """
    def set_pieces_xor(self, piece_type: str, bitboard: int) -> None:
        """XORs bitboard into the kind's set only; the colour sets stay.

        Raises:
            PanicException: `PanicException("Invalid piece type")` for a letter
                other than P R N B Q K in either case.
            OverflowError: a bitboard outside 0 to `2**64 - 1`.
            TypeError, ValueError: as get_pieces, for the letter.
        """
    def pawn_moves(self) -> List[Move]:
        """The pseudo-legal pawn moves of the side to move, as new Move objects.

        Order: single pushes, double pushes, captures, en passant; each block
        by destination square descending; a promotion is four moves in place,
        q, r, n, b.
        """
    def knight_moves(self) -> List[Move]:
        """The pseudo-legal knight moves of the side to move.

        Order: origin square descending, then destination square descending.
        """
    def king_moves(self) -> List[Move]:
        """The pseudo-legal king moves of the side to move, without castling.

        Order: origin square descending, then destination square descending.
        Only the highest-numbered king of the side moves; without a king
        there are none.
        """
    def bishop_moves(self) -> List[Move]:
        """The pseudo-legal bishop moves of the side to move.

        Order: origin square descending, then direction (+9, +7, -7, -9),
        nearest square first.
        """
    def rook_moves(self) -> List[Move]:
        """The pseudo-legal rook moves of the side to move.

        Order: origin square descending, then direction (+8, +1, -1, -8),
        nearest square first.
        """
    def queen_moves(self) -> List[Move]:
        """The pseudo-legal queen moves of the side to move.

        Order: origin square descending, then direction (+9, +8, +7, +1, -1,
        -7, -8, -9), nearest square first.
        """
    def pseudo_legal_moves(self) -> List[Move]:
        """Every pseudo-legal move of the side to move; no castling.

        Order: the pawn, knight, king, bishop, rook and queen blocks, each in
        its own order.
        """
    def legal_moves(self) -> List[Move]:
        """The legal moves of the side to move, as new Move objects.

        Order: castling moves first (in the order of the castling-rights
        letters), then the pseudo-legal moves, in their order, that do not
        leave the mover's king reached by the opponent.
        """
    def _castling_moves(self) -> List[Move]:
        """The castling king moves open to the side to move.

        e1g1/e1c1 (e8g8/e8c8) for each of the mover's rights letters, in the
        order of the letters, while the mover's king stands on e1 (e8), its
        own rook on that corner, the squares between them are empty, and
        the king's square and the two it crosses and lands on are neither
        reached nor attacked by an opponent pawn (b1/b8 need only be empty).
        """
    def _is_attacked(self, square: int) -> bool:
        """Whether the side not to move reaches square; 64-255 are never reached.

        Raises:
            OverflowError: a square outside 0-255.
            TypeError: a non-integer:
                `TypeError("argument 'square': 'float' object cannot be interpreted as an integer")`.
        """
    def is_check(self) -> bool:
        """Whether the side to move's king is reached; False without a king."""
    def is_checkmate(self) -> bool:
        """Whether the side to move has no legal move and is in check."""
    def is_stalemate(self) -> bool:
        """Whether the side to move has no legal move and is not in check."""
    def is_game_over(self) -> bool:
        """Whether the side to move has no legal move (checkmate or stalemate).

        Only these end a game here: the clocks, repetitions and material are
        never consulted; result() and the draw predicates look at them.
        """
    def apply_move(self, mov: Move) -> None:
        """Plays the move and records it, with a snapshot for pop().

        The move is trusted: apply only moves from legal_moves() to stay
        within the rules. Castling rights: a move of the mover's king takes
        that side's letters (K and Q, or k and q) out of the castling text;
        a move from or onto a1, h1, a8 or h8 takes that corner's letter (Q,
        K, q, k), whichever side moves. A two-square king step while the
        mover holds a letter castles: the rook on that corner moves too.

        Raises:
            PanicException: the position is unchanged but the move was
                recorded, so pop() takes it off:
                `PanicException("Move squares must lie within 0-63 for a9a1")`
                for a square above 63,
                `PanicException("Could not find the piece to move for e3e4")`
                for an empty origin square,
                `PanicException("Panic in the disco!!! (promotion issue) for a7a8Q")`
                for a promotion letter other than q, r, b, n
                (each message ends with the move's UCI text).
            TypeError: a mov that is no Move:
                `TypeError("argument 'mov': 'int' object cannot be converted to 'Move'")`.
        """
    def pop(self) -> Move:
        """Takes the last applied move back and returns it as a new Move.

        Raises:
            PanicException: `PanicException("Cannot pop a move: the move history is empty")`.
        """
    def san(self, move: Move) -> str:
        """The move in Standard Algebraic Notation: "e4", "Nbd2", "exd6", "e8=Q", "O-O", "Qh5#".

        The move must be one that legal_moves() lists. The piece letter is
        the one the diagram shows on the origin square, in upper case (none
        for a pawn); a castling move is "O-O" towards the h-file, else
        "O-O-O"; a capture (en passant included) has "x", and a pawn capture
        names its origin file; a promotion ends in "=Q", "=R", "=B" or "=N".
        Among the other legal moves onto the same square from squares showing
        the same letter, the origin's file is added if that is enough, else
        its rank, else both. "#" follows when the move checkmates
        (is_checkmate() after it), else "+" when it checks (is_check()). The
        board is unchanged afterwards.

        Raises:
            ValueError: a move legal_moves() does not list, naming the move
                and the position:
                `ValueError("Illegal move: e2e5 in rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1")`.
            TypeError: a move that is no Move.
        """
    def parse_san(self, text: str) -> Move:
        """The legal move a SAN text names, as a new Move; the board is unchanged.

        Reads what game files hold beyond strict SAN: "0-0" and "0-0-0", a
        missing, extra or wrong "+" or "#", a trailing "!", "?", "!!", "??",
        "!?" or "?!", a promotion without "=" or in lower case ("e8Q",
        "e8=q"), more disambiguation than needed ("Ng1f3"), and a capture
        with or without "x" ("Nxf3", "ed5"); a pawn capture must name its
        file. parse_san(san(m)) gives m's squares and promotion for every
        legal move m.

        Raises:
            ValueError: text that is no SAN, `ValueError("Invalid SAN: Nf9")`;
                text naming no legal move, `ValueError("Illegal SAN: Ke2 in <position>")`;
                text naming more than one, `ValueError("Ambiguous SAN: Nd2 in <position>")`
                (the position as FEN text).
            TypeError: a text that is no str.
        """
    def apply_san(self, text: str) -> Move:
        """Plays and records the legal move a SAN text names, as parse_san reads it; returns it.

        Raises:
            ValueError: as parse_san, and then nothing is played or recorded:
                `ValueError("Invalid SAN: Nf9")`,
                `ValueError("Illegal SAN: Ke2 in <position>")`,
                `ValueError("Ambiguous SAN: Nd2 in <position>")`.
            TypeError: a text that is no str.
        """
    def parse_uci(self, text: str) -> Move:
        """The legal move a UCI text names ("e2e4", "e7e8q"), as a new Move.

        Four characters naming the two squares, and for a promotion a fifth,
        the letter; the move must be one that legal_moves() lists (a castling
        move is the king's, "e1g1").

        Raises:
            ValueError: text of another form, `ValueError("Invalid UCI: e2e9")`;
                a move legal_moves() does not list,
                `ValueError("Illegal UCI: e2e5 in <position>")`.
            TypeError: a text that is no str.
        """
    def apply_uci(self, text: str) -> Move:
        """Plays and records the legal move a UCI text names, as parse_uci reads it; returns it.

        Raises:
            ValueError: as parse_uci, and then nothing is played or recorded:
                `ValueError("Invalid UCI: e2e9")`,
                `ValueError("Illegal UCI: e2e5 in <position>")`.
            TypeError: a text that is no str.
        """
    def zobrist_hash(self) -> int:
        """The position's key in the Polyglot opening-book format, a 64-bit int.

        Made from the format's 781 values: the pieces by the letter the
        diagram shows on each square, the castling letters K, Q, k and q
        that the castling text holds (each once, other characters ignored),
        the en passant file when a pawn of the side to move attacks the en
        passant square, and the value for White to move. The starting
        position's key is 0x463b96181691fc9c. Worked out when asked.
        """
    def is_repetition(self, count: int = 3) -> bool:
        """Whether the current position has occurred at least count times in this board's game.

        The game's positions are those before each move of the history and
        the current one (a board from FEN has no earlier positions). Two
        positions are the same when all eight piece sets, the side to move
        and the castling letters K, Q, k, q held are the same, and the en
        passant square is the same where an en passant capture is legal (it
        counts as absent where none is). count 0 or 1 is always True.

        Raises:
            OverflowError: a count outside 0 to `2**32 - 1`.
            TypeError: a count that is no integer.
        """
    def is_fivefold_repetition(self) -> bool:
        """Whether the current position has occurred at least five times: is_repetition(5)."""
    def is_fifty_moves(self) -> bool:
        """Whether the half-move clock is at least 100 and the side to move has a legal move."""
    def is_seventyfive_moves(self) -> bool:
        """Whether the half-move clock is at least 150 and the side to move has a legal move."""
    def is_insufficient_material(self) -> bool:
        """Whether neither side has material to mate with, in the common approximation of a dead position.

        True when no pawn, rook or queen is on the board and what else
        stands there is the kings alone, the kings and one knight, or the
        kings and any number of bishops all on squares of one colour. Other
        dead positions (blocked pawn chains, for one) are not recognised.
        """
    def result(self, claim_draw: bool = False) -> str:
        """The game's result: "1-0", "0-1", "1/2-1/2", or "*" while it goes on.

        "1-0" or "0-1" on checkmate; "1/2-1/2" on stalemate, insufficient
        material, the seventy-five-move rule or fivefold repetition, and
        with claim_draw=True also on the fifty-move rule or threefold
        repetition. is_game_over() keeps its own contract: checkmate or
        stalemate only.

        Raises:
            TypeError: a claim_draw other than True, False or None.
        """
    def _reset_half_move_clock(self, from_mask: int, to_mask: int) -> bool:
        """Whether an own pawn is on from_mask or an opposing piece on to_mask.

        Raises:
            OverflowError: a mask outside 0 to `2**64 - 1`.
        """
    def _check_castling_rights(self) -> bool:
        """Whether the side to move holds K or Q (k or q for Black)."""
    def _remove_castling_rights(self, id: str) -> None:
        """Removes castling rights: "a" all of them, "k"/"q" the mover's letter.

        Raises:
            PanicException: `PanicException("Invalid castling rights")` for an id
                other than a, k, q;
                `PanicException("Invalid castling rights: there are no castling rights to remove")`
                for "k" or "q" when the castling text is "-".
            TypeError, ValueError: as get_pieces, for the letter.
        """
    def _restore(self, board_state: _BoardState) -> None:
        """Restores an undo snapshot; Python code has none, so this always fails.

        Raises:
            TypeError: for every argument Python code can pass.
        """
    def pgn(self, headers: Optional[Dict[str, str]] = None) -> str:
        """The board's game as PGN text in the standard's export format.

        The game runs from the position before the first recorded move (the
        current position when there is none) through the history. The
        seven-tag roster comes first in its order, "?" where unknown (the
        Date "????.??.??"), then SetUp and FEN where the game did not start
        from the standard position, then the other headers in their order;
        the movetext is SAN with move numbers ("1... e5" when Black moves
        first), in lines of at most 80 characters, and ends in the result:
        the Result header's where given, else result(). A FEN or SetUp
        header is replaced by the game's own.

        Raises:
            ValueError: a move of the history that is not legal where it was
                played (apply_move does not check legality), a history its
                positions do not follow from (the pieces were changed between
                moves, or after the last), a tag name that is not letters,
                digits and "_", a tag value with a line break.
            TypeError: headers that are not a dict of str to str.
        """
    @staticmethod
    def read_pgn(source: Union[str, "PathLike[str]", BinaryIO], *, strict: bool = False, start: int = 0,
                 stop: Optional[int] = None) -> _GameReader:
        """The games of a PGN file, read as the iterator is asked for them.

        source is a path, or a file object opened for reading bytes. It is
        read in pieces of 64 KiB, so memory stays bounded by the largest
        game. A bad game (an illegal, ambiguous or unreadable move, a broken
        tag, a comment or variation never closed, a FEN tag the loader
        refuses) gets its errors, and reading goes on with the next; a game
        of more than 4 MiB is skipped with an error. With start and stop,
        only the games whose first byte ("[" of the first tag, or the first
        movetext character) lies at a byte offset in [start, stop) are
        given, each read to its end: any cutting of a file into ranges gives
        every game exactly once. The bytes before start are scanned (not
        played) to know where the games begin.

        Raises:
            TypeError: a source that is neither a path nor a binary file
                object, or a file read() that gives no bytes.
            ValueError: with strict=True, from the iterator: a game's first error.
            OSError: the path cannot be opened.
        """
    def __str__(self) -> str:
        """The diagram: 8 lines of 8 cells, rank 8 first, "." empty, White upper case."""
    def __repr__(self) -> str:
        """The diagram, as str()."""
    def fen(self) -> str:
        """The position as FEN text: placement, side, castling, en passant, clocks.

        Each square shows the letter str() shows there; the castling text as
        stored ("-" when absent, an empty field when it is empty); the en
        passant square by name or "-". On a board whose sets are consistent
        (each occupied square in exactly one kind and one colour),
        Board(board.fen()) has the same sets, side to move, castling text, en
        passant square and clocks; the history and the position text the
        board was built from are not part of it (copy() keeps them).
        """
    def piece_at(self, square: int) -> Optional[str]:
        """The letter str() shows on square (0-63), or None for an empty one.

        Raises:
            OverflowError: a square outside 0-63:
                `OverflowError("out of range integral type conversion attempted")`.
            TypeError: a non-integer.
        """
    def is_legal(self, move: Move) -> bool:
        """Whether legal_moves() lists a move with the same three fields.

        Moves compare by identity, so `move in board.legal_moves()` is always
        False; this asks by the fields, without making the list, and leaves
        the board as it was. A move off the board or with an unknown letter
        is simply not legal.

        Raises:
            TypeError: a move that is no Move:
                `TypeError("argument 'move': 'int' object cannot be converted to 'Move'")`.
        """
    def is_pseudo_legal(self, move: Move) -> bool:
        """Whether pseudo_legal_moves() lists a move with the same three fields.

        Raises:
            TypeError: a move that is no Move.
        """
    def copy(self) -> Board:
        """An independent board with the whole game, history included.

        Nothing done to either board afterwards shows in the other.
        """
    def __copy__(self) -> Board:
        """The same as copy(), for copy.copy."""
    def __deepcopy__(self, memo: Dict[int, Any]) -> Board:
        """The same as copy(), for copy.deepcopy: a board holds no Python objects."""
    def __getstate__(self) -> Tuple[int, bytes]:
        """The pickled state: (1, the whole record as bytes), 1 being its format.

        The bytes are data only: the position text, the position and each
        history entry's move and snapshot, little-endian.
        """
    def __setstate__(self, state: Tuple[int, bytes]) -> None:
        """Replaces the whole game by the one a pickled state describes.

        Every value is checked; a state is refused whole, and the board is
        then unchanged. Everything a board can come to hold through its
        members loads back: overlapping sets, any squares in its history,
        any castling text.

        Raises:
            TypeError: a state that is not a tuple of an int and bytes.
            ValueError: another format version
                (`ValueError("invalid Board state: unknown format version 2 (this build reads version 1)")`),
                bytes that end early or run on, values out of range, or a
                position text that does not load; the message names what is wrong.
        """
    def __reduce__(self) -> Tuple[Any, ...]:
        """(Board, (), state): pickle's recipe, the same for every protocol."""
    def __reduce_ex__(self, protocol: Any) -> Tuple[Any, ...]:
        """(Board, (), state), whatever the protocol."""

def hello_world() -> None:
    """Prints "Hello World!" through the native standard output, not sys.stdout."""
