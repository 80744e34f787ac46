#include "net/postform.h"

#include <cmath>
#include <cstring>

#include "net/httphead.h"
#include "store/format.h"

namespace {

bool is_control(unsigned char c) { return c < 0x20 || c == 0x7f; }

bool plain_value_byte(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '-' ||
           c == '.';
}

// Days from 1970-01-01 of a proleptic Gregorian date.
int64_t days_from_civil(int64_t y, int64_t m, int64_t d)
{
    y -= m <= 2 ? 1 : 0;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool contains(std::string_view hay, std::string_view needle)
{
    return hay.find(needle) != std::string_view::npos;
}

constexpr std::string_view kSetCookie = "Set-Cookie: ";
constexpr std::string_view kExpires = "expires=";

constexpr size_t kLongestMarker = sizeof kMarkerSuccess - 1;
static_assert(sizeof kMarkerConfirm - 1 <= kLongestMarker && sizeof kMarkerError - 1 <= kLongestMarker,
              "the window overlap must hold every marker");

}  // namespace

// ---- The time field ----------------------------------------------------------

bool post_time_back15(PostClock* t)
{
    PostClock a = *t;
    if (a.second > 15) {
        a.second -= 15;
    } else {
        a.second += 45;
        if (a.minute == 0) {
            if (a.hour == 0) return false;   // the date is never changed
            a.minute = 59;
            a.hour -= 1;
        } else {
            a.minute -= 1;
        }
        // hh:mm:15 goes back to hh:(mm-1):60, which is hh:mm:00.
        if (a.second >= 60) {
            a.second -= 60;
            if (++a.minute == 60) {
                a.minute = 0;
                a.hour += 1;
            }
        }
    }
    *t = a;
    return true;
}

double ole_day_count(const PostClock& t)
{
    const int64_t days = days_from_civil(t.year, t.month, t.day) - days_from_civil(1899, 12, 30);
    const double secs = static_cast<double>(t.hour) * 3600.0 + t.minute * 60.0 + t.second;
    return static_cast<double>(days) + secs / 86400.0;
}

uint32_t post_time_seconds(double oleTime, double oleEpoch)
{
    double s = std::floor((oleTime - oleEpoch) * 86400.0 + 0.5);
    if (!(s >= 0.0) || s > 4294967295.0) return 0;
    return static_cast<uint32_t>(s);
}

uint32_t post_time_field(uint32_t postTime) { return postTime - kPostTimeBackSeconds; }

// ---- The form ----------------------------------------------------------------

bool plain_form_value(std::string_view s)
{
    if (s.empty()) return false;
    for (char c : s) {
        if (!plain_value_byte(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

PostFormError format_post_body(const PostFormFields& f, char* out, size_t size, size_t* length)
{
    if (length) *length = 0;
    if (out && size > 0) out[0] = '\0';
    const bool newThread = !f.subject.empty();
    if (f.name.size() >= kPostNameBytes) return PostFormError::NameTooLong;
    if (f.mail.size() >= kPostNameBytes) return PostFormError::MailTooLong;
    if (f.message.size() >= kPostMessageBytes) return PostFormError::MessageTooLong;
    if (f.subject.size() >= kPostNameBytes) return PostFormError::SubjectTooLong;
    if (!plain_form_value(f.bbs) || f.bbs.size() >= kPostBoardBytes) return PostFormError::BadBoard;
    if (!newThread && (!plain_form_value(f.key) || f.key.size() >= kPostKeyBytes)) return PostFormError::BadKey;

    char submit[3 * (sizeof kSubmitNewThreadLabel - 1) + 1];
    char subject[kPostNameEncodedBytes];
    char name[kPostNameEncodedBytes];
    char mail[kPostNameEncodedBytes];
    char message[kPostMessageEncodedBytes];
    // The rooms hold the encoded form of anything that fits the Shift-JIS rooms.
    url_encode_bounded(newThread ? kSubmitNewThreadLabel : kSubmitLabel, submit, sizeof submit);
    url_encode_bounded(f.subject, subject, sizeof subject);
    if (url_encode_bounded(f.name, name, sizeof name) >= sizeof name) return PostFormError::NameTooLong;
    if (url_encode_bounded(f.mail, mail, sizeof mail) >= sizeof mail) return PostFormError::MailTooLong;
    if (url_encode_bounded(f.message, message, sizeof message) >= sizeof message)
        return PostFormError::MessageTooLong;

    char bbs[kPostBoardBytes];
    char key[kPostKeyBytes] = "";
    std::memcpy(bbs, f.bbs.data(), f.bbs.size());
    bbs[f.bbs.size()] = '\0';
    if (!newThread) {
        std::memcpy(key, f.key.data(), f.key.size());
        key[f.key.size()] = '\0';
    }

    if (!out || size == 0) return PostFormError::BodyTooLong;
    int n = newThread ? libce_snprintf(out, size,
                                       "hana=mogera&submit=%s&subject=%s&FROM=%s&mail=%s&MESSAGE=%s&bbs=%s&time=%u",
                                       submit, subject, name, mail, message, bbs, f.time)
                      : libce_snprintf(out, size,
                                       "hana=mogera&submit=%s&FROM=%s&mail=%s&MESSAGE=%s&bbs=%s&key=%s&time=%u",
                                       submit, name, mail, message, bbs, key, f.time);
    if (n < 0 || static_cast<size_t>(n) >= size) {
        out[0] = '\0';
        return PostFormError::BodyTooLong;
    }
    if (length) *length = static_cast<size_t>(n);
    return PostFormError::None;
}

bool post_thread_key(std::string_view fileName, char* out, size_t size)
{
    if (!out || size == 0) return false;
    out[0] = '\0';
    std::string_view key = fileName.substr(0, fileName.find('\0'));
    if (key.size() > kPostKeyBytes - 1) key = key.substr(0, kPostKeyBytes - 1);
    key = key.substr(0, key.find('.'));
    if (!plain_form_value(key) || key.size() >= size) return false;
    std::memcpy(out, key.data(), key.size());
    out[key.size()] = '\0';
    return true;
}

bool post_target(std::string_view boardHost, bool secure, PostTarget* out)
{
    boardHost = boardHost.substr(0, boardHost.find('\0'));
    size_t slash = boardHost.find('/');
    std::string_view host = boardHost.substr(0, slash);
    std::string_view sub = slash == std::string_view::npos ? std::string_view() : boardHost.substr(slash + 1);
    if (host.empty()) return false;
    for (char c : boardHost) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7f) return false;
    }
    if (out) {
        out->host.assign(host.data(), host.size());
        out->secure = secure;
        out->target = scheme_prefix(secure);
        out->target += out->host;
        if (slash != std::string_view::npos) {
            out->target += '/';
            out->target.append(sub.data(), sub.size());
        }
        out->target += kPostScript;
    }
    return true;
}

// ---- Cookies -----------------------------------------------------------------

void CookieList::clear()
{
    text_.clear();
    count_ = 0;
}

bool CookieList::add_line(std::string_view line)
{
    size_t at = line.find(kSetCookie);
    if (at == std::string_view::npos) return false;
    if (count_ >= kMaxCookies) return false;
    std::string_view rest = line.substr(at + kSetCookie.size());
    size_t cut = rest.find(kExpires);
    std::string value;
    for (char c : rest.substr(0, cut)) {
        if (!is_control(static_cast<unsigned char>(c))) value += c;
    }
    if (cut == std::string_view::npos) value += '\n';

    // Only what the Cookie line can carry is kept: a value that would be cut
    // there is no value at all.
    std::string candidate = text_ + value;
    size_t sent = cookie_text(candidate).size();
    if (sent > kCookieValueRoom || sent == cookie_text(text_).size()) return false;
    text_ = std::move(candidate);
    ++count_;
    return true;
}

std::string cookie_text(std::string_view content)
{
    std::string v;
    size_t pos = 0;
    while (pos < content.size()) {
        size_t lf = content.find('\n', pos);
        bool ended = lf != std::string_view::npos;
        std::string_view line = content.substr(pos, (ended ? lf : content.size()) - pos);
        pos = ended ? lf + 1 : content.size();
        std::string clean;
        for (char c : line) {
            if (!is_control(static_cast<unsigned char>(c))) clean += c;
        }
        if (ended) {
            // The line break closed a value: it becomes the separator.
            while (!clean.empty() && clean.back() == ' ') clean.pop_back();
            if (clean.empty()) continue;
            if (clean.back() != ';') clean += ';';
            clean += ' ';
        }
        v += clean;
    }
    return v;
}

size_t cookie_line_value(std::string_view content, char* out, size_t size)
{
    if (!out || size == 0) return 0;
    std::string v = cookie_text(content);
    if (v.size() >= size) {
        // Cut after the last whole value that fits.
        std::string_view fit(v.data(), size - 1);
        size_t sep = fit.rfind("; ");
        v.resize(sep == std::string_view::npos ? 0 : sep + 2);
    }
    std::memcpy(out, v.data(), v.size());
    out[v.size()] = '\0';
    return v.size();
}

// ---- The reply ---------------------------------------------------------------

ReplyVerdict classify_reply_line(std::string_view line, bool firstAttempt)
{
    if (contains(line, kMarkerSuccess)) return ReplyVerdict::Success;
    if (firstAttempt && contains(line, kMarkerConfirm)) return ReplyVerdict::Confirm;
    if (contains(line, kMarkerError)) return ReplyVerdict::Error;
    return ReplyVerdict::None;
}

void PostReplyReader::scan_body_window()
{
    if (contains(line_, kMarkerSuccess)) lineSuccess_ = true;
    if (contains(line_, kMarkerConfirm)) lineConfirm_ = true;
    if (contains(line_, kMarkerError)) lineError_ = true;
}

void PostReplyReader::end_line()
{
    if (firstLine_) {
        firstLine_ = false;
        status_ = status_code_of(line_);
    }
    if (!inBody_) {
        if (line_.empty() && !headLineCut_) {
            inBody_ = true;   // the blank line after the head
        } else if (!headLineCut_ || contains(line_.substr(line_.find(kSetCookie) + 1), kExpires)) {
            // A cut line gives a value only when its end was not needed.
            cookies_.add_line(line_);
        }
    } else {
        scan_body_window();
        if (lineSuccess_) verdict_ = ReplyVerdict::Success;
        else if (first_ && lineConfirm_) verdict_ = ReplyVerdict::Confirm;
        else if (lineError_) verdict_ = ReplyVerdict::Error;
        lineSuccess_ = lineConfirm_ = lineError_ = false;
    }
    line_.clear();
    headLineCut_ = false;
}

size_t PostReplyReader::feed(const char* data, size_t len)
{
    size_t i = 0;
    for (; i < len && verdict_ == ReplyVerdict::None; ++i) {
        char c = data[i];
        if (c == '\r') continue;
        if (inBody_) ++bodyBytes_;
        if (c == '\n') {
            end_line();
            continue;
        }
        if (!inBody_) {
            if (line_.size() < kHeadLineKeep) line_ += c;
            else headLineCut_ = true;
            continue;
        }
        line_ += c;
        if (line_.size() >= 2 * kHeadLineKeep) {
            // A long body line is searched in windows that overlap by a
            // marker's length less one, so no marker is split unseen.
            scan_body_window();
            line_.erase(0, line_.size() - (kLongestMarker - 1));
        }
    }
    return i;
}

void PostReplyReader::finish()
{
    if (verdict_ != ReplyVerdict::None) return;
    if (!line_.empty() || headLineCut_) end_line();
}

bool unmarked_reply_posted(const PostReplyReader& r, bool firstAttempt, bool replyWhole)
{
    if (!firstAttempt || !replyWhole || !r.in_body()) return false;
    // A redirect or "no content" is how some scripts say a post was taken.
    if (r.status() == 204 || (r.status() >= 300 && r.status() <= 399)) return true;
    return r.body_bytes() > 0 && r.status() >= 200 && r.status() <= 299;
}
