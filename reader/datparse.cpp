#include "reader/datparse.h"

#include <cstring>

#include "store/sjis.h"

namespace {

constexpr std::string_view kSep = "<>";
constexpr std::string_view kTripOpen = "</b>";
constexpr std::string_view kTripClose = "<b>";
constexpr std::string_view kBreak = " <br> ";
constexpr std::string_view kAnchorOpen = "<a href=";
constexpr std::string_view kAnchorClose = "</a>";
constexpr std::string_view kGt = "&gt;";
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

size_t find_in(const char* text, size_t length, std::string_view what, size_t from)
{
    if (from > length) return std::string_view::npos;
    return std::string_view(text, length).find(what, from);
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
        if (rest.substr(0, kSep.size()) == kSep) {
            d.bodyEmpty = true;
        } else {
            d.body = take_field(rest, &d.bodyClosed);
        }
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

bool BodyLines::next(std::string_view* line)
{
    if (done_) return false;
    size_t br = rest_.find(kBreak);
    if (br != std::string_view::npos) {
        *line = rest_.substr(0, br);
        rest_.remove_prefix(br + kBreak.size());
        return true;
    }
    done_ = true;
    if (!closed_ && rest_.empty()) return false;
    *line = rest_;
    return true;
}

size_t rewrite_anchors(char* text, size_t length)
{
    size_t n = length;
    size_t scan = 0;
    for (int anchors = 0; anchors < kMaxAnchorsPerLine; ++anchors) {
        size_t open = find_in(text, n, kAnchorOpen, scan);
        if (open == std::string_view::npos) break;
        size_t tagEnd = find_in(text, n, ">", open + kAnchorOpen.size());
        if (tagEnd == std::string_view::npos) break;
        size_t pos = tagEnd + 1;
        size_t arrows = 0;
        for (int i = 0; i < 2; ++i) {
            size_t gt = find_in(text, n, kGt, pos);
            if (gt == std::string_view::npos) break;
            ++arrows;
            pos = gt + kGt.size();
        }
        size_t close = find_in(text, n, kAnchorClose, pos);
        if (close == std::string_view::npos) break;

        // text[0, open) + ">"s + text[pos, close) + text[close + 4, n); every
        // piece moves left, so the line can be rebuilt where it stands.
        size_t w = open;
        for (size_t i = 0; i < arrows; ++i) text[w++] = '>';
        if (close > pos) std::memmove(text + w, text + pos, close - pos);
        w += close - pos;
        size_t tail = n - (close + kAnchorClose.size());
        if (tail) std::memmove(text + w, text + close + kAnchorClose.size(), tail);
        n = w + tail;
        // Nothing before `open` can start a new "<a href=" on its own, but
        // its last bytes may with what now follows them.
        scan = open >= kAnchorOpen.size() - 1 ? open - (kAnchorOpen.size() - 1) : 0;
    }
    return n;
}

namespace {

// Reserves `room` bytes of the store (room >= length + 1), copies the text in
// and ends it with NUL; the rest of the room is cleared. Null when it does not
// fit.
char* store_text(ThreadBuild& b, std::string_view text, size_t room)
{
    if (room > b.storeSize - b.storeUsed) return nullptr;
    char* at = b.store + b.storeUsed;
    if (!text.empty()) std::memcpy(at, text.data(), text.size());
    std::memset(at + text.size(), 0, room - text.size());
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

    // The stored name: the text before "</b>" joined to the trip text.
    const size_t nameLength = d.nameHead.size() + d.nameTrip.size();
    if (nameLength + 1 > b.storeSize - b.storeUsed) {
        host.store_full();
        return DatStep::End;
    }
    char* name = store_text(b, d.nameHead, nameLength + 1);
    if (!d.nameTrip.empty()) std::memcpy(name + d.nameHead.size(), d.nameTrip.data(), d.nameTrip.size());
    if (!append_line(b, host, number, HeaderLine, static_cast<int32_t>(nameLength), name))
        return DatStep::End;
    b.responseCount = number;

    if (d.bodyEmpty) return DatStep::End;

    BodyLines pieces(d.body, d.bodyClosed);
    std::string_view piece;
    while (pieces.next(&piece)) {
        char* at = store_text(b, piece, piece.size() + 1);
        if (!at) {
            host.store_full();
            return DatStep::End;
        }
        size_t shown = rewrite_anchors(at, piece.size());
        std::memset(at + shown, 0, piece.size() - shown);
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
