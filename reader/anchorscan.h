// Reply anchors in text: ">>5", ">>5-8", ">>5,7", "＞＞５" and mixes of them.
// One scanner serves the Shift-JIS bytes the thread's store holds (where an
// unlinked ">" may still be written "&gt;") and the UTF-16 text the view draws
// (references decoded), so that a tap finds the anchor the index counted.
#pragma once
#include <cstddef>
#include <cstdint>

// Targets are responses 1 to 1000; a number outside that is text.
constexpr int32_t kMaxAnchorTarget = 1000;
// A number is read from at most this many digits (more: it is text).
constexpr int kMaxAnchorDigits = 4;

enum class AnchorUnit { Lead, Digit, Dash, Comma, Other };

struct AnchorChar {
    AnchorUnit kind;
    int digit;       // for Digit
    size_t length;   // code units (bytes or UTF-16 units) it takes; 0 only at the end
};

// The character at text[at] of `length` units.
AnchorChar sjis_anchor_char(const char* text, size_t length, size_t at);
AnchorChar wide_anchor_char(const char16_t* text, size_t length, size_t at);

// Reads the anchor that starts at `at`: two or more leads (">" "＞" "&gt;"),
// then numbers joined by dashes (a range) and commas (a list). Calls
// piece(low, high) for each number or range (low <= high; a range written
// backwards is its first number) and returns the units the anchor takes, 0
// when no anchor starts there. A piece with a number out of range ends the
// anchor before it.
template <typename Text, typename Classify, typename Piece>
size_t read_anchor(const Text* text, size_t length, size_t at, Classify classify, Piece piece)
{
    size_t p = at;
    int leads = 0;
    for (AnchorChar c = classify(text, length, p); c.kind == AnchorUnit::Lead; c = classify(text, length, p)) {
        ++leads;
        p += c.length;
    }
    if (leads < 2) return 0;
    // A number at p: its value (0 when out of range) and the units after it.
    auto number = [&](size_t from, int32_t* value) {
        int digits = 0;
        int32_t v = 0;
        size_t q = from;
        for (AnchorChar c = classify(text, length, q); c.kind == AnchorUnit::Digit; c = classify(text, length, q)) {
            if (++digits <= kMaxAnchorDigits) v = v * 10 + c.digit;
            q += c.length;
        }
        *value = digits == 0 || digits > kMaxAnchorDigits || v > kMaxAnchorTarget ? 0 : v;
        return digits == 0 ? from : q;
    };
    size_t end = 0;
    for (;;) {
        int32_t low = 0;
        size_t q = number(p, &low);
        if (low == 0) break;
        int32_t high = low;
        AnchorChar c = classify(text, length, q);
        if (c.kind == AnchorUnit::Dash) {
            int32_t last = 0;
            size_t r = number(q + c.length, &last);
            if (last >= low) {
                high = last;
                q = r;
            } else if (r != q + c.length && last != 0) {
                q = r;   // written backwards: the first number stands
            }
        }
        piece(low, high);
        end = q;
        c = classify(text, length, q);
        if (c.kind != AnchorUnit::Comma) break;
        p = q + c.length;
    }
    return end ? end - at : 0;
}

// Calls piece(low, high) for the numbers of every anchor of a line, then
// span(begin, end) with the units the anchor takes. `classify` is
// sjis_anchor_char or wide_anchor_char.
template <typename Text, typename Classify, typename Piece, typename Span>
void scan_anchors(const Text* text, size_t length, Classify classify, Piece piece, Span span)
{
    size_t at = 0;
    while (at < length) {
        // Only a lead can start an anchor; the other characters are stepped
        // over whole so that a second byte is never read as a first.
        AnchorChar c = classify(text, length, at);
        if (c.kind != AnchorUnit::Lead) {
            at += c.length;
            continue;
        }
        if (size_t n = read_anchor(text, length, at, classify, piece)) {
            span(at, at + n);
            at += n;
            continue;
        }
        // No later lead of this run starts an anchor either.
        while (c.kind == AnchorUnit::Lead) {
            at += c.length;
            c = classify(text, length, at);
        }
    }
}

template <typename Piece>
void scan_sjis_anchors(const char* text, size_t length, Piece piece)
{
    scan_anchors(text, length, sjis_anchor_char, piece, [](size_t, size_t) {});
}
