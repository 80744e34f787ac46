// Reply heads from a hostile server, split into blocks at fuzzer-chosen
// points; the head found must be the one a whole-stream search finds, and
// its status code and field values those a plain reading of it gives.
// Framing: the first two bytes choose the block sizes (the seeds carry them),
// the rest is the stream.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "net/hostmatch.h"
#include "net/httphead.h"

namespace {

ReplyHeadReader g_reader;

void check(bool ok)
{
    if (!ok) abort();
}

char lower_ascii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// A plain reading of the head's field lines: split at LF, one CR dropped at
// the end of each line, the first line is the status line, an empty line
// ends the fields, a line without a name before ":" is no field; the value
// loses blanks and TABs in front and blanks, TABs and CRs behind.
struct Field {
    std::string name;   // lower case
    std::string value;
};

std::vector<Field> reference_fields(std::string_view head)
{
    std::vector<Field> fields;
    std::vector<std::string> lines;
    std::string line;
    for (char c : head) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    lines.push_back(line);
    for (size_t i = 1; i < lines.size(); ++i) {
        std::string l = lines[i];
        if (!l.empty() && l.back() == '\r') l.pop_back();
        if (l.empty()) break;
        size_t colon = l.find(':');
        if (colon == std::string::npos || colon == 0) continue;
        Field f;
        for (size_t k = 0; k < colon; ++k) f.name += lower_ascii(l[k]);
        std::string v = l.substr(colon + 1);
        size_t b = 0;
        while (b < v.size() && (v[b] == ' ' || v[b] == '\t')) ++b;
        size_t e = v.size();
        while (e > b && (v[e - 1] == ' ' || v[e - 1] == '\t' || v[e - 1] == '\r')) --e;
        f.value = v.substr(b, e - b);
        fields.push_back(f);
    }
    return fields;
}

// Content-Length by the plain rule: only digits, at least one, at most 2^53.
bool reference_length(const std::string& v, uint64_t* n)
{
    if (v.empty() || v.find_first_not_of("0123456789") != std::string::npos) return false;
    std::string digits = v.substr(std::min(v.find_first_not_of('0'), v.size()));
    if (digits.size() > 16) return false;   // 2^53 has 16 digits
    *n = digits.empty() ? 0 : std::stoull(digits);
    return *n <= (uint64_t{1} << 53);
}

// Every field the client asks for, and one name taken from the head itself
// in a different case, found with the values the plain reading gives.
void check_fields_against_reference(std::string_view head)
{
    const std::vector<Field> fields = reference_fields(head);
    std::vector<std::string> names = {"content-encoding", "location", "set-cookie",
                                      "content-length"};
    if (!fields.empty()) names.push_back(fields.front().name);
    if (fields.size() > 1) names.push_back(fields.back().name);
    for (const std::string& name : names) {
        std::vector<std::string> want;
        for (const Field& f : fields) {
            if (f.name == name) want.push_back(f.value);
        }
        std::string asked = name;
        for (size_t k = 0; k < asked.size(); k += 2) {
            if (asked[k] >= 'a' && asked[k] <= 'z') asked[k] = static_cast<char>(asked[k] - 'a' + 'A');
        }
        std::vector<std::string> got;
        size_t n = head_fields(head, asked, [&](std::string_view v) {
            check(v.size() <= kReplyHeadMax);
            got.emplace_back(v);
        });
        check(n == got.size() && got == want);
        std::string_view first;
        check(head_field(head, asked, &first) == !want.empty());
        if (!want.empty()) check(first == want.front());
    }
    uint64_t expected = 0;
    uint64_t length = 0;
    std::string lengthText;
    for (const Field& f : fields) {
        if (f.name == "content-length") {
            lengthText = f.value;
            break;
        }
    }
    const bool hasLength = reference_length(lengthText, &expected);
    check(head_content_length(head, &length) == hasLength);
    if (hasLength) check(length == expected);

    // The status code: three digits right after "HTTP/1.x ".
    int status = 0;
    if (head.size() >= 12 && std::isdigit(static_cast<unsigned char>(head[9])) &&
        std::isdigit(static_cast<unsigned char>(head[10])) &&
        std::isdigit(static_cast<unsigned char>(head[11])))
        status = std::stoi(std::string(head.substr(9, 3)));
    check(status_code_of(head) == status);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    // The first two bytes choose the block sizes; the rest is the stream.
    size_t step1 = static_cast<size_t>(data[0]) * 67 + 1;
    size_t step2 = static_cast<size_t>(data[1]) % 31 + 1;
    std::string_view stream(reinterpret_cast<const char*>(data + 2), size - 2);

    g_reader = ReplyHeadReader();
    size_t pos = 0;
    size_t completedAt = 0;
    size_t completedLen = 0;
    bool first = true;
    while (pos < stream.size() && g_reader.state() == ReplyHeadReader::State::NeedMore) {
        size_t n = first ? step1 : step2;
        first = false;
        if (n > stream.size() - pos) n = stream.size() - pos;
        if (g_reader.feed(stream.data() + pos, n) == ReplyHeadReader::State::Complete) {
            completedAt = pos;
            completedLen = n;
        }
        pos += n;
    }

    size_t mark = stream.find("\r\n\r\n");
    bool fits = mark != std::string_view::npos && mark + 4 <= kReplyHeadMax;
    if (g_reader.state() == ReplyHeadReader::State::Complete) {
        if (!fits) abort();
        std::string_view head = g_reader.head();
        if (head != stream.substr(0, mark + 3)) abort();
        if (g_reader.body_offset() > completedLen) abort();
        if (completedAt + g_reader.body_offset() != mark + 4) abort();
        if (g_reader.body_offset() + g_reader.body_in_block() != completedLen) abort();
        if (g_reader.status() != status_code_of(stream.substr(0, mark + 3))) abort();
        check_fields_against_reference(head);
    } else if (fits && pos >= mark + 4) {
        abort();   // the mark went by unnoticed
    }

    // The builders and the encoder over the same bytes.
    std::string text(stream.substr(0, 300));
    std::string cstr(text.c_str());   // up to the first NUL
    ConnectionTarget t;
    if (connection_target(text, data[0] & 1, text, static_cast<int32_t>(data[1]) * 1000, &t) == TargetError::None) {
        if (strlen(t.host) >= kConnectionHostBytes || host_line_value(t).size() >= kConnectionHostBytes) abort();
        if (t.secure && (t.name[0] == '\0' || t.urlPort == 0)) abort();
        if (t.secure && request_target(text, true).substr(0, 1) != "/") abort();
        char connect[kRequestTextBytes];
        size_t c = format_connect_request(connect, sizeof connect, t.name, t.urlPort);
        if (c >= sizeof connect || (c && strlen(connect) != c)) abort();
    }
    HttpUrl u;
    if (parse_http_url(text, &u) && (u.host.empty() || u.port == 0 || u.path.empty() || u.path[0] != '/')) abort();
    // A name matches itself (without case), and a wildcard never matches an
    // address or more than one label.
    std::string_view whole(text);
    std::string_view left = whole.substr(0, whole.size() / 2), right = whole.substr(whole.size() / 2);
    if (certificate_name_matches(left, right) && host_is_address(right) && left != right) abort();
    if (!left.empty() && left.find('*') == std::string_view::npos && left != "." &&
        !certificate_name_matches(left, left)) abort();
    char req[kRequestTextBytes];
    size_t n = format_get_request(req, sizeof req, cstr.c_str(), cstr.c_str(), data[1]);
    if (n >= sizeof req || (n && strlen(req) != n)) abort();
    char enc[3 * 300 + 1];
    url_encode(cstr.c_str(), enc);
    char small[17];
    size_t need = url_encode_bounded(text, small, sizeof small);
    if (strlen(small) > need || strlen(small) >= sizeof small) abort();
    return 0;
}
