// What the board server serves: one in-memory set of files (board menu,
// thread lists, thread logs) shared by every virtual host, redirects, and
// the posting script. Answers one parsed request with one Reply; sockets
// and misbehaviour live in the server around it. Every member is safe to
// call from any thread while the server runs.
#pragma once
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "tools/boardserver/reply.h"
#include "tools/boardserver/request.h"

namespace boardserver {

// How the posting script answers "POST .../test/bbs.cgi".
enum class PostMode {
    Normal,          // confirmation page until a post carries the cookies it set, then success
    Success,         // success at once, cookies or not
    AlwaysConfirm,   // the confirmation page on every post
    Error,           // an "ＥＲＲＯＲ" page
    NoMarker,        // a page with none of the three markers
    CloseEarly,      // the reply head (Set-Cookie lines included) and then the close, no page
    Redirected,      // the post taken, answered "302 Found" to the board with no page
    NoContent,       // the post taken, answered "204 No Content"
};

struct PostSettings {
    PostMode mode = PostMode::Normal;
    // Set-Cookie lines on every posting reply. The first two cookies are the
    // ones a post must carry to pass the confirmation; more than nine tests
    // the program's limit; 0 sets none (and then no cookie is required).
    int cookieCount = 2;
    bool cookieExpires = true;   // "; expires=..." in each Set-Cookie line
    // Date field of appended responses; empty: from the clock, in JST.
    std::string date;
};

enum class PostOutcome { Confirm, Success, Error, NoMarker, ClosedEarly };

// One post as the script received it. Field values are decoded; Shift-JIS
// bytes stay as they were sent.
struct PostRecord {
    std::string path;       // "/test/bbs.cgi", "/sub/test/bbs.cgi"
    std::string body;       // the form body as received (Content-Length bytes)
    NameValues fields;      // every field, decoded, in order
    std::string submit, from, mail, message, bbs, key, time;
    std::string subject;      // a new thread's title (the key it is given lands in `key`)
    bool hadCookieLine = false;
    std::string cookieLine;   // value of the Cookie line
    PostOutcome outcome = PostOutcome::Confirm;
    std::string appended;     // the line added to the thread's log on success (a new thread's first)
};

// Paths of the data set. `dir` is a board directory, with the host's second
// level in front when it has one ("sub/zatsudan"); `key` is the thread key
// without ".dat".
std::string subject_path(std::string_view dir);
std::string dat_path(std::string_view dir, std::string_view key);
constexpr const char* kMenuPath = "/bbsmenu.html";

// Where the board keeps a thread that has fallen out of it:
// "/<dir>/kako/<4>/<5>/<key>.dat" for a ten-digit key, "/<dir>/kako/<3>/<key>.dat" for nine.
std::string past_log_path(std::string_view dir, std::string_view key);

// How a fallen thread's old log path is answered.
enum class FallenAnswer {
    NotFound,    // 404
    Redirect,    // 302 to the board's front page
    FrontPage,   // 200 with the board's front page in place of the log
};
// Where the past-log store keeps it.
enum class PastLog {
    None,      // nowhere: the thread is gone
    Gzipped,   // "<key>.dat.gz" only
    Plain,     // "<key>.dat" only
};
// How a moved board's old host answers for the board's thread list.
enum class MoveAnswer {
    Redirect,     // 302 to the same path on the new host
    NoticePage,   // 200 with the move notice page
};

// A board menu with every "http://" link made "https://" (only the scheme
// changes, matched case for case as the menus write it): the sample's menu
// for the demonstration over https.
std::string https_menu(std::string menu);

// Set-Cookie values the script hands out: "PON=...", "HAP=...", then "Cn=...".
std::string post_cookie(int index);

class BoardSite {
public:
    BoardSite();

    // --- the data set (paths are URL paths: "/mobile/dat/1065069078.dat")
    void put(const std::string& path, std::string bytes);
    void append(const std::string& path, std::string_view bytes);   // creates the file when missing
    bool truncate(const std::string& path, size_t size);            // false when there is no such file
    bool remove(const std::string& path);
    bool exists(const std::string& path) const;
    std::string get(const std::string& path) const;                 // empty when missing
    std::vector<std::string> paths() const;

    // A 301/302/303 answer for `path`, to `location`.
    void set_redirect(const std::string& path, std::string location, int status = 302);
    // Forgets every redirect, and the answers fall_thread and move_board set.
    void clear_redirects();

    // --- threads that fall and boards that move
    // The thread's log leaves "/<dir>/dat/" for the past-log store as `store`
    // says, and its old path is answered as `answer` says.
    void fall_thread(std::string_view dir, std::string_view key, FallenAnswer answer, PastLog store);
    // Requests for the board's thread list that name `oldHost` are answered
    // as `how` says; every other host (the new one) is served as before.
    void move_board(const std::string& oldHost, std::string_view dir, const std::string& newHost, MoveAnswer how);

    // The clock behind Date, Last-Modified and post dates. 0: the real clock.
    void set_clock(int64_t fixedUnixSeconds);
    int64_t now() const;

    // --- the posting script
    void set_post_settings(const PostSettings& settings);
    PostSettings post_settings() const;
    std::vector<PostRecord> posts() const;
    void clear_posts();

    // --- answering
    // `ignoreRange`: answer a ranged GET as if it had no Range line (200).
    Reply answer(const HttpRequest& req, std::string_view body, bool ignoreRange = false);

private:
    struct File {
        std::string bytes;
        int64_t modified = 0;
    };
    struct Redirect {
        std::string location;
        int status = 302;
    };
    // An answer for one host and path, ahead of everything else.
    struct HostAnswer {
        int status = 200;
        std::string location;   // for a redirect
        std::string body;
    };

    Reply answer_file(const HttpRequest& req, bool ignoreRange);
    Reply answer_post(const HttpRequest& req, std::string_view body);
    // Appends the post to its thread, or with a subject makes a new thread
    // (lock held); gives an error page reason or nothing on success.
    bool post_to_thread(PostRecord& rec, const std::string& prefix, int64_t now, int* error);
    bool make_thread(PostRecord& rec, const std::string& dir, const std::string& date, int64_t now);
    void add_common_headers(Reply& r, int64_t now) const;
    void add_cookies(Reply& r, int64_t now) const;
    bool has_required_cookies(const HttpRequest& req) const;
    int64_t now_locked() const;

    mutable std::mutex lock_;
    std::map<std::string, File> files_;
    std::map<std::string, Redirect> redirects_;
    std::map<std::string, HostAnswer> hostAnswers_;   // by host followed by path
    std::map<std::string, std::string> pageAnswers_;  // 200 pages in place of files, by path
    int64_t fixedClock_ = 0;
    PostSettings post_;
    std::vector<PostRecord> posts_;
};

}  // namespace boardserver
