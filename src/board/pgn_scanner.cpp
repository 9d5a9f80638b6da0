#include "board/pgn_scanner.hpp"

#include <array>

namespace plindervox {
namespace {

// What each byte can be, looked up once per byte.
enum : std::uint8_t { SPACE = 1, NAME = 2, SYMBOL = 4 };

constexpr std::array<std::uint8_t, 256> BYTE_CLASSES = [] {
    std::array<std::uint8_t, 256> classes{};
    // White space between tokens; a null byte reads as white space too.
    for (const char c : {' ', '\t', '\r', '\v', '\f', '\0'}) classes[static_cast<unsigned char>(c)] = SPACE;
    // A tag's name: letters, digits and "_"; a move, a move number or a
    // termination marker: those and + # = : - /.
    for (int c = 0; c < 256; ++c) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_') {
            classes[c] = NAME | SYMBOL;
        }
    }
    for (const char c : {'+', '#', '=', ':', '-', '/'}) classes[static_cast<unsigned char>(c)] = SYMBOL;
    return classes;
}();

bool has_class(char c, std::uint8_t bits) { return (BYTE_CLASSES[static_cast<unsigned char>(c)] & bits) != 0; }
bool is_space(char c) { return has_class(c, SPACE); }
bool is_name_char(char c) { return has_class(c, NAME); }
bool is_symbol_char(char c) { return has_class(c, SYMBOL); }

bool is_digits(std::string_view text) {
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

bool is_termination(std::string_view text) { return text == "1-0" || text == "0-1" || text == "1/2-1/2"; }

}  // namespace

bool PgnScanner::game_open() const {
    switch (mode_) {
        case Mode::between: case Mode::between_comment: return false;
        case Mode::line_comment: case Mode::escape_line: return resume_ != Mode::between;
        default: return true;
    }
}

std::uint64_t PgnScanner::needed_from(std::uint64_t offset) const {
    if (pending_tag_) return bracket_at_;
    if (game_open() && recording_) return game_start_;
    // A "[" opening a line in a comment may begin the next game.
    if (mode_ == Mode::comment_bracket || mode_ == Mode::comment_tag_name || mode_ == Mode::comment_tag_space) {
        return bracket_at_;
    }
    return offset;
}

void PgnScanner::record(PgnToken::Kind kind, std::uint64_t begin, std::uint64_t end, std::uint64_t line) {
    if (!recording_ || !keep_tokens_) return;
    tokens_.push_back(PgnToken{kind, PgnFault{}, static_cast<std::uint32_t>(begin - game_start_),
                               static_cast<std::uint32_t>(end - game_start_), line});
}

void PgnScanner::record_fault(PgnFault fault, std::uint64_t line, std::uint64_t at) {
    if (!recording_ || !keep_tokens_) return;
    const auto offset = static_cast<std::uint32_t>(at > game_start_ ? at - game_start_ : 0);
    tokens_.push_back(PgnToken{PgnToken::Kind::fault, fault, offset, offset + 1, line});
}

void PgnScanner::start_game(std::uint64_t at, Event& event) {
    tokens_.clear();
    keep_tokens_ = true;
    game_start_ = at;
    game_line_ = line_;
    depth_ = 0;
    tags_closed_ = false;
    recording_ = at >= range_start_ && at < range_stop_;
    if (at >= range_stop_) event = Event{Event::Kind::past_range, at};
}

void PgnScanner::end_game(std::uint64_t at, Event& event) {
    switch (mode_) {
        case Mode::comment: case Mode::comment_bracket: case Mode::comment_tag_name: case Mode::comment_tag_space:
            record_fault(PgnFault::unterminated_comment, opened_line_);
            break;
        case Mode::tag_open: case Mode::tag_name: case Mode::tag_before_value: case Mode::tag_value:
        case Mode::tag_value_escape: case Mode::tag_after_value: case Mode::tag_broken:
            record_fault(PgnFault::broken_tag, line_);
            break;
        default:
            break;
    }
    if (depth_ > 0) record_fault(PgnFault::unterminated_variation, variation_line_);
    mode_ = Mode::between;
    depth_ = 0;
    if (recording_) event = Event{Event::Kind::game_ended, at};
}

void PgnScanner::open_comment(Mode resume) {
    resume_ = resume;
    mode_ = Mode::comment;
    opened_line_ = line_;
}

void PgnScanner::finish_symbol(std::uint64_t at, Event& event) {
    mode_ = Mode::movetext;
    if (depth_ > 0) return;  // inside a variation
    // A move begins with a letter, but for "0-0"; move numbers and
    // termination markers begin with a digit.
    const bool digit_first = symbol_[0] >= '0' && symbol_[0] <= '9';
    if (!digit_first) {
        record(PgnToken::Kind::san, token_start_, at, line_);
        return;
    }
    const std::string_view text(symbol_, symbol_size_ < sizeof symbol_ ? symbol_size_ : sizeof symbol_);
    const bool whole = symbol_size_ <= sizeof symbol_;
    if (whole && is_digits(text)) return;  // a move number
    if (whole && is_termination(text)) {
        record(PgnToken::Kind::result, token_start_, at, line_);
        end_game(at, event);
        return;
    }
    record(PgnToken::Kind::san, token_start_, at, line_);
}

void PgnScanner::movetext_byte(char c, std::uint64_t at, bool first_column, Event& event) {
    if (is_space(c) || c == '\n') return;
    if (is_symbol_char(c)) {
        mode_ = Mode::symbol;
        token_start_ = at;
        symbol_[0] = c;
        symbol_size_ = 1;
        return;
    }
    switch (c) {
        case '{': open_comment(Mode::movetext); return;
        case ';': resume_ = Mode::movetext; mode_ = Mode::line_comment; return;
        case '(':
            if (depth_++ == 0) variation_line_ = line_;
            return;
        case ')':
            if (depth_ == 0) {
                record_fault(PgnFault::unmatched_parenthesis, line_);
            } else {
                --depth_;
            }
            return;
        case '.': case '!': case '?': case '$':  // move number dots, suffixes, the "$" of a NAG
            return;
        case '*':
            if (depth_ > 0) return;
            record(PgnToken::Kind::result, at, at + 1, line_);
            end_game(at + 1, event);
            return;
        case '%':
            if (first_column) {
                resume_ = Mode::movetext;
                mode_ = Mode::escape_line;
                return;
            }
            break;
        default:
            break;
    }
    record_fault(PgnFault::unexpected_character, line_, at);
}

bool PgnScanner::step(char c, std::uint64_t at, Event& event) {
    const bool first_column = column_zero_;
    for (;;) {
        switch (mode_) {
            case Mode::between:
                if (c == '\n' || is_space(c)) break;
                if (c == '%' && first_column) {
                    resume_ = Mode::between;
                    mode_ = Mode::escape_line;
                    break;
                }
                if (c == '{') {
                    mode_ = Mode::between_comment;
                    break;
                }
                if (c == ';') {
                    resume_ = Mode::between;
                    mode_ = Mode::line_comment;
                    break;
                }
                start_game(at, event);
                if (event.kind == Event::Kind::past_range) return true;
                if (c == '[') {
                    mode_ = Mode::tag_open;
                    break;
                }
                mode_ = Mode::movetext;
                continue;
            case Mode::between_comment:
                // A tag line ends a comment left open between games.
                if (c == '[' && line_blank_) {
                    mode_ = Mode::between;
                    continue;
                }
                if (c == '}') mode_ = Mode::between;
                break;
            case Mode::tag_open:
                if (is_space(c)) break;
                if (is_name_char(c)) {
                    name_begin_ = at;
                    mode_ = Mode::tag_name;
                    break;
                }
                record_fault(PgnFault::broken_tag, line_);
                mode_ = c == ']' || c == '\n' ? Mode::after_tags : Mode::tag_broken;
                break;
            case Mode::tag_name:
                if (is_name_char(c)) break;
                name_end_ = at;
                if (c == '"') {
                    token_start_ = at + 1;
                    mode_ = Mode::tag_value;
                } else if (is_space(c)) {
                    mode_ = Mode::tag_before_value;
                } else {
                    record_fault(PgnFault::broken_tag, line_);
                    mode_ = c == ']' || c == '\n' ? Mode::after_tags : Mode::tag_broken;
                }
                break;
            case Mode::tag_before_value:
                if (is_space(c)) break;
                if (c == '"') {
                    token_start_ = at + 1;
                    mode_ = Mode::tag_value;
                    break;
                }
                record_fault(PgnFault::broken_tag, line_);
                mode_ = c == ']' || c == '\n' ? Mode::after_tags : Mode::tag_broken;
                break;
            case Mode::tag_value:
                if (c == '\\') {
                    mode_ = Mode::tag_value_escape;
                } else if (c == '"') {
                    value_end_ = at;
                    mode_ = Mode::tag_after_value;
                } else if (c == '\n') {
                    record_fault(PgnFault::broken_tag, line_);
                    mode_ = Mode::after_tags;
                }
                break;
            case Mode::tag_value_escape:
                if (c == '\n') {
                    record_fault(PgnFault::broken_tag, line_);
                    mode_ = Mode::after_tags;
                    break;
                }
                mode_ = Mode::tag_value;
                break;
            case Mode::tag_after_value:
                if (is_space(c)) break;
                if (c == ']') {
                    record(PgnToken::Kind::tag_name, name_begin_, name_end_, line_);
                    record(PgnToken::Kind::tag_value, token_start_, value_end_, line_);
                    mode_ = Mode::after_tags;
                    break;
                }
                record_fault(PgnFault::broken_tag, line_);
                mode_ = c == '\n' ? Mode::after_tags : Mode::tag_broken;
                break;
            case Mode::tag_broken:
                if (c == ']' || c == '\n') mode_ = Mode::after_tags;
                break;
            case Mode::after_tags:
                if (c == '\n') {
                    if (line_blank_) tags_closed_ = true;
                    break;
                }
                if (is_space(c)) break;
                if (c == '%' && first_column) {
                    resume_ = Mode::after_tags;
                    mode_ = Mode::escape_line;
                    break;
                }
                if (c == '[' && !tags_closed_) {
                    mode_ = Mode::tag_open;
                    break;
                }
                if (c == '[' && line_blank_) {
                    end_game(at, event);
                    return false;
                }
                mode_ = Mode::movetext;
                continue;
            case Mode::movetext:
                if (c == '[' && line_blank_) {
                    end_game(at, event);
                    return false;
                }
                movetext_byte(c, at, first_column, event);
                break;
            case Mode::symbol:
                if (is_symbol_char(c)) {
                    if (symbol_size_ < sizeof symbol_) symbol_[symbol_size_] = c;
                    ++symbol_size_;
                    break;
                }
                finish_symbol(at, event);
                if (event.kind != Event::Kind::none) return false;  // a termination marker: the byte follows the game
                continue;
            case Mode::comment:
                if (c == '}') {
                    mode_ = resume_;
                } else if (c == '[' && line_blank_) {
                    bracket_at_ = at;
                    bracket_line_ = line_;
                    mode_ = Mode::comment_bracket;
                }
                break;
            case Mode::comment_bracket:
                if (is_name_char(c)) {
                    name_begin_ = at;
                    mode_ = Mode::comment_tag_name;
                    break;
                }
                mode_ = Mode::comment;
                continue;
            case Mode::comment_tag_name:
            case Mode::comment_tag_space:
                if (mode_ == Mode::comment_tag_name && is_name_char(c)) break;
                if (c == ' ' || c == '\t') {
                    if (mode_ == Mode::comment_tag_name) name_end_ = at;
                    mode_ = Mode::comment_tag_space;
                    break;
                }
                if (c == '"') {
                    // A tag line: the comment was never closed. The game ends
                    // before the "[", and the next one begins with it, in its
                    // tag's value (taken up by the next call).
                    if (mode_ == Mode::comment_tag_name) name_end_ = at;
                    end_game(bracket_at_, event);
                    pending_tag_ = true;
                    quote_at_ = at;
                    line_blank_ = false;
                    column_zero_ = false;
                    // A game out of the range ends unreported: the next one begins now.
                    if (event.kind == Event::Kind::none) take_up_pending_tag(event);
                    return true;
                }
                mode_ = Mode::comment;
                continue;
            case Mode::line_comment:
            case Mode::escape_line:
                if (c == '\n') mode_ = resume_;
                break;
        }
        break;
    }
    if (c == '\n') {
        ++line_;
        line_blank_ = true;
        column_zero_ = true;
    } else {
        column_zero_ = false;
        if (!is_space(c)) line_blank_ = false;
    }
    return true;
}

// The game that a tag line opened inside a comment: its first tag's name is
// behind, its value begins after the quote.
void PgnScanner::take_up_pending_tag(Event& event) {
    pending_tag_ = false;
    const std::uint64_t line = line_;
    line_ = bracket_line_;
    start_game(bracket_at_, event);
    line_ = line;
    token_start_ = quote_at_ + 1;
    mode_ = Mode::tag_value;
}

std::size_t PgnScanner::scan(std::string_view bytes, std::uint64_t offset, Event& event) {
    event = Event{};
    if (pending_tag_) take_up_pending_tag(event);
    if (event.kind != Event::Kind::none) return 0;
    // A byte left by step() is taken again, as the first of the next game.
    for (std::size_t i = 0; i < bytes.size();) {
        // The bulk of a file, taken a run at a time: the rest of a move, the
        // spaces between moves, the inside of a comment.
        if (mode_ == Mode::symbol) {
            for (; i < bytes.size() && is_symbol_char(bytes[i]); ++i) {
                if (symbol_size_ < sizeof symbol_) symbol_[symbol_size_] = bytes[i];
                ++symbol_size_;
            }
            if (i == bytes.size()) break;
            // Most moves end in a space or a number's dot: the token is taken
            // here, and the byte by the movetext's own run below.
            if (bytes[i] == ' ' || bytes[i] == '.') {
                finish_symbol(offset + i, event);
                if (event.kind != Event::Kind::none) return i;
                continue;
            }
        } else if (mode_ == Mode::movetext && (bytes[i] == ' ' || bytes[i] == '.')) {
            for (; i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '.'); ++i) {
                if (bytes[i] == '.') line_blank_ = false;
            }
            column_zero_ = false;
            // The next move or number begins here: taken up as step() would.
            if (i < bytes.size() && is_symbol_char(bytes[i])) {
                mode_ = Mode::symbol;
                token_start_ = offset + i;
                symbol_[0] = bytes[i];
                symbol_size_ = 1;
                line_blank_ = false;
                ++i;
            }
            continue;
        } else if (mode_ == Mode::tag_value) {
            while (i < bytes.size() && bytes[i] != '"' && bytes[i] != '\\' && bytes[i] != '\n') ++i;
            if (i == bytes.size()) break;
        } else if (mode_ == Mode::tag_name) {
            while (i < bytes.size() && is_name_char(bytes[i])) ++i;
            if (i == bytes.size()) break;
        } else if (mode_ == Mode::comment) {
            while (i < bytes.size() && bytes[i] != '}' && bytes[i] != '\n' && bytes[i] != '[') {
                if (!is_space(bytes[i])) line_blank_ = false;
                column_zero_ = false;
                ++i;
            }
            if (i == bytes.size()) break;
        }
        if (step(bytes[i], offset + i, event)) ++i;
        if (event.kind != Event::Kind::none) return i;
    }
    return bytes.size();
}

PgnScanner::Event PgnScanner::finish(std::uint64_t offset) {
    Event event;
    if (pending_tag_) take_up_pending_tag(event);  // a game whose first tag the file ends in
    if (event.kind != Event::Kind::none) return event;
    if (mode_ == Mode::symbol) {
        finish_symbol(offset, event);
        if (event.kind != Event::Kind::none) return event;
    }
    if (game_open()) end_game(offset, event);
    return event;
}

}  // namespace plindervox
