// The byte-level rules of a post to the posting script: the time field, the
// form body, the script target, the cookies kept between posts and the
// reading of the script's reply. Plain functions over bytes: no sockets, no
// files, no platform text conversion.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// ---- Rooms (bytes, terminator included) -------------------------------------
//
// The reply editor accepts 133 characters of name and mail and 2047 of
// message; a character is at most two Shift-JIS bytes and a byte at most three
// once encoded. The rooms are sized so that everything the editor accepts
// fits; anything longer is refused before a byte is sent.
constexpr size_t kPostNameChars = 133;
constexpr size_t kPostMessageChars = 2047;
// A new thread's title takes the name field's room.
constexpr size_t kPostSubjectChars = kPostNameChars;
constexpr size_t kPostNameBytes = 2 * kPostNameChars + 1;              // name and mail, Shift-JIS
constexpr size_t kPostMessageBytes = 2 * kPostMessageChars + 1;        // message, Shift-JIS
constexpr size_t kPostNameEncodedBytes = 3 * (kPostNameBytes - 1) + 1;
constexpr size_t kPostMessageEncodedBytes = 3 * (kPostMessageBytes - 1) + 1;
constexpr size_t kPostBodyBytes = 16384;
constexpr size_t kPostKeyBytes = 16;          // the thread key: at most 15 bytes
constexpr size_t kPostBoardBytes = 66;        // the board directory in the ANSI code page
constexpr size_t kCookieLineBytes = 1024;     // "Cookie: ", the values, CR LF
// What the values may take of the Cookie line.
constexpr size_t kCookieValueRoom = kCookieLineBytes - (sizeof "Cookie: " - 1) - 2 - 1;
constexpr size_t kCookieFileLineBytes = 255;  // one read from "cookie.txt"
constexpr size_t kCookieFileMax = 16384;      // more of a hand-made "cookie.txt" is not read
constexpr int kMaxCookies = 9;                // values kept from one reply
constexpr size_t kReplyLineBytes = 1024;      // one read from the reply file
// A reply is a small page; a server that keeps sending beyond this is cut off.
constexpr size_t kPostReplyMax = size_t{4} << 20;

// The one-word label of the form's submit button: 書き込む
constexpr char kSubmitLabel[] = "\x8f\x91\x82\xab\x8d\x9e\x82\xde";
// The submit label of a new thread: 新規スレッド作成
constexpr char kSubmitNewThreadLabel[] = "\x90\x56\x8b\x4b\x83\x58\x83\x8c\x83\x62\x83\x68\x8d\xec\x90\xac";
constexpr char kPostScript[] = "/test/bbs.cgi";

// The reply markers, Shift-JIS.
// 書きこみが終わりました (posting finished)
constexpr char kMarkerSuccess[] = "\x8f\x91\x82\xab\x82\xb1\x82\xdd\x82\xaa\x8f\x49\x82\xed\x82\xe8\x82\xdc\x82\xb5\x82\xbd";
// 書き込み確認 (posting confirmation)
constexpr char kMarkerConfirm[] = "\x8f\x91\x82\xab\x8d\x9e\x82\xdd\x8a\x6d\x94\x46";
// ＥＲＲＯＲ (full-width letters)
constexpr char kMarkerError[] = "\x82\x64\x82\x71\x82\x71\x82\x6e\x82\x71";

// ---- The time field ----------------------------------------------------------

// A UTC time as calendar fields.
struct PostClock {
    int year, month, day, hour, minute, second;
};

// Goes back 15 seconds without changing the date: false (and `t` unchanged)
// for 00:00:15 or earlier, where the time is then taken as it is. The result
// is always a valid time of day (a second of 60 is carried into the minute).
bool post_time_back15(PostClock* t);

// The OLE day count: days since 1899-12-30 00:00:00, the time of day as the
// fraction.
double ole_day_count(const PostClock& t);
constexpr double kOleUnixEpoch = 25569.0;   // 1970-01-01 00:00:00

// Whole seconds between two day counts, rounded to the nearest second (a
// floating product truncated would lose a second now and then); 0 when the
// time lies before the epoch or beyond 32 bits.
uint32_t post_time_seconds(double oleTime, double oleEpoch);

// The posted time field: make_post_time minus one day.
constexpr uint32_t kPostTimeBackSeconds = 86400;
uint32_t post_time_field(uint32_t postTime);

// ---- The form ----------------------------------------------------------------

enum class PostFormError {
    None,
    NameTooLong,
    MailTooLong,
    MessageTooLong,
    SubjectTooLong,
    BadBoard,      // the board directory is not a plain name
    BadKey,        // the thread key is not a plain name
    BodyTooLong,
};

// Name, mail, message and a new thread's title in Shift-JIS; board
// directory and key as they go into the form (not encoded, so they must be
// plain: letters, digits, "_", "-", "."). `time` is the posted time field.
// A title makes the post a new thread of the board: the key is then not
// sent (and not looked at).
struct PostFormFields {
    std::string_view name;
    std::string_view mail;
    std::string_view message;
    std::string_view bbs;
    std::string_view key;
    uint32_t time;
    std::string_view subject = {};
};

// A reply: "hana=mogera&submit=%s&FROM=%s&mail=%s&MESSAGE=%s&bbs=%s&key=%s&time=%ld";
// a new thread: "hana=mogera&submit=%s&subject=%s&FROM=%s&mail=%s&MESSAGE=%s&bbs=%s&time=%ld"
// with the new-thread label. Submit, subject, FROM, mail and MESSAGE are
// percent-encoded. Writes nothing but an empty string into `out` unless the
// whole body fits; `length` gets its length.
PostFormError format_post_body(const PostFormFields& f, char* out, size_t size, size_t* length);

// True for a value that may stand in the form unencoded.
bool plain_form_value(std::string_view s);

// The thread key from the log's file name (ANSI): at most 15 bytes, cut at
// the first ".". False when nothing plain is left.
bool post_thread_key(std::string_view fileName, char* out, size_t size);

// Where a post goes: the board's host may carry one more level after a "/"
// ("host/sub"), which then stands before the script path.
struct PostTarget {
    std::string host;     // the board's server, also named in the referer
    std::string target;   // "http://<host><prefix>/test/bbs.cgi" ("https://" for a secure board)
    bool secure = false;
};
// False for an empty host or one with blanks or control bytes.
bool post_target(std::string_view boardHost, bool secure, PostTarget* out);

// ---- Cookies -----------------------------------------------------------------

// The Cookie values of one first-attempt reply, as "cookie.txt" holds them.
// A value is the text after "Set-Cookie: " up to "expires=", or for a line
// without "expires=" up to the line's end with its line feed. Control bytes
// are dropped. The first nine values that fit the Cookie line are kept; the
// rest are dropped.
class CookieList {
public:
    // `line` is one reply line without its line feed. True when it was a
    // Set-Cookie line whose value was kept.
    bool add_line(std::string_view line);
    int count() const { return count_; }
    // The bytes written to "cookie.txt" (line feeds as LF; the file library
    // writes them as CR LF).
    const std::string& file_text() const { return text_; }
    void clear();

private:
    std::string text_;
    int count_ = 0;
};

// The value part of the Cookie line from the content of "cookie.txt" as read
// (line breaks as single LF): the lines one after the other, where a line
// break stands between two values it becomes "; ", and control bytes are
// dropped. A content longer than the room is cut after its last whole value
// that fits. Writes `out` (NUL-terminated) and returns the length.
size_t cookie_line_value(std::string_view content, char* out, size_t size);
// The same, whole (not cut to any room).
std::string cookie_text(std::string_view content);

// ---- The reply ---------------------------------------------------------------

enum class ReplyVerdict {
    None,       // no marker (yet)
    Success,    // 書きこみが終わりました
    Confirm,    // 書き込み確認, first attempt only
    Error,      // ＥＲＲＯＲ
};

// Which marker a body line holds, tested in this order: success, the
// confirmation (first attempt only), the error.
ReplyVerdict classify_reply_line(std::string_view line, bool firstAttempt);

// Reads the spooled reply as a stream of bytes in any pieces: carriage
// returns are dropped, lines end at LF. The head runs up to the blank line;
// its Set-Cookie lines fill the cookie list. Each body line is classified;
// the first marker found is the verdict, and nothing after it is read.
// Lines of any length are read whole for the markers; a head line is looked
// at only in its first kHeadLineKeep bytes.
class PostReplyReader {
public:
    static constexpr size_t kHeadLineKeep = 8192;

    explicit PostReplyReader(bool firstAttempt) : first_(firstAttempt) {}

    // Takes bytes until the verdict is known. Returns the count taken.
    size_t feed(const char* data, size_t len);
    // The end of the reply: a last line without its line feed counts.
    void finish();

    bool in_body() const { return inBody_; }
    bool done() const { return verdict_ != ReplyVerdict::None; }
    ReplyVerdict verdict() const { return verdict_; }
    // The status code of the first line (0 when it was not a status line).
    int status() const { return status_; }
    // Bytes of the body seen (carriage returns excluded).
    uint64_t body_bytes() const { return bodyBytes_; }
    const CookieList& cookies() const { return cookies_; }

private:
    void end_line();
    void scan_body_window();

    bool first_;
    bool inBody_ = false;
    bool firstLine_ = true;
    bool headLineCut_ = false;
    bool lineSuccess_ = false, lineConfirm_ = false, lineError_ = false;
    int status_ = 0;
    uint64_t bodyBytes_ = 0;
    ReplyVerdict verdict_ = ReplyVerdict::None;
    std::string line_;
    CookieList cookies_;
};

// What the end of a reply without a marker means. The first attempt counts
// as posted when the server answered with a whole page (a 2xx status, a
// body, the reply not cut short), or with a whole head of a redirect (3xx)
// or of 204, which scripts answer a post they took with; anything else is a failed post, so that a
// text that may not have arrived is not thrown away as if it had.
bool unmarked_reply_posted(const PostReplyReader& r, bool firstAttempt, bool replyWhole);
