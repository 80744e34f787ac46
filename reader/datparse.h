// The thread-log (.dat) line format and the build of a thread's responses,
// lines and text from it. Byte-level: plain functions over bytes with explicit
// lengths; nothing here reads or writes outside the buffers it is given,
// whatever the line holds.
//
// A log line is five fields of Shift-JIS text separated by "<>":
//   name <> mail <> date <> body <> title
// Only the first four are read. Every ASCII byte searched for here ("<", ">",
// " ", "&") is below 0x40 and so never the second byte of a double-byte
// character: byte searches cannot match inside a character.
//
// Lines that break the format are shown as far as they go:
//  - a name with "</b>" but no later "<b>" keeps everything after "</b>";
//  - a field without its closing "<>" runs to the end of the line, and the
//    fields after it are empty (a response with a header and no body);
//  - an empty body (a response the server emptied) is one empty line, and the
//    responses after it follow as usual;
//  - a body without its closing "<>" (a line cut short, such as the last line
//    of a log that was being written) runs to the end of the line, and its
//    last piece is shown when it is not empty;
//  - a mail longer than 66 bytes or a date longer than 68 bytes is cut to its
//    room, at a character boundary;
//  - an anchor without its "</a>" runs to the end of the line.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "store/responses.h"

// A whole logical line is held while it is parsed; longer lines are cut here
// (the rest of the line is dropped). A line that long could not fit the
// thread's TextStore anyway.
constexpr size_t kMaxDatLineBytes = 1u << 20;

struct DatLine {
    std::string_view nameHead;   // the name before "</b>", or the whole name
    std::string_view nameTrip;   // the text between "</b>" and the next "<b>"
    std::string_view mail;       // " " when the field is empty; not yet cut
    std::string_view date;       // not yet cut
    std::string_view body;       // after one leading space, without its closing "<>"
    bool bodyClosed;             // the body's closing "<>" was there
};

// Splits one log line (without its line end). False when the line holds no
// "<>" at all: such a line is skipped and is not a response.
bool parse_dat_line(std::string_view line, DatLine* out);

// The longest start of `text` that fits `room` bytes without splitting a
// double-byte Shift-JIS character.
size_t sjis_fit(std::string_view text, size_t room);

// Copies `text` into `out` (`size` bytes, NUL included), cut to fit at a
// character boundary. Returns the bytes copied.
size_t copy_field(char* out, size_t size, std::string_view text);

// Splits a body into its display lines: the pieces between line breaks
// ("<br>", with the one blank on each side that the servers put around it)
// and rules ("<hr>", which leave an empty line of their own), the last one
// ended by the closing "<>". Two breaks in a row give an empty line. For a
// body without its closing "<>" the last piece is given only when it is not
// empty. `marked`, when given, tells whether the line holds a "<" at all:
// only such a line has markup to rewrite.
class BodyLines {
public:
    BodyLines(std::string_view body, bool closed) : rest_(body), closed_(closed) {}
    bool next(std::string_view* line, bool* marked = nullptr);

private:
    std::string_view rest_;
    bool closed_;
    bool done_ = false;
    bool ruleLine_ = false;   // a rule was passed: its empty line comes next
};

// ---- building a thread ----

// The growing arrays and the text store of one parse.
struct ThreadBuild {
    Response* responses;
    uint32_t responseRoom;   // records the array holds
    int32_t responseCount;
    ResponseLine* lines;
    uint32_t lineRoom;       // entries the array holds
    int32_t lineCount;
    char* store;             // zero-filled when obtained
    uint32_t storeSize;
    uint32_t storeUsed;
};

// What the platform provides to a parse: growth of the two arrays (each
// reports its own failure to the user), the report of a full text store, and
// the progress display.
class ThreadBuildHost {
public:
    virtual ~ThreadBuildHost() = default;
    // Grow `b.responses` to hold `b.responseCount + 500` records (contents
    // kept, growth not cleared); false when it cannot.
    virtual bool grow_responses(ThreadBuild& b) = 0;
    // Grow `b.lines` to hold `b.lineCount + 2000` entries, clearing the
    // growth; false when it cannot.
    virtual bool grow_lines(ThreadBuild& b) = 0;
    // The text store is full; called once, the parse then ends.
    virtual void store_full() = 0;
    // Called for each line read while the response count is a multiple of 100.
    virtual void progress(int32_t responses) = 0;
};

enum class DatStep { Next, End };

// Adds one log line to the thread: its response (header line, body lines and
// the blank line after them), names and body lines with their markup
// rewritten (reader/markup.h). Returns End when the parse must stop: a full
// text store, or an array that cannot grow. A response is only
// counted once its header line is stored, so a stop never leaves a response
// without its header line.
DatStep build_add_line(ThreadBuild& b, std::string_view line, ThreadBuildHost& host);
