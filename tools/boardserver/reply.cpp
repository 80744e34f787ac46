#include "tools/boardserver/reply.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>

namespace boardserver {
namespace {

bool same_name(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// Days since 1970-01-01 to a proleptic Gregorian date.
void civil_from_days(int64_t z, int& y, int& m, int& d)
{
    z += 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

}  // namespace

const std::string* Reply::header(std::string_view name) const
{
    for (const auto& h : headers) {
        if (same_name(h.first, name)) return &h.second;
    }
    return nullptr;
}

void Reply::set_header(std::string name, std::string value)
{
    for (auto& h : headers) {
        if (same_name(h.first, name)) {
            h.second = std::move(value);
            return;
        }
    }
    headers.emplace_back(std::move(name), std::move(value));
}

const char* reason_phrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 206: return "Partial Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 411: return "Length Required";
    case 413: return "Request Entity Too Large";
    case 416: return "Requested Range Not Satisfiable";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Unknown";
    }
}

std::string reply_head_text(const Reply& reply)
{
    std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + reason_phrase(reply.status) + "\r\n";
    for (const auto& h : reply.headers) {
        head += h.first;
        head += ": ";
        head += h.second;
        head += "\r\n";
    }
    head += "\r\n";
    return head;
}

CivilTime civil_time(int64_t unixSeconds, int offsetSeconds)
{
    int64_t t = unixSeconds + offsetSeconds;
    int64_t days = t >= 0 ? t / 86400 : -((-t + 86399) / 86400);
    int64_t secs = t - days * 86400;
    CivilTime c{};
    civil_from_days(days, c.year, c.month, c.day);
    c.hour = static_cast<int>(secs / 3600);
    c.minute = static_cast<int>(secs / 60 % 60);
    c.second = static_cast<int>(secs % 60);
    c.weekday = static_cast<int>(((days % 7) + 7 + 4) % 7);   // 1970-01-01 was a Thursday
    return c;
}

std::string http_date(int64_t unixSeconds)
{
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    CivilTime c = civil_time(unixSeconds);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[c.weekday], c.day,
                  kMonths[c.month - 1], c.year, c.hour, c.minute, c.second);
    return buf;
}

namespace {

// windowBits 31: the gzip wrapper (header and CRC); 15: the zlib wrapper;
// -15: raw deflate.
std::string deflate_with(std::string_view data, int windowBits)
{
    z_stream z;
    std::memset(&z, 0, sizeof z);
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK) return {};
    std::string out;
    out.resize(deflateBound(&z, static_cast<uLong>(data.size())) + 32);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(&out[0]);
    z.avail_out = static_cast<uInt>(out.size());
    int rc = deflate(&z, Z_FINISH);
    size_t produced = out.size() - z.avail_out;
    deflateEnd(&z);
    if (rc != Z_STREAM_END) return {};
    out.resize(produced);
    return out;
}

}  // namespace

std::string gzip_bytes(std::string_view data) { return deflate_with(data, 31); }

std::string deflate_bytes(std::string_view data, bool zlibWrapped) { return deflate_with(data, zlibWrapped ? 15 : -15); }

void code_reply_body(Reply* reply, const std::string& coding)
{
    if (reply->body.empty()) return;
    if (coding == "deflate") {
        reply->body = deflate_bytes(reply->body, true);
        reply->set_header("Content-Encoding", "deflate");
    } else if (coding == "deflate-raw") {
        reply->body = deflate_bytes(reply->body, false);
        reply->set_header("Content-Encoding", "deflate");
    } else {
        reply->set_header("Content-Encoding", coding);
    }
    reply->set_header("Content-Length", std::to_string(reply->body.size()));
}

}  // namespace boardserver
