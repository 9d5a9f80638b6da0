// The bytes of a PGN file, walked once, in pieces of any size: where each
// game begins and ends, and the tokens of its main line that carry meaning
// (tag pairs, moves, the termination marker, and what was wrong). Comments,
// variations, move numbers, NAGs and annotation suffixes are read and
// skipped here, so that a game's tokens are all its reader has to look at.
//
// Games are told apart as a reader of real files needs: a game begins with
// the "[" of its first tag, or with the first movetext character of a game
// without tags; it ends with its termination marker ("1-0", "0-1",
// "1/2-1/2", "*") outside any variation, with the next tag section (a "["
// opening a line after the game's movetext, or after a blank line that closed
// its tag section), or with the end of the file. Inside a "{" comment, a line
// that opens like a tag pair ("[Name "...) ends the comment, unterminated,
// and the game with it: one broken comment costs one game, not the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace plindervox {

enum class PgnFault : std::uint8_t {
    broken_tag,              // a tag pair not of the form [Name "value"]
    unterminated_comment,    // a "{" comment the game ended inside
    unterminated_variation,  // a "(" the game ended inside
    unmatched_parenthesis,   // a ")" outside any variation
    unexpected_character,    // a byte that no movetext token begins with
};

struct PgnToken {
    enum class Kind : std::uint8_t { tag_name, tag_value, san, result, fault };
    Kind kind;
    PgnFault fault;        // for Kind::fault
    std::uint32_t begin;   // the token's bytes: [begin, end) from the game's first byte (a fault's byte, if any)
    std::uint32_t end;
    std::uint64_t line;    // its line in the file, from 1
};

class PgnScanner {
public:
    struct Event {
        // game_ended: a game of the range ended at `offset` (the byte after
        // its last); past_range: a game begins at or after the range's end.
        enum class Kind : std::uint8_t { none, game_ended, past_range } kind = Kind::none;
        std::uint64_t offset = 0;
    };

    // Only games whose first byte lies in [start, stop) are recorded and
    // reported; the others are scanned, to know where every game begins.
    void set_range(std::uint64_t start, std::uint64_t stop) {
        range_start_ = start;
        range_stop_ = stop;
    }

    // Scans `bytes`, which begin at file offset `offset` and follow what was
    // scanned before, up to and with the first event; returns how many bytes
    // it took and sets the event (none when it took them all).
    std::size_t scan(std::string_view bytes, std::uint64_t offset, Event& event);
    // The end of the file at `offset`: the open game, if any, ends there.
    Event finish(std::uint64_t offset);

    // The game being read (or that has just ended): its first byte and line,
    // and its tokens, offsets counted from its first byte.
    std::uint64_t game_start() const { return game_start_; }
    std::uint64_t game_line() const { return game_line_; }
    const std::vector<PgnToken>& tokens() const { return tokens_; }
    // Whether the game being read is one of the range, and so its bytes are needed.
    bool recording() const { return recording_; }
    // A game of the range too long to keep: its tokens are dropped and it is
    // reported all the same, for its error.
    void stop_recording_tokens() { keep_tokens_ = false; }
    // The earliest byte still needed: the current game's first, or the "[" of
    // a tag line that ended a comment (the next game's first), else `offset`.
    std::uint64_t needed_from(std::uint64_t offset) const;

private:
    enum class Mode : std::uint8_t {
        between,           // outside any game
        between_comment,   // a "{" comment outside any game
        tag_open,          // after "[", before the tag's name
        tag_name,
        tag_before_value,
        tag_value,
        tag_value_escape,  // after a backslash in a tag's value
        tag_after_value,   // before the closing "]"
        tag_broken,        // skipping the rest of a broken tag
        after_tags,        // between tags, or after the last one
        movetext,
        symbol,            // inside a move, number or termination marker
        comment,           // "{" ... "}" within a game
        comment_bracket,   // a "[" opening a line inside a comment: perhaps a tag
        comment_tag_name,
        comment_tag_space,
        line_comment,      // ";" to the end of the line
        escape_line,       // "%" in the first column, to the end of the line
    };

    // Takes one byte; false when it is left for the next call (it begins
    // the next game, and the current one has just ended before it).
    bool step(char c, std::uint64_t at, Event& event);
    void start_game(std::uint64_t at, Event& event);
    void end_game(std::uint64_t at, Event& event);
    void record(PgnToken::Kind kind, std::uint64_t begin, std::uint64_t end, std::uint64_t line);
    // `at`: the byte at fault, where there is one.
    void record_fault(PgnFault fault, std::uint64_t line, std::uint64_t at = 0);
    void finish_symbol(std::uint64_t at, Event& event);
    void movetext_byte(char c, std::uint64_t at, bool first_column, Event& event);
    void open_comment(Mode resume);
    void take_up_pending_tag(Event& event);
    bool game_open() const;

    Mode mode_ = Mode::between;
    Mode resume_ = Mode::between;  // where a comment or skipped line returns to
    std::uint64_t range_start_ = 0;
    std::uint64_t range_stop_ = UINT64_MAX;
    bool recording_ = false;        // the current game is in the range
    bool keep_tokens_ = true;
    bool pending_tag_ = false;      // a tag line ended a comment: the next game begins with it
    std::uint64_t quote_at_ = 0;    // that tag's opening quote
    std::uint64_t opened_line_ = 0; // the line of the open comment, or of the outermost open variation
    std::uint64_t variation_line_ = 0;
    bool line_blank_ = true;        // nothing but white space on the line so far
    bool column_zero_ = true;       // the next byte is a line's first
    bool tags_closed_ = false;      // a blank line ended the tag section
    std::uint32_t depth_ = 0;       // variations open
    std::uint64_t line_ = 1;
    std::uint64_t game_start_ = 0;
    std::uint64_t game_line_ = 1;
    std::uint64_t token_start_ = 0;
    std::uint64_t bracket_at_ = 0;  // comment_bracket: the "[" that may open a tag
    std::uint64_t bracket_line_ = 0;
    std::uint64_t name_begin_ = 0;  // the tag's name, kept until its value closes
    std::uint64_t name_end_ = 0;
    std::uint64_t value_end_ = 0;
    char symbol_[8] = {};           // the first bytes of the current symbol
    std::size_t symbol_size_ = 0;
    std::vector<PgnToken> tokens_;
};

}  // namespace plindervox
