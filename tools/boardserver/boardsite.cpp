#include "tools/boardserver/boardsite.h"

#include <algorithm>
#include <ctime>

#include "tools/boardserver/pages.h"

namespace boardserver {
namespace {

constexpr std::string_view kScript = "/test/bbs.cgi";
constexpr const char* kServerName = "boardserver/1.0";
// Cookies outlive any test run; the program cuts the line at "expires=".
constexpr const char* kCookieExpiry = "Friday, 01-Jan-2038 00:00:00 GMT";

bool ends_with(std::string_view s, std::string_view tail)
{
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

std::string content_type(std::string_view path)
{
    if (ends_with(path, ".html") || ends_with(path, ".htm") || ends_with(path, ".cgi")) {
        return "text/html; charset=Shift_JIS";
    }
    if (ends_with(path, ".txt") || ends_with(path, ".dat")) return "text/plain";
    if (ends_with(path, ".gz")) return "application/x-gzip";
    return "application/octet-stream";
}

bool plain_name(std::string_view s, bool digitsOnly)
{
    if (s.empty() || s.size() > 32) return false;
    for (char c : s) {
        bool digit = c >= '0' && c <= '9';
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        if (!digit && (digitsOnly || !letter)) return false;
    }
    return true;
}

// Posted text as a field of the log: the field separator and markup cannot
// be forged, line breaks become the log's " <br> ".
std::string posted_field(std::string_view s, bool multiline)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
            out += multiline ? " <br> " : " ";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else if (c == '"') {
            out += "&quot;";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

uint32_t fnv1a(std::string_view s)
{
    uint32_t h = 2166136261u;
    for (char c : s) {
        h ^= static_cast<unsigned char>(c);
        h *= 16777619u;
    }
    return h;
}

std::string hash_text(std::string_view seed, size_t length)
{
    static const char kChars[] = "./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    std::string out;
    uint32_t h = fnv1a(seed);
    for (size_t i = 0; i < length; ++i) {
        out.push_back(kChars[h % 64]);
        h = h * 1103515245u + 12345u + static_cast<uint32_t>(i);
        h ^= h >> 13;
    }
    return out;
}

// "name#key" shows as "name </b>◆trip <b>", as the program's parser expects.
std::string name_field(std::string_view from)
{
    if (from.empty()) return default_name();
    size_t hash = from.find('#');
    if (hash == std::string_view::npos) return posted_field(from, false);
    std::string name = posted_field(from.substr(0, hash), false);
    if (name.empty()) name = default_name();
    return name + " </b>" + trip_mark() + hash_text(from.substr(hash + 1), 10) + " <b>";
}

size_t count_lines(std::string_view s)
{
    return static_cast<size_t>(std::count(s.begin(), s.end(), '\n'));
}

}  // namespace

std::string subject_path(std::string_view dir)
{
    return "/" + std::string(dir) + "/subject.txt";
}

std::string dat_path(std::string_view dir, std::string_view key)
{
    return "/" + std::string(dir) + "/dat/" + std::string(key) + ".dat";
}

std::string past_log_path(std::string_view dir, std::string_view key)
{
    std::string p = "/" + std::string(dir) + "/kako/";
    if (key.size() == 9) {
        p += std::string(key.substr(0, 3));
    } else {
        p += std::string(key.substr(0, 4)) + "/" + std::string(key.substr(0, 5));
    }
    return p + "/" + std::string(key) + ".dat";
}

std::string https_menu(std::string menu)
{
    static const std::string_view plain = "http://";
    for (size_t at = menu.find(plain); at != std::string::npos; at = menu.find(plain, at + plain.size() + 1))
        menu.insert(at + 4, 1, 's');
    return menu;
}

std::string post_cookie(int index)
{
    if (index == 0) return "PON=qv127001.loopback";
    if (index == 1) return "HAP=FOXqv2Kz8Lm0";
    return "C" + std::to_string(index + 1) + "=v" + std::to_string(index + 1);
}

BoardSite::BoardSite() = default;

int64_t BoardSite::now_locked() const
{
    return fixedClock_ != 0 ? fixedClock_ : static_cast<int64_t>(std::time(nullptr));
}

int64_t BoardSite::now() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return now_locked();
}

void BoardSite::set_clock(int64_t fixedUnixSeconds)
{
    std::lock_guard<std::mutex> hold(lock_);
    fixedClock_ = fixedUnixSeconds;
}

void BoardSite::put(const std::string& path, std::string bytes)
{
    std::lock_guard<std::mutex> hold(lock_);
    File& f = files_[path];
    f.bytes = std::move(bytes);
    f.modified = now_locked();
}

void BoardSite::append(const std::string& path, std::string_view bytes)
{
    std::lock_guard<std::mutex> hold(lock_);
    File& f = files_[path];
    f.bytes.append(bytes.data(), bytes.size());
    f.modified = now_locked();
}

bool BoardSite::truncate(const std::string& path, size_t size)
{
    std::lock_guard<std::mutex> hold(lock_);
    auto it = files_.find(path);
    if (it == files_.end()) return false;
    if (size < it->second.bytes.size()) it->second.bytes.resize(size);
    it->second.modified = now_locked();
    return true;
}

bool BoardSite::remove(const std::string& path)
{
    std::lock_guard<std::mutex> hold(lock_);
    return files_.erase(path) != 0;
}

bool BoardSite::exists(const std::string& path) const
{
    std::lock_guard<std::mutex> hold(lock_);
    return files_.count(path) != 0;
}

std::string BoardSite::get(const std::string& path) const
{
    std::lock_guard<std::mutex> hold(lock_);
    auto it = files_.find(path);
    return it == files_.end() ? std::string() : it->second.bytes;
}

std::vector<std::string> BoardSite::paths() const
{
    std::lock_guard<std::mutex> hold(lock_);
    std::vector<std::string> out;
    for (const auto& f : files_) out.push_back(f.first);
    return out;
}

void BoardSite::set_redirect(const std::string& path, std::string location, int status)
{
    std::lock_guard<std::mutex> hold(lock_);
    redirects_[path] = Redirect{std::move(location), status};
}

void BoardSite::clear_redirects()
{
    std::lock_guard<std::mutex> hold(lock_);
    redirects_.clear();
    hostAnswers_.clear();
    pageAnswers_.clear();
}

void BoardSite::fall_thread(std::string_view dir, std::string_view key, FallenAnswer answer, PastLog store)
{
    const std::string live = dat_path(dir, key);
    std::lock_guard<std::mutex> hold(lock_);
    auto it = files_.find(live);
    File log = it == files_.end() ? File{} : it->second;
    if (it != files_.end()) files_.erase(it);
    const std::string kept = past_log_path(dir, key);
    if (store == PastLog::Gzipped) files_[kept + ".gz"] = File{gzip_bytes(log.bytes), log.modified};
    if (store == PastLog::Plain) files_[kept] = log;
    switch (answer) {
    case FallenAnswer::NotFound:
        break;
    case FallenAnswer::Redirect:
        redirects_[live] = Redirect{"/" + std::string(dir) + "/", 302};
        break;
    case FallenAnswer::FrontPage:
        pageAnswers_[live] = page_board_front(dir);
        break;
    }
}

void BoardSite::move_board(const std::string& oldHost, std::string_view dir, const std::string& newHost,
                           MoveAnswer how)
{
    const std::string path = subject_path(dir);
    HostAnswer a;
    if (how == MoveAnswer::Redirect) {
        a.status = 302;
        a.location = "http://" + newHost + path;
    } else {
        a.body = page_board_moved(newHost, dir);
    }
    std::lock_guard<std::mutex> hold(lock_);
    hostAnswers_[oldHost + path] = std::move(a);
}

void BoardSite::set_post_settings(const PostSettings& settings)
{
    std::lock_guard<std::mutex> hold(lock_);
    post_ = settings;
}

PostSettings BoardSite::post_settings() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return post_;
}

std::vector<PostRecord> BoardSite::posts() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return posts_;
}

void BoardSite::clear_posts()
{
    std::lock_guard<std::mutex> hold(lock_);
    posts_.clear();
}

void BoardSite::add_common_headers(Reply& r, int64_t now) const
{
    r.headers.emplace_back("Date", http_date(now));
    r.headers.emplace_back("Server", kServerName);
}

Reply BoardSite::answer(const HttpRequest& req, std::string_view body, bool ignoreRange)
{
    if (req.method == "GET" || req.method == "HEAD") return answer_file(req, ignoreRange);
    if (req.method == "POST" && ends_with(req.path, kScript)) return answer_post(req, body);

    Reply r;
    r.status = 405;
    add_common_headers(r, now());
    r.body = "<html><head><title>405 Method Not Allowed</title></head><body><h1>Method Not Allowed</h1></body></html>\n";
    r.headers.emplace_back("Allow", "GET, HEAD, POST");
    r.headers.emplace_back("Content-Length", std::to_string(r.body.size()));
    r.headers.emplace_back("Connection", "close");
    r.headers.emplace_back("Content-Type", "text/html");
    return r;
}

Reply BoardSite::answer_file(const HttpRequest& req, bool ignoreRange)
{
    Reply r;
    std::string bytes;
    int64_t modified = 0;
    int64_t now = 0;
    {
        std::lock_guard<std::mutex> hold(lock_);
        now = now_locked();
        // An answer of a host that a board left, then a page in place of a
        // file, then a redirect.
        Redirect redirect;
        const std::string* page = nullptr;
        auto hostAnswer = hostAnswers_.find(req.host + req.path);
        auto pageAnswer = pageAnswers_.find(req.path);
        auto red = redirects_.find(req.path);
        if (hostAnswer != hostAnswers_.end()) {
            if (hostAnswer->second.location.empty()) page = &hostAnswer->second.body;
            else redirect = Redirect{hostAnswer->second.location, hostAnswer->second.status};
        } else if (pageAnswer != pageAnswers_.end()) {
            page = &pageAnswer->second;
        } else if (red != redirects_.end()) {
            redirect = red->second;
        }
        if (page) {
            r.status = 200;
            add_common_headers(r, now);
            r.body = *page;
            r.headers.emplace_back("Content-Length", std::to_string(r.body.size()));
            r.headers.emplace_back("Connection", "close");
            r.headers.emplace_back("Content-Type", content_type(".html"));
            if (req.method == "HEAD") r.body.clear();
            return r;
        }
        if (!redirect.location.empty()) {
            r.status = redirect.status;
            add_common_headers(r, now);
            r.headers.emplace_back("Location", redirect.location);
            r.body = "<html><head><title>" + std::to_string(r.status) + " " + reason_phrase(r.status) +
                     "</title></head><body><p>The document has moved <a href=\"" + redirect.location +
                     "\">here</a>.</p></body></html>\n";
            r.headers.emplace_back("Content-Length", std::to_string(r.body.size()));
            r.headers.emplace_back("Connection", "close");
            r.headers.emplace_back("Content-Type", "text/html");
            if (req.method == "HEAD") r.body.clear();
            return r;
        }
        auto it = files_.find(req.path);
        if (it == files_.end()) {
            r.status = 404;
            add_common_headers(r, now);
            r.body = "<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1>"
                     "<p>The requested URL was not found on this server.</p></body></html>\n";
            r.headers.emplace_back("Content-Length", std::to_string(r.body.size()));
            r.headers.emplace_back("Connection", "close");
            r.headers.emplace_back("Content-Type", "text/html");
            if (req.method == "HEAD") r.body.clear();
            return r;
        }
        bytes = it->second.bytes;
        modified = it->second.modified;
    }

    add_common_headers(r, now);
    r.headers.emplace_back("Last-Modified", http_date(modified));
    r.headers.emplace_back("Accept-Ranges", "bytes");

    ByteRange range;
    const std::string* rangeLine = req.header("Range");
    const std::string* encodings = req.header("Accept-Encoding");
    uint64_t size = bytes.size();
    if (rangeLine && !ignoreRange && parse_range(*rangeLine, range)) {
        if (range.first >= size) {
            r.status = 416;
            r.headers.emplace_back("Content-Range", "bytes */" + std::to_string(size));
            r.body = "<html><head><title>416 Requested Range Not Satisfiable</title></head><body>"
                     "<h1>Requested Range Not Satisfiable</h1></body></html>\n";
            r.headers.emplace_back("Content-Length", std::to_string(r.body.size()));
            r.headers.emplace_back("Connection", "close");
            r.headers.emplace_back("Content-Type", "text/html");
        } else {
            uint64_t last = range.hasLast ? std::min(range.last, size - 1) : size - 1;
            r.status = 206;
            r.body = bytes.substr(static_cast<size_t>(range.first), static_cast<size_t>(last - range.first + 1));
            r.headers.emplace_back("Content-Range", "bytes " + std::to_string(range.first) + "-" +
                                                        std::to_string(last) + "/" + std::to_string(size));
            r.headers.emplace_back("Content-Length", std::to_string(r.body.size()));
            r.headers.emplace_back("Connection", "close");
            r.headers.emplace_back("Content-Type", content_type(req.path));
        }
    } else if (!rangeLine && encodings && header_lists_token(*encodings, "gzip") && !ends_with(req.path, ".gz")) {
        // A file kept gzipped is sent as it is, as servers do.
        r.status = 200;
        r.body = gzip_bytes(bytes);
        r.headers.emplace_back("Content-Length", std::to_string(r.body.size()));
        r.headers.emplace_back("Content-Encoding", "gzip");
        r.headers.emplace_back("Vary", "Accept-Encoding");
        r.headers.emplace_back("Connection", "close");
        r.headers.emplace_back("Content-Type", content_type(req.path));
    } else {
        r.status = 200;
        r.body = std::move(bytes);
        r.headers.emplace_back("Content-Length", std::to_string(r.body.size()));
        r.headers.emplace_back("Connection", "close");
        r.headers.emplace_back("Content-Type", content_type(req.path));
    }
    if (req.method == "HEAD") r.body.clear();
    return r;
}

bool BoardSite::has_required_cookies(const HttpRequest& req) const
{
    int required = std::min(post_.cookieCount, 2);
    if (required <= 0) return true;
    const std::string* line = req.header("Cookie");
    if (!line) return false;
    NameValues sent = parse_cookie_line(*line);
    for (int i = 0; i < required; ++i) {
        std::string want = post_cookie(i);
        size_t eq = want.find('=');
        const std::string* got = find_value(sent, want.substr(0, eq));
        if (!got || *got != want.substr(eq + 1)) return false;
    }
    return true;
}

void BoardSite::add_cookies(Reply& r, int64_t) const
{
    for (int i = 0; i < post_.cookieCount; ++i) {
        std::string line = post_cookie(i) + "; ";
        if (post_.cookieExpires) line += std::string("expires=") + kCookieExpiry + "; ";
        line += "path=/";
        r.headers.emplace_back("Set-Cookie", line);
    }
}

bool BoardSite::post_to_thread(PostRecord& rec, const std::string& prefix, int64_t now, int* error)
{
    // No key: a new thread, which needs its title.
    const bool newThread = rec.key.empty();
    if (!plain_name(rec.bbs, false) || (!newThread && !plain_name(rec.key, true))) {
        *error = static_cast<int>(PostError::BadBoard);
        return false;
    }
    if (newThread && rec.subject.find_first_not_of(" \t") == std::string::npos) {
        *error = static_cast<int>(PostError::NoSubject);
        return false;
    }
    if (rec.message.find_first_not_of(" \t\r\n") == std::string::npos) {
        *error = static_cast<int>(PostError::NoMessage);
        return false;
    }
    std::string dir = (prefix.empty() ? std::string() : prefix.substr(1) + "/") + rec.bbs;
    auto it = files_.find(dat_path(dir, rec.key));
    if (!newThread && it == files_.end()) {
        *error = static_cast<int>(PostError::NoThread);
        return false;
    }

    std::string date = post_.date;
    if (date.empty()) {
        CivilTime day = civil_time(now, 9 * 3600);
        date = dat_date(now, hash_text("127.0.0.1/" + rec.bbs + "/" + std::to_string(day.year) + "-" +
                                           std::to_string(day.month) + "-" + std::to_string(day.day),
                                       8));
    }
    if (newThread) return make_thread(rec, dir, date, now);
    std::string line = name_field(rec.from) + "<>" + posted_field(rec.mail, false) + "<>" + date + "<> " +
                       posted_field(rec.message, true) + " <>\n";
    File& dat = it->second;
    dat.bytes += line;
    dat.modified = now;
    rec.appended = line;

    // The thread list shows the new count; a post without "sage" raises the
    // thread to the top.
    auto subj = files_.find(subject_path(dir));
    if (subj != files_.end()) {
        std::string& text = subj->second.bytes;
        std::string lead = rec.key + ".dat<>";
        size_t start = 0;
        while (start < text.size() && text.compare(start, lead.size(), lead) != 0) {
            size_t lf = text.find('\n', start);
            start = lf == std::string::npos ? text.size() : lf + 1;
        }
        if (start < text.size()) {
            size_t lf = text.find('\n', start);
            size_t end = lf == std::string::npos ? text.size() : lf;
            std::string entry = text.substr(start, end - start);
            size_t paren = entry.rfind('(');
            if (paren != std::string::npos) entry.resize(paren);
            entry += "(" + std::to_string(count_lines(dat.bytes)) + ")";
            text.erase(start, (lf == std::string::npos ? end : lf + 1) - start);
            if (rec.mail.find("sage") == std::string::npos) {
                text.insert(0, entry + "\n");
            } else {
                text.insert(start, entry + "\n");
            }
            subj->second.modified = now;
        }
    }
    return true;
}

bool BoardSite::make_thread(PostRecord& rec, const std::string& dir, const std::string& date, int64_t now)
{
    // The key is the creation time, one later than any thread made in the
    // same second.
    int64_t key = now;
    while (files_.count(dat_path(dir, std::to_string(key))) != 0) ++key;
    rec.key = std::to_string(key);
    const std::string title = posted_field(rec.subject, false);
    rec.appended = name_field(rec.from) + "<>" + posted_field(rec.mail, false) + "<>" + date + "<> " +
                   posted_field(rec.message, true) + " <>" + title + "\n";
    File& dat = files_[dat_path(dir, rec.key)];
    dat.bytes = rec.appended;
    dat.modified = now;
    // The new thread heads the list, as on a real board.
    File& subj = files_[subject_path(dir)];
    subj.bytes.insert(0, rec.key + ".dat<>" + title + " (1)\n");
    subj.modified = now;
    return true;
}

Reply BoardSite::answer_post(const HttpRequest& req, std::string_view body)
{
    PostRecord rec;
    rec.path = req.path;
    rec.body.assign(body.data(), body.size());
    rec.fields = parse_form(body);
    auto field = [&](const char* name) {
        const std::string* v = find_value(rec.fields, name);
        return v ? *v : std::string();
    };
    rec.submit = field("submit");
    rec.from = field("FROM");
    rec.mail = field("mail");
    rec.message = field("MESSAGE");
    rec.bbs = field("bbs");
    rec.key = field("key");
    rec.time = field("time");
    rec.subject = field("subject");
    if (const std::string* c = req.header("Cookie")) {
        rec.hadCookieLine = true;
        rec.cookieLine = *c;
    }
    std::string prefix = req.path.substr(0, req.path.size() - kScript.size());
    PostEcho echo{rec.from, rec.mail, rec.message, rec.bbs, rec.key, rec.time};

    std::lock_guard<std::mutex> hold(lock_);
    int64_t now = now_locked();
    Reply r;
    r.status = 200;
    add_common_headers(r, now);
    add_cookies(r, now);

    auto try_post = [&] {
        int error = 0;
        if (post_to_thread(rec, prefix, now, &error)) {
            rec.outcome = PostOutcome::Success;
            r.body = page_success(echo);
        } else {
            rec.outcome = PostOutcome::Error;
            r.body = page_error(static_cast<PostError>(error), echo);
        }
    };
    switch (post_.mode) {
    case PostMode::Normal:
        if (has_required_cookies(req)) {
            try_post();
        } else {
            rec.outcome = PostOutcome::Confirm;
            r.body = page_confirm(echo);
        }
        break;
    case PostMode::Success:
        try_post();
        break;
    case PostMode::AlwaysConfirm:
        rec.outcome = PostOutcome::Confirm;
        r.body = page_confirm(echo);
        break;
    case PostMode::Error:
        rec.outcome = PostOutcome::Error;
        r.body = page_error(PostError::Forced, echo);
        break;
    case PostMode::NoMarker:
        rec.outcome = PostOutcome::NoMarker;
        r.body = page_no_marker();
        break;
    case PostMode::CloseEarly:
        rec.outcome = PostOutcome::ClosedEarly;
        r.headOnly = true;
        break;
    case PostMode::Redirected:
    case PostMode::NoContent:
        try_post();
        r.body.clear();
        if (post_.mode == PostMode::Redirected) {
            r.status = 302;
            r.headers.emplace_back("Location", "http://" + req.host + prefix + "/" + rec.bbs + "/");
        } else {
            r.status = 204;
        }
        break;
    }
    if (!r.headOnly) r.headers.emplace_back("Content-Length", std::to_string(r.body.size()));
    r.headers.emplace_back("Connection", "close");
    r.headers.emplace_back("Content-Type", "text/html; charset=Shift_JIS");
    posts_.push_back(std::move(rec));
    return r;
}

}  // namespace boardserver
