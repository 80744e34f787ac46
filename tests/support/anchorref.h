// The markup of log lines (anchors, images, inline tags, line breaks and
// rules) handled in its plainest form, with copies and string searches: what
// the tests and the fuzz harness hold the in-place rewrite and the body split
// to.
#pragma once
#include <string>
#include <vector>

namespace markupref {

inline std::string lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

struct RefTag {
    std::string kind;   // "" (no tag), "br", "hr", "a", "/a", "img", "inline"
    size_t length = 0;
    std::string source;
};

// The tag at line[i] == '<'.
inline RefTag tag_at(const std::string& line, size_t i)
{
    RefTag none;
    size_t close = line.find('>', i);
    size_t nextOpen = line.find('<', i + 1);
    if (close == std::string::npos || (nextOpen != std::string::npos && nextOpen < close)) return none;
    std::string inside = line.substr(i + 1, close - i - 1);
    bool closing = !inside.empty() && inside[0] == '/';
    if (closing) inside.erase(0, 1);
    size_t nameEnd = inside.find_first_of(" \t/");
    std::string name = lower(inside.substr(0, nameEnd));
    const std::string inlines[] = {"b", "i", "u", "s", "small", "big", "font", "span"};
    RefTag tag;
    tag.length = close - i + 1;
    for (const std::string& n : inlines)
        if (name == n) tag.kind = "inline";
    if (name == "a") tag.kind = closing ? "/a" : "a";
    if (!closing && (name == "br" || name == "hr" || name == "img")) tag.kind = name;
    if (tag.kind.empty()) return none;
    if (tag.kind == "img" && nameEnd != std::string::npos) {
        std::string attributes = inside.substr(nameEnd);
        std::string low = lower(attributes);
        for (size_t at = 1; at < low.size(); ++at) {
            if ((low[at - 1] != ' ' && low[at - 1] != '\t') || low.compare(at, 3, "src") != 0) continue;
            size_t p = low.find_first_not_of(" \t", at + 3);
            if (p == std::string::npos || low[p] != '=') continue;
            p = low.find_first_not_of(" \t", p + 1);
            if (p == std::string::npos) break;
            if (attributes[p] == '"' || attributes[p] == '\'') {
                size_t q = attributes.find(attributes[p], p + 1);
                tag.source = attributes.substr(p + 1, q == std::string::npos ? std::string::npos : q - p - 1);
            } else {
                tag.source = attributes.substr(p, attributes.find_first_of(" \t", p) - p);
            }
            break;
        }
    }
    return tag;
}

}  // namespace markupref

// One line's markup rewritten: anchors and inline tags gone, up to two
// "&gt;" that open an anchor's text as ">", images as their address.
inline std::string reference_markup(const std::string& line)
{
    std::string out;
    size_t i = 0;
    while (i < line.size()) {
        markupref::RefTag tag;
        if (line[i] == '<') tag = markupref::tag_at(line, i);
        if (tag.kind == "a") {
            i += tag.length;
            for (int k = 0; k < 2 && line.compare(i, 4, "&gt;") == 0; ++k, i += 4) out += '>';
        } else if (tag.kind == "/a" || tag.kind == "inline") {
            i += tag.length;
        } else if (tag.kind == "img") {
            out += tag.source;
            i += tag.length;
        } else {
            out += line[i++];
        }
    }
    return out;
}

// A body cut into its display lines at "<br>" and "<hr>" (one blank on each
// side taken with them; a rule leaves an empty line), each rewritten.
inline std::vector<std::string> reference_body_lines(const std::string& body, bool closed)
{
    std::vector<std::string> lines;
    std::string current;
    size_t i = 0;
    while (i < body.size()) {
        markupref::RefTag tag;
        if (body[i] == '<') tag = markupref::tag_at(body, i);
        if (tag.kind == "br" || tag.kind == "hr") {
            if (!current.empty() && current.back() == ' ') current.pop_back();
            lines.push_back(reference_markup(current));
            if (tag.kind == "hr") lines.emplace_back();
            current.clear();
            i += tag.length;
            if (i < body.size() && body[i] == ' ') ++i;
        } else if (tag.length) {
            current += body.substr(i, tag.length);
            i += tag.length;
        } else {
            current += body[i++];
        }
    }
    if (closed || !current.empty()) lines.push_back(reference_markup(current));
    return lines;
}
