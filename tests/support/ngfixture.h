// Shared pieces of the NG tests: log lines with chosen fields, entries by
// kind, and a filter built from them with a conversion that needs no code
// page (each byte one unit, references decoded, as the view decodes them).
#pragma once
#include <string>
#include <vector>

#include "reader/entities.h"
#include "reader/ngfilter.h"
#include "store/nglist.h"

inline void ng_latin_widen(std::string_view bytes, std::u16string& out)
{
    std::u16string text;
    for (char c : bytes) text += static_cast<char16_t>(static_cast<unsigned char>(c));
    DecodeEntities(text.data());
    out += text.c_str();
}

inline std::string ng_log_line(const std::string& name, const std::string& mail, const std::string& id,
                               const std::string& body)
{
    return name + "<>" + mail + "<>2026/12/09(\x90\x85) 12:00:00.00 ID:" + id + "<> " + body + " <>";
}

// An anchor as the servers link it.
inline std::string ng_anchor(int target)
{
    const std::string t = std::to_string(target);
    return "<a href=\"../test/read.cgi/mobile/1/" + t + "\" target=\"_blank\">&gt;&gt;" + t + "</a>";
}

inline NgEntry ng_entry(NgKind kind, const std::string& text, int32_t day = 0) { return NgEntry{kind, text, day}; }

inline NgFilter ng_filter_of(const std::vector<NgEntry>& entries, bool chain = true, int32_t today = 20261209,
                             int32_t lapseDays = 2)
{
    NgFilter f = ng_filter_build(entries, ng_latin_widen, today, lapseDays);
    f.chain = chain;
    return f;
}
