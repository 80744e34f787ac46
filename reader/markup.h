// The HTML that the service's logs carry in names and bodies, and what is
// shown for it. Byte-level, over Shift-JIS text.
//
// The servers escape what posters type ("<" arrives as "&lt;"), so a "<" in a
// log is the server's own markup: line breaks, rules, anchors, images and a
// few inline tags. A "<" that does not begin one of those ("<3", "a < b" from
// a server that does not escape) is text and stays.
#pragma once
#include <cstddef>
#include <string_view>

enum class TagKind {
    None,          // not a tag of ours: the "<" is text
    Break,         // <br>: ends the line
    Rule,          // <hr>: ends the line and leaves an empty one
    AnchorOpen,    // <a ...>
    AnchorClose,   // </a>
    Image,         // <img src="...">: shown as its address
    Inline,        // <b> <i> <u> <s> <small> <big> <font ...> <span ...> and their closing tags: vanish
};

struct Tag {
    TagKind kind;
    size_t length;            // bytes from the "<" to the ">" included; 0 for None
    std::string_view source;  // Image: the value of its src attribute (may be empty)
};

// The tag that `text` begins with (text[0] is "<"). A tag is "<", an optional
// "/", a name of ours in any case, then ">" or a blank or "/" and attributes
// up to the next ">". A "<" before that ">", or no ">" at all, means no tag:
// so finding a tag never reads past the next "<".
Tag read_tag(std::string_view text);

// Rewrites the markup of one line (a body line or a name) in place and
// returns its new length, never longer:
//  - an anchor's opening tag and "</a>" vanish; up to two "&gt;" that begin
//    its link text become ">" (">>12"), the rest of the link text stays as
//    written, so a link that is not a reply anchor keeps its visible text;
//  - an image shows its address;
//  - inline tags vanish and leave their text;
//  - everything else stays, line breaks and rules included (bodies are split
//    at them before this runs).
size_t rewrite_markup(char* text, size_t length);
