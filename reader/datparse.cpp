#include "reader/datparse.h"

#include <cstring>

#include "reader/markup.h"
#include "store/sjis.h"

namespace {

constexpr std::string_view kSep = "<>";
constexpr std::string_view kTripOpen = "</b>";
constexpr std::string_view kTripClose = "<b>";
constexpr std::string_view kEmptyMail = " ";
constexpr std::string_view kBlankLine = " ";

// A field runs to its closing "<>"; without one, to the end of the line.
// `rest` becomes what follows the separator (empty when there was none).
std::string_view take_field(std::string_view& rest, bool* closed)
{
    size_t at = rest.find(kSep);
    if (at == std::string_view::npos) {
        std::string_view field = rest;
        rest = rest.substr(rest.size());
        if (closed) *closed = false;
        return field;
    }
    std::string_view field = rest.substr(0, at);
    rest.remove_prefix(at + kSep.size());
    if (closed) *closed = true;
    return field;
}

}  // namespace

bool parse_dat_line(std::string_view line, DatLine* out)
{
    size_t first = line.find(kSep);
    if (first == std::string_view::npos) return false;

    DatLine d{};
    std::string_view name = line.substr(0, first);
    std::string_view rest = line.substr(first + kSep.size());

    size_t trip = name.find(kTripOpen);
    if (trip == std::string_view::npos) {
        d.nameHead = name;
    } else {
        d.nameHead = name.substr(0, trip);
        std::string_view after = name.substr(trip + kTripOpen.size());
        size_t close = after.find(kTripClose);
        d.nameTrip = close == std::string_view::npos ? after : after.substr(0, close);
    }

    bool closed = false;
    if (rest.substr(0, kSep.size()) == kSep) {
        d.mail = kEmptyMail;
        rest.remove_prefix(kSep.size());
        closed = true;
    } else {
        d.mail = take_field(rest, &closed);
    }
    if (closed) d.date = take_field(rest, &closed);
    if (closed) {
        if (!rest.empty() && rest[0] == ' ') rest.remove_prefix(1);
        d.body = take_field(rest, &d.bodyClosed);
    }
    *out = d;
    return true;
}

size_t sjis_fit(std::string_view text, size_t room)
{
    if (text.size() <= room) return text.size();
    size_t i = 0;
    while (i < room) {
        size_t step = is_sjis_lead(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i + step > room) break;
        i += step;
    }
    return i;
}

size_t copy_field(char* out, size_t size, std::string_view text)
{
    if (size == 0) return 0;
    size_t n = sjis_fit(text, size - 1);
    if (n) std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return n;
}

bool BodyLines::next(std::string_view* line, bool* marked)
{
    bool sawLt = false;
    if (marked) *marked = false;
    if (ruleLine_) {
        ruleLine_ = false;
        *line = {};
        return true;
    }
    if (done_) return false;
    size_t from = 0;
    for (size_t lt; (lt = rest_.find('<', from)) != std::string_view::npos; sawLt = true) {
        from = lt + 1;
        // Only "<br" and "<hr" can end a line; anchors are passed unread.
        const char second = lt + 1 < rest_.size() ? static_cast<char>(rest_[lt + 1] | 0x20) : '\0';
        if (second != 'b' && second != 'h') continue;
        const Tag tag = read_tag(rest_.substr(lt));
        if (tag.kind == TagKind::Break || tag.kind == TagKind::Rule) {
            // A blank is one byte and never the second byte of a character.
            const size_t end = lt > 0 && rest_[lt - 1] == ' ' ? lt - 1 : lt;
            size_t after = lt + tag.length;
            if (after < rest_.size() && rest_[after] == ' ') ++after;
            *line = rest_.substr(0, end);
            rest_.remove_prefix(after);
            ruleLine_ = tag.kind == TagKind::Rule;
            if (marked) *marked = sawLt;
            return true;
        }
    }
    done_ = true;
    if (!closed_ && rest_.empty()) return false;
    *line = rest_;
    if (marked) *marked = sawLt;
    return true;
}

namespace {

// Reserves `room` bytes of the store (room >= length + 1), copies the text in
// and ends it with NUL, and the room too. The store is zero-filled when
// obtained and each room is written once, so nothing else needs clearing.
// Null when it does not fit.
char* store_text(ThreadBuild& b, std::string_view text, size_t room)
{
    if (room > b.storeSize - b.storeUsed) return nullptr;
    char* at = b.store + b.storeUsed;
    if (!text.empty()) std::memcpy(at, text.data(), text.size());
    at[text.size()] = '\0';
    at[room - 1] = '\0';
    b.storeUsed += static_cast<uint32_t>(room);
    return at;
}

bool append_line(ThreadBuild& b, ThreadBuildHost& host, int32_t response, int32_t kind,
                 int32_t length, char* text)
{
    if (static_cast<uint32_t>(b.lineCount) >= b.lineRoom) {
        if (!host.grow_lines(b) || static_cast<uint32_t>(b.lineCount) >= b.lineRoom) return false;
    }
    ResponseLine& l = b.lines[b.lineCount++];
    l.response = response;
    l.kind = kind;
    l.length = length;
    l.text = text;
    return true;
}

}  // namespace

DatStep build_add_line(ThreadBuild& b, std::string_view line, ThreadBuildHost& host)
{
    if (b.responseCount % 100 == 0) host.progress(b.responseCount);

    DatLine d;
    if (!parse_dat_line(line, &d)) return DatStep::Next;

    if (static_cast<uint32_t>(b.responseCount) >= b.responseRoom) {
        if (!host.grow_responses(b) || static_cast<uint32_t>(b.responseCount) >= b.responseRoom)
            return DatStep::End;
    }
    const int32_t number = b.responseCount + 1;
    Response& r = b.responses[b.responseCount];
    r.firstLine = static_cast<uint32_t>(b.lineCount);
    copy_field(r.mail, sizeof r.mail, d.mail);
    copy_field(r.date, sizeof r.date, d.date);

    // The stored name: the text before "</b>" joined to the trip text, its
    // other markup rewritten in the room the two took.
    const size_t nameLength = d.nameHead.size() + d.nameTrip.size();
    if (nameLength + 1 > b.storeSize - b.storeUsed) {
        host.store_full();
        return DatStep::End;
    }
    char* name = store_text(b, d.nameHead, nameLength + 1);
    if (!d.nameTrip.empty()) std::memcpy(name + d.nameHead.size(), d.nameTrip.data(), d.nameTrip.size());
    const size_t nameShown = rewrite_markup(name, nameLength);
    std::memset(name + nameShown, 0, nameLength - nameShown);
    if (!append_line(b, host, number, HeaderLine, static_cast<int32_t>(nameShown), name))
        return DatStep::End;
    b.responseCount = number;

    BodyLines pieces(d.body, d.bodyClosed);
    std::string_view piece;
    bool marked = false;
    while (pieces.next(&piece, &marked)) {
        char* at = store_text(b, piece, piece.size() + 1);
        if (!at) {
            host.store_full();
            return DatStep::End;
        }
        const size_t shown = marked ? rewrite_markup(at, piece.size()) : piece.size();
        if (shown < piece.size()) std::memset(at + shown, 0, piece.size() - shown);
        if (!append_line(b, host, number, BodyLine, static_cast<int32_t>(piece.size()), at))
            return DatStep::End;
    }

    char* blank = store_text(b, kBlankLine, kBlankLine.size() + 1);
    if (!blank) {
        host.store_full();
        return DatStep::End;
    }
    if (!append_line(b, host, number, BodyLine, static_cast<int32_t>(kBlankLine.size()), blank))
        return DatStep::End;
    return DatStep::Next;
}
