"""Board.read_pgn: what real PGN files contain, bad games that do not stop a
file, the sources a file can come from, and byte ranges that split a file."""
import io
import random
from pathlib import Path

import pytest

import plindervox
from plindervox import Board

from conftest import uci

RUY_LOPEZ = ["e2e4", "e7e5", "g1f3", "b8c6", "f1b5", "a7a6"]


def games_of(data, **options):
    return list(Board.read_pgn(io.BytesIO(data), **options))


def only_game(data):
    [game] = games_of(data)
    return game


# Each layout of real files, with the main line it must give.
@pytest.mark.parametrize("data, moves", [
    pytest.param(b'[Event "x"]\n\n1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 *\n', RUY_LOPEZ, id="LF"),
    pytest.param(b'[Event "x"]\r\n\r\n1. e4 e5 2. Nf3\r\nNc6 3. Bb5 a6 *\r\n', RUY_LOPEZ, id="CRLF"),
    pytest.param(b'\xef\xbb\xbf[Event "x"]\n\n1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 *\n', RUY_LOPEZ, id="byte-order mark"),
    pytest.param(b'%written by a tool\n[Event "x"]\n%and here\n\n1. e4 e5 2. Nf3 Nc6\n% c d e\n3. Bb5 a6 *\n',
                 RUY_LOPEZ, id="escape lines"),
    pytest.param(b'[Event "x"]\n\n1. e4 e5 ; Nf6 would be odd\n2. Nf3 Nc6 3. Bb5 a6 *', RUY_LOPEZ,
                 id="semicolon comment"),
    pytest.param(b'[Event "x"]\n\n1. e4 {the king\'s pawn,\nover two lines; (not a variation)} e5 2. Nf3 Nc6 '
                 b'3. Bb5 a6 *', RUY_LOPEZ, id="brace comment over lines"),
    pytest.param(b'1. e4 e5 (1... c5 2. Nf3 (2. c3 d5 (2... Nf6)) 2... d6) 2. Nf3 Nc6 3. Bb5 a6 *', RUY_LOPEZ,
                 id="nested variations"),
    pytest.param(b'1. e4! e5?! 2. Nf3 $1 Nc6 $14 3. Bb5!! a6?? *', RUY_LOPEZ, id="NAGs and suffixes"),
    pytest.param(b'1.e4 e5 2.Nf3 2...Nc6 3. Bb5 3... a6 *', RUY_LOPEZ, id="move numbers with and without spaces"),
    pytest.param(b'1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 4. O-O Nf6 5. d3 Be7 6. Nc3 0-0 *',
                 RUY_LOPEZ + ["e1g1", "g8f6", "d2d3", "f8e7", "b1c3", "e8g8"], id="O-O and 0-0"),
    pytest.param(b'[Event "x"]\n\n1. e4 e5 2. Nf3 Nc6 3. Bb5 a6\n', RUY_LOPEZ, id="no termination marker"),
    pytest.param(b'1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 1-0', RUY_LOPEZ, id="no tag section"),
    pytest.param(b'[Event "x"]\n\n1. e4 e5\n\n2. Nf3 Nc6\n\n\n3. Bb5 a6 *', RUY_LOPEZ, id="blank lines in movetext"),
    pytest.param(b'[Event "x"]\n\n1. e4 e5 2. Nf3\x00 Nc6 3. Bb5 a6 *\x00\x00', RUY_LOPEZ, id="null bytes"),
    pytest.param(b'[Event "x"]\n\n1. e4 e5 2. Nf3 Nc6 3. Bb5 a6', RUY_LOPEZ, id="the file ends inside the game"),
    pytest.param(b'1. e4 e5 2. Nf3 Nc6 3. Bb5+ a6# *', RUY_LOPEZ, id="wrong check and mate signs"),
])
def test_real_file_layouts_give_the_main_line(data, moves):
    game = only_game(data)
    assert uci(game.moves) == moves
    assert game.errors == []


def test_tags_come_in_file_order_with_their_escapes_undone():
    game = only_game(b'[Event "The \\"Open\\""]\n[Site "C:\\\\games"]\n[White "A"]\n[Result "1-0"]\n\n1. e4 1-0\n')
    assert list(game.headers.items()) == [("Event", 'The "Open"'), ("Site", "C:\\games"), ("White", "A"),
                                          ("Result", "1-0")]
    assert game.result == "1-0"


def test_a_tag_value_that_is_not_utf8_reads_with_replacement_characters():
    game = only_game(b'[White "M\xfcller"]\n[Black "\xe9\xe9"]\n\n1. e4 *')
    assert game.headers == {"White": "M\ufffdller", "Black": "\ufffd\ufffd"}


@pytest.mark.parametrize("data, result", [
    (b'[Result "0-1"]\n\n1. e4 0-1', "0-1"),
    (b'[Result "0-1"]\n\n1. e4', "0-1"),            # no marker: the tag's
    (b'[Result "0-1"]\n\n1. e4 1/2-1/2', "1/2-1/2"),  # the marker wins
    (b'1. e4', "*"),
])
def test_the_result_is_the_marker_else_the_result_tag_else_a_star(data, result):
    assert only_game(data).result == result


def test_games_separated_only_by_the_next_tag_section():
    games = games_of(b'[Event "a"]\n1. e4 *\n[Event "b"]\n1. d4\n[Event "c"]\n\n1. c4 e5 1-0')
    assert [(g.headers["Event"], uci(g.moves), g.result) for g in games] == [
        ("a", ["e2e4"], "*"), ("b", ["d2d4"], "*"), ("c", ["c2c4", "e7e5"], "1-0")]


def test_a_fen_tag_sets_the_start_and_board_gives_the_whole_history():
    fen = "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1"
    game = only_game(f'[SetUp "1"]\n[FEN "{fen}"]\n\n1. e4 Kd7 2. e5 *'.encode())
    assert game.starting_fen == fen and uci(game.moves) == ["e2e4", "e8d7", "e4e5"]
    board = game.board()
    assert board.turn is False and board.get_pieces("P") == 1 << 36
    assert [board.pop().uci() for _ in range(3)] == ["e4e5", "e8d7", "e2e4"]
    assert str(board) == str(Board(fen))
    assert game.board() is not game.board() and uci(game.moves) == ["e2e4", "e8d7", "e4e5"]
    assert only_game(b"1. e4 *").starting_fen is None


NEXT = b'\n\n[Event "next"]\n\n1. d4 d5 *\n'


@pytest.mark.parametrize("data, moves, error", [
    (b'[Event "a"]\n\n1. e4 e5 2. Ke3 Nc6 *', ["e2e4", "e7e5"], "line 3: illegal move 2. Ke3"),
    (b'[FEN "4k3/8/8/8/8/8/8/1N1K1N2 w - - 0 1"]\n\n1. Nd2 *', [], "line 3: ambiguous move 1. Nd2"),
    (b'[Event "a"]\n\n1. e4 Zz9 *', ["e2e4"], "line 3: unreadable move 1... Zz9"),
    (b'[Event "a"]\n[Site b]\n\n1. e4 *', [], "line 2: broken tag pair"),
    (b'[Event "a"]\n\n1. e4 { a comment never closed\n2. d4', ["e2e4"], "line 3: comment not closed"),
    (b'[Event "a"]\n\n1. e4 (1. d4 d5\n2. c4', ["e2e4"], "line 3: variation not closed"),
    (b'[Event "a"]\n[FEN "8/8 w"]\n\n1. e4 *', [], "line 4: FEN tag refused: Invalid starting fen"),
])
def test_a_bad_game_gets_its_error_and_the_next_game_is_read(data, moves, error):
    bad, good = games_of(data + NEXT)
    assert uci(bad.moves) == moves
    assert bad.errors and bad.errors[0].startswith(error), bad.errors
    assert (good.headers, uci(good.moves), good.errors) == ({"Event": "next"}, ["d2d4", "d7d5"], [])
    with pytest.raises(ValueError) as raised:
        games_of(data + NEXT, strict=True)
    assert str(raised.value) == bad.errors[0]


def test_a_game_without_a_position_has_no_board():
    game = only_game(b'[FEN "8/8 w"]\n\n1. e4 *')
    with pytest.raises(ValueError, match="^the game has no position: line 3: FEN tag refused"):
        game.board()


def test_sources_paths_pathlike_and_binary_files(tmp_path):
    path = tmp_path / "games.pgn"
    path.write_bytes(b'[Event "a"]\n\n1. e4 *\n\n[Event "b"]\n\n1. d4 *\n')
    for source in (str(path), path, open(path, "rb"), io.BufferedReader(io.BytesIO(path.read_bytes()))):
        assert [g.headers["Event"] for g in Board.read_pgn(source)] == ["a", "b"]


@pytest.mark.parametrize("source, error, message", [
    (5, TypeError, "argument 'source': 'int' object is neither a path nor a binary file"),
    (io.StringIO("1. e4 *"), TypeError, 'read_pgn needs a binary file (opened with "rb"), not a text file'),
    ("/nonexistent/games.pgn", FileNotFoundError, "No such file or directory"),
])
def test_sources_that_cannot_be_read(source, error, message):
    with pytest.raises(error) as raised:
        Board.read_pgn(source)
    assert message in str(raised.value)


class StrReader:
    def read(self, size):
        return "1. e4 *"


class GreedyReader:
    def read(self, size):
        return b" " * (size + 1)


@pytest.mark.parametrize("source, message", [
    (StrReader(), "read_pgn needs a binary file: read() returned 'str', not bytes"),
    (GreedyReader(), "returned 65537 bytes"),
])
def test_a_file_whose_read_misbehaves_is_refused_when_it_is_read(source, message):
    games = Board.read_pgn(source)
    with pytest.raises((TypeError, ValueError), match=message.replace("(", r"\(").replace(")", r"\)")):
        next(games)


def test_the_reader_is_its_own_iterator_and_its_classes_stay_out_of_the_module():
    games = Board.read_pgn(io.BytesIO(b"1. e4 *"))
    assert iter(games) is games
    game = next(games)
    assert (type(game).__name__, type(games).__name__) == ("Game", "GameReader")
    assert not hasattr(plindervox, "Game") and not hasattr(plindervox, "GameReader")
    assert plindervox.__all__ == ["Board", "Move", "hello_world"]
    with pytest.raises(StopIteration):
        next(games)
    with pytest.raises(AttributeError, match="not writable"):
        game.moves = []
    for cls in (type(game), type(games)):
        with pytest.raises(TypeError, match=f"^No constructor defined for {cls.__name__}$"):
            cls()


def test_keyword_only_options():
    with pytest.raises(TypeError, match=r"takes 1 positional arguments but 2 were given"):
        Board.read_pgn(io.BytesIO(b""), True)
    assert games_of(b"1. e4 *", strict=False, start=0, stop=None)[0].result == "*"


def sample_file():
    """Games of every layout above, some broken, repeated with comments between."""
    parts = [b'[Event "a"]\r\n[Site "x"]\r\n\r\n1. e4 {c\r\n[%clk 0:01]} e5 (1... c5) 2. Nf3 1-0\r\n',
             b'1. d4 d5 *\n', b'[Event "b"]\n1. c4 *\n[Event "c"]\n\n1. e4 e5 2. Ke3 *\n',
             b'{ between games }\n%escape\n', b'[Event "d"]\n\n1. e4 { never closed\n\n',
             b'[Event "e"]\n[White "\\"q\\""]\n\n1. Nf3 Nf6 2. g3 g6 3. Bg2 Bg7 4. O-O O-O 1/2-1/2\n\n']
    return b"".join(parts * 8)


def describe(games):
    return [(g.headers, uci(g.moves), g.result, g.errors) for g in games]


def test_any_cut_into_byte_ranges_gives_every_game_exactly_once(tmp_path):
    data = sample_file()
    whole = describe(games_of(data))
    assert len(whole) == 48
    rng = random.Random(5)
    cuts_list = [sorted(rng.sample(range(1, len(data)), k)) for k in (1, 2, 5, 30)]
    cuts_list.append(list(range(1, len(data))))  # one-byte ranges
    for cuts in cuts_list:
        bounds = [0] + cuts + [len(data)]
        found = []
        for start, stop in zip(bounds, bounds[1:]):
            found += describe(games_of(data, start=start, stop=stop))
        assert found == whole, cuts[:10]
    path = tmp_path / "sample.pgn"
    path.write_bytes(data)
    half = len(data) // 2
    assert describe(Board.read_pgn(path, stop=half)) + describe(Board.read_pgn(path, start=half)) == whole


def test_a_range_past_the_end_or_empty_gives_nothing():
    data = sample_file()
    assert games_of(data, start=len(data)) == []
    assert games_of(data, start=100, stop=100) == []
    assert games_of(data, start=200, stop=100) == []


def random_game(seed, fen=None, plies=120):
    rng = random.Random(seed)
    board = Board(fen)
    for _ in range(plies):
        moves = board.legal_moves()
        if not moves:
            break
        board.apply_move(rng.choice(moves))
    return board


@pytest.mark.parametrize("seed, fen", [(1, None), (2, None), (3, "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1"),
                                       (4, "8/P6k/8/8/8/8/6Kp/8 w - - 0 40")])
def test_what_pgn_writes_reads_back_as_the_same_game(seed, fen):
    board = random_game(seed, fen)
    headers = {"Event": 'A "quoted" \\ event', "White": "Ana", "ECO": "C42", "Annotator": "tests"}
    text = board.pgn(headers)
    assert all(len(line) <= 80 for line in text.splitlines())
    [game] = games_of(text.encode())
    assert game.errors == []
    assert {k: game.headers[k] for k in headers} == headers
    assert list(game.headers)[:7] == ["Event", "Site", "Date", "Round", "White", "Black", "Result"]
    assert (game.headers["Site"], game.headers["Date"]) == ("?", "????.??.??")
    assert game.result == game.headers["Result"] == board.result()
    again = game.board()
    assert str(again) == str(board) and again.zobrist_hash() == board.zobrist_hash()
    assert [again.pop().uci() for _ in game.moves] == [board.pop().uci() for _ in game.moves]
    assert game.starting_fen == fen and ("[SetUp \"1\"]" in text) == (fen is not None)


def test_pgn_numbers_moves_from_the_side_to_move_and_ends_in_the_result():
    board = Board("4k3/8/8/8/8/8/4P3/4K3 b - - 0 7")
    for san in ("Kd7", "e4", "Ke6"):
        board.apply_san(san)
    assert board.pgn().split("\n\n", 1)[1] == "7... Kd7 8. e4 Ke6 *\n"
    assert board.pgn({"Result": "1-0"}).endswith("8. e4 Ke6 1-0\n")
    mated = Board()
    for san in ("f3", "e5", "g4", "Qh4#"):
        mated.apply_san(san)
    assert mated.pgn().endswith("2. g4 Qh4# 0-1\n")
    assert Board().pgn().endswith('[Result "*"]\n\n*\n')


def test_a_history_that_is_no_game_cannot_be_written():
    board = Board()
    board.apply_move(plindervox.Move(12, 36))  # e2e5: applied, though no legal move
    with pytest.raises(ValueError, match=r"^Cannot write the game as PGN: move 1 \(e2e5\) is not legal where it was played"):
        board.pgn()
    edited = Board()
    edited.apply_san("e4")
    edited.set_pieces_xor("Q", 1 << 3)  # the white queen taken off between moves
    with pytest.raises(ValueError, match="the board's position is not the one its moves lead to"):
        edited.pgn()


@pytest.mark.parametrize("headers, error, message", [
    ({"Bad Name": "x"}, ValueError, "Invalid PGN tag name: 'Bad Name'"),
    ({"": "x"}, ValueError, "Invalid PGN tag name: ''"),
    ({"Event": "two\nlines"}, ValueError, "Invalid PGN tag value for Event"),
    ({"Round": 3}, TypeError, "headers must map str to str: a tag value is 'int'"),
    ({1: "x"}, TypeError, "headers must map str to str: a tag name is 'int'"),
    (["Event"], TypeError, "argument 'headers': 'list' object cannot be converted to 'dict'"),
])
def test_pgn_refuses_tags_it_cannot_write(headers, error, message):
    with pytest.raises(error, match=message):
        Board().pgn(headers)
