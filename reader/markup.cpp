#include "reader/markup.h"

#include <cstring>

namespace {

struct TagName {
    std::string_view name;   // lower case
    TagKind opening;
    TagKind closing;         // what "</name>" is
};

// The most frequent first.
constexpr TagName kTagNames[] = {
    {"br", TagKind::Break, TagKind::None},
    {"a", TagKind::AnchorOpen, TagKind::AnchorClose},
    {"hr", TagKind::Rule, TagKind::None},
    {"img", TagKind::Image, TagKind::None},
    {"b", TagKind::Inline, TagKind::Inline},
    {"i", TagKind::Inline, TagKind::Inline},
    {"u", TagKind::Inline, TagKind::Inline},
    {"s", TagKind::Inline, TagKind::Inline},
    {"small", TagKind::Inline, TagKind::Inline},
    {"big", TagKind::Inline, TagKind::Inline},
    {"font", TagKind::Inline, TagKind::Inline},
    {"span", TagKind::Inline, TagKind::Inline},
};

constexpr std::string_view kBreak = "<br>";
constexpr std::string_view kGt = "&gt;";
constexpr std::string_view kSrc = "src";

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_blank(char c) { return c == ' ' || c == '\t'; }
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equals_lower(std::string_view text, std::string_view lowerName)
{
    if (text.size() != lowerName.size()) return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (lower(text[i]) != lowerName[i]) return false;
    return true;
}

TagKind kind_of(std::string_view name, bool closing)
{
    for (const TagName& t : kTagNames)
        if (equals_lower(name, t.name)) return closing ? t.closing : t.opening;
    return TagKind::None;
}

// The value of the src attribute among `attributes` (the text between the
// tag's name and its ">"). An attribute begins after a blank, and a blank is
// a whole character, so the name compared is never the second byte of a
// double-byte character.
std::string_view src_attribute(std::string_view attributes)
{
    for (size_t i = 1; i + kSrc.size() <= attributes.size(); ++i) {
        if (!is_blank(attributes[i - 1]) || !equals_lower(attributes.substr(i, kSrc.size()), kSrc)) continue;
        size_t at = i + kSrc.size();
        while (at < attributes.size() && is_blank(attributes[at])) ++at;
        if (at >= attributes.size() || attributes[at] != '=') continue;
        ++at;
        while (at < attributes.size() && is_blank(attributes[at])) ++at;
        std::string_view rest = attributes.substr(at);
        if (!rest.empty() && (rest[0] == '"' || rest[0] == '\'')) {
            size_t close = rest.find(rest[0], 1);
            return rest.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
        }
        size_t end = 0;
        while (end < rest.size() && !is_blank(rest[end])) ++end;
        return rest.substr(0, end);
    }
    return {};
}

}  // namespace

Tag read_tag(std::string_view text)
{
    // The line break as the servers write it, several to a response.
    if (text.substr(0, kBreak.size()) == kBreak) return Tag{TagKind::Break, kBreak.size(), {}};
    const Tag none{TagKind::None, 0, {}};
    size_t at = 1;
    const bool closing = at < text.size() && text[at] == '/';
    if (closing) ++at;
    const size_t nameStart = at;
    while (at < text.size() && is_letter(text[at])) ++at;
    const TagKind kind = kind_of(text.substr(nameStart, at - nameStart), closing);
    if (kind == TagKind::None || at >= text.size()) return none;
    if (text[at] != '>' && !is_blank(text[at]) && text[at] != '/') return none;
    if (text[at] == '>') return Tag{kind, at + 1, {}};
    // Attributes run to the first ">" before the next "<" (both below 0x40,
    // never the second byte of a character). Looking no further than the next
    // "<" keeps a line of broken tags from being read again for each one.
    const std::string_view attributes = text.substr(at, text.find('<', at) - at);
    const size_t close = attributes.find('>');
    if (close == std::string_view::npos) return none;
    Tag tag{kind, at + close + 1, {}};
    if (kind == TagKind::Image) tag.source = src_attribute(attributes.substr(0, close));
    return tag;
}

size_t rewrite_markup(char* text, size_t length)
{
    size_t r = 0, w = 0;
    while (r < length) {
        const void* found = std::memchr(text + r, '<', length - r);
        const size_t lt = found ? static_cast<size_t>(static_cast<const char*>(found) - text) : length;
        if (lt > r && w != r) std::memmove(text + w, text + r, lt - r);
        w += lt - r;
        r = lt;
        if (lt == length) break;

        // Everything written lies before the tag, so the tag is read whole.
        const Tag tag = read_tag(std::string_view(text + lt, length - lt));
        switch (tag.kind) {
        case TagKind::AnchorOpen:
            r = lt + tag.length;
            for (int arrows = 0; arrows < 2 && std::string_view(text + r, length - r).substr(0, kGt.size()) == kGt;
                 ++arrows) {
                text[w++] = '>';
                r += kGt.size();
            }
            break;
        case TagKind::Image:
            if (!tag.source.empty()) std::memmove(text + w, tag.source.data(), tag.source.size());
            w += tag.source.size();
            r = lt + tag.length;
            break;
        case TagKind::AnchorClose:
        case TagKind::Inline:
            r = lt + tag.length;
            break;
        case TagKind::None:
        case TagKind::Break:
        case TagKind::Rule:
            text[w++] = '<';
            r = lt + 1;
            break;
        }
    }
    return w;
}
