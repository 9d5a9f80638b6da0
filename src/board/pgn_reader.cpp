#include "board/pgn_reader.hpp"

#include <algorithm>

#include "board/error.hpp"
#include "board/movegen.hpp"
#include "board/san_read.hpp"

namespace plindervox {
namespace {

// A tag value as written, its escapes undone: \" is a quote, \\ a backslash.
std::string unescaped(std::string_view value) {
    if (value.find('\\') == std::string_view::npos) return std::string(value);
    std::string text;
    text.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size() && (value[i + 1] == '"' || value[i + 1] == '\\')) ++i;
        text += value[i];
    }
    return text;
}

std::string at_line(std::uint64_t line) { return "line " + std::to_string(line) + ": "; }

// A byte as a message shows it: itself when printable ASCII, else its code.
std::string shown_byte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x21 && byte < 0x7F) return std::string("'") + c + "'";
    static constexpr char HEX[] = "0123456789abcdef";
    return std::string("byte 0x") + HEX[byte >> 4] + HEX[byte & 15];
}

std::string fault_text(const PgnToken& token, std::string_view bytes) {
    switch (token.fault) {
        case PgnFault::broken_tag: return "broken tag pair";
        case PgnFault::unterminated_comment: return "comment not closed";
        case PgnFault::unterminated_variation: return "variation not closed";
        case PgnFault::unmatched_parenthesis: return "')' outside any variation";
        case PgnFault::unexpected_character: return "unexpected " + shown_byte(bytes[token.begin]);
    }
    return "unreadable movetext";
}

// "12. Nf3" or "12... Nf3": the move's number and side, as the movetext writes them.
std::string numbered(const Board& board, std::string_view text) {
    return std::to_string(board.full_move_number) + (board.turn ? ". " : "... ") + std::string(text);
}

std::string san_fault_text(SanFault fault) {
    switch (fault) {
        case SanFault::not_san: return "unreadable move ";
        case SanFault::ambiguous: return "ambiguous move ";
        default: return "illegal move ";
    }
}

const std::string* header(const PgnGame& game, std::string_view name) {
    for (const auto& [tag, value] : game.headers) {
        if (tag == name) return &value;
    }
    return nullptr;
}

// The position the movetext starts from: the FEN tag's, else the standard start.
void set_up_board(PgnGame& game, std::uint64_t line) {
    if (const std::string* fen = header(game, "FEN")) game.starting_fen = *fen;
    try {
        game.board = make_board(game.starting_fen);
    } catch (const CoreError& failure) {
        game.errors.push_back(at_line(line) + "FEN tag refused: " + failure.message);
    }
}

}  // namespace

PgnGame read_game(std::string_view bytes, const std::vector<PgnToken>& tokens, std::uint64_t first_line) {
    PgnGame game;
    game.headers.reserve(16);  // the roster and a few more: most games never grow it
    // A token's bytes; its offsets come from the scanner, so lie within the game.
    const auto text_of = [bytes](std::uint32_t begin, std::uint32_t end) {
        return std::string_view(bytes.data() + begin, end - begin);
    };
    bool set_up = false;
    bool playing = true;  // until the first fault: the moves after it cannot be checked
    // Whether the pieces are consistent, found once: legal moves keep a
    // consistent board so, but for an en passant capture of a missing pawn.
    bool consistent = false;
    std::optional<std::string> marker;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const PgnToken& token = tokens[i];
        const std::string_view text = text_of(token.begin, token.end);
        if (token.kind == PgnToken::Kind::tag_name && i + 1 < tokens.size()) {
            const PgnToken& value = tokens[++i];
            game.headers.emplace_back(std::string(text), unescaped(text_of(value.begin, value.end)));
            continue;
        }
        if (!set_up && token.kind != PgnToken::Kind::fault) {
            set_up_board(game, token.line);
            set_up = true;
            playing = playing && game.board.has_value();
            consistent = playing && is_consistent(*game.board);
        }
        switch (token.kind) {
            case PgnToken::Kind::san: {
                if (!playing) break;
                const std::optional<Square> en_passant = game.board->en_passant_square;
                const SanReading reading = play_san(*game.board, text, consistent);
                if (reading.fault != SanFault::none) {
                    game.errors.push_back(at_line(token.line) + san_fault_text(reading.fault) + numbered(*game.board, text));
                    playing = false;
                } else if (en_passant == reading.move.to_square) {
                    consistent = is_consistent(*game.board);
                }
                break;
            }
            case PgnToken::Kind::result:
                marker = std::string(text);
                break;
            case PgnToken::Kind::fault:
                game.errors.push_back(at_line(token.line) + fault_text(token, bytes));
                playing = false;
                break;
            default:
                break;
        }
    }
    if (!set_up) set_up_board(game, first_line);
    if (marker) {
        game.result = *marker;
    } else if (const std::string* result = header(game, "Result")) {
        game.result = *result;
    }
    return game;
}

PgnReader::PgnReader(PgnSource source, std::uint64_t start, std::uint64_t stop) : source_(std::move(source)) {
    scanner_.set_range(start, stop);
    done_ = start >= stop;
}

bool PgnReader::read_more() {
    drop_unneeded_bytes();
    const std::size_t kept = buffer_.size();
    buffer_.resize(kept + CHUNK_BYTES);
    const std::size_t got = source_(buffer_.data() + kept, CHUNK_BYTES);
    buffer_.resize(kept + std::min(got, CHUNK_BYTES));
    return got != 0;
}

// Keeps the bytes from the first one still needed: the game being read, when
// it is one of the range and not too long to keep.
void PgnReader::drop_unneeded_bytes() {
    const std::uint64_t needed = too_long_ ? scanned_ : scanner_.needed_from(scanned_);
    const std::size_t drop = static_cast<std::size_t>(std::min<std::uint64_t>(needed - buffer_offset_, buffer_.size()));
    buffer_.erase(0, drop);
    buffer_offset_ += drop;
}

PgnGame PgnReader::take_game(std::uint64_t end) {
    const std::uint64_t start = scanner_.game_start();
    PgnGame game;
    if (too_long_) {
        too_long_ = false;
        game.errors.push_back(at_line(scanner_.game_line()) + "game longer than " + std::to_string(MAX_GAME_BYTES) +
                              " bytes, skipped");
    } else {
        const std::string_view bytes(buffer_.data() + (start - buffer_offset_), end - start);
        game = read_game(bytes, scanner_.tokens(), scanner_.game_line());
    }
    game.offset = start;
    return game;
}

std::optional<PgnGame> PgnReader::next() {
    if (!started_) {
        // A byte-order mark may open the file: it is no part of any game.
        started_ = true;
        while (buffer_.size() < 3 && !at_end_) at_end_ = !read_more();
        if (buffer_.compare(0, 3, "\xEF\xBB\xBF") == 0) scanned_ = 3;
    }
    while (!done_) {
        while (scanned_ < buffer_offset_ + buffer_.size()) {
            const std::size_t from = static_cast<std::size_t>(scanned_ - buffer_offset_);
            PgnScanner::Event event;
            scanned_ += scanner_.scan(std::string_view(buffer_).substr(from), scanned_, event);
            if (!too_long_ && scanner_.recording() && scanned_ - scanner_.game_start() > MAX_GAME_BYTES) {
                too_long_ = true;
                scanner_.stop_recording_tokens();
            }
            if (event.kind == PgnScanner::Event::Kind::game_ended) return take_game(event.offset);
            if (event.kind == PgnScanner::Event::Kind::past_range) done_ = true;
            if (done_) return std::nullopt;
        }
        if (at_end_) {
            done_ = true;
            const PgnScanner::Event event = scanner_.finish(scanned_);
            if (event.kind == PgnScanner::Event::Kind::game_ended) return take_game(event.offset);
            return std::nullopt;
        }
        at_end_ = !read_more();
    }
    return std::nullopt;
}

}  // namespace plindervox
