#include "reader/resdetail.h"

#include <cstring>
#include <utility>

namespace {

constexpr std::string_view kIdMark = " ID:";

// The text of a line of the thread, bounded by the store it lies in.
std::string_view line_text(const ResponseLine& line)
{
    if (!line.text) return {};
    return std::string_view(line.text);
}

std::string_view field(const char* text, size_t room)
{
    size_t n = 0;
    while (n < room && text[n] != '\0') ++n;
    return std::string_view(text, n);
}

}  // namespace

int32_t detail_clamp_number(int64_t typed, int32_t responseCount)
{
    if (responseCount <= 0) return 0;
    if (typed < 1) return 1;
    if (typed > responseCount) return responseCount;
    return static_cast<int32_t>(typed);
}

int64_t detail_typed_number(std::u16string_view text)
{
    int64_t n = 0;
    int digits = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9' || digits == kDetailNumberDigits) break;
        n = n * 10 + (c - u'0');
        ++digits;
    }
    return n;
}

void split_date_id(std::string_view f, std::string_view* date, std::string_view* id)
{
    size_t at = f.find(kIdMark);
    if (at == std::string_view::npos) {
        *date = f;
        *id = {};
        return;
    }
    *date = f.substr(0, at);
    *id = f.substr(at + kIdMark.size());
    if (id->size() > kDetailIdChars) *id = id->substr(0, kDetailIdChars);
}

bool detail_fields(const ResponseBuffer& t, int32_t number, DetailFields* out)
{
    if (!t.lines || !t.responses || number < 1 || number > t.responseCount || t.lineCount <= 0) return false;
    const Response& r = t.responses[number - 1];
    const int64_t first = r.firstLine;
    if (first >= t.lineCount) return false;
    int64_t end = number < t.responseCount ? t.responses[number].firstLine : t.lineCount;
    if (end > t.lineCount) end = t.lineCount;

    out->name = line_text(t.lines[first]);
    out->mail = field(r.mail, sizeof r.mail);
    split_date_id(field(r.date, sizeof r.date), &out->date, &out->id);
    out->body.clear();
    for (int64_t i = first + 1; i < end; ++i) {
        std::string_view text = line_text(t.lines[i]);
        out->body.append(text.data(), text.size());
        out->body += "\r\n";
    }
    return true;
}

std::u16string detail_copy_text(std::u16string_view text, size_t start, size_t end)
{
    if (start > end) std::swap(start, end);
    if (end > text.size()) end = text.size();
    if (start >= end) return {};
    std::u16string_view sel = text.substr(start, end - start);
    if (sel.back() == u' ') sel.remove_suffix(1);
    std::u16string out;
    out.reserve(sel.size() + 8);
    for (size_t i = 0; i < sel.size(); ++i) {
        const bool address = sel.compare(i, 4, u"ttp:") == 0 || sel.compare(i, 5, u"ttps:") == 0;
        if (address && (i == 0 || sel[i - 1] != u'h')) out += u'h';
        out += sel[i];
    }
    return out;
}
