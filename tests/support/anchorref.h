// The anchor rewrite in its plainest form, rescanning the whole line after
// every anchor: what the tests and the fuzz harness hold the fast one to.
#pragma once
#include <string>

#include "reader/datparse.h"

inline std::string reference_rewrite(std::string line)
{
    for (int anchors = 0; anchors < kMaxAnchorsPerLine; ++anchors) {
        size_t open = line.find("<a href=");
        if (open == std::string::npos) break;
        size_t tagEnd = line.find('>', open + 8);
        if (tagEnd == std::string::npos) break;
        size_t pos = tagEnd + 1;
        std::string kept = line.substr(0, open);
        for (int i = 0; i < 2; ++i) {
            size_t gt = line.find("&gt;", pos);
            if (gt == std::string::npos) break;
            kept += '>';
            pos = gt + 4;
        }
        size_t close = line.find("</a>", pos);
        if (close == std::string::npos) break;
        line = kept + line.substr(pos, close - pos) + line.substr(close + 4);
    }
    return line;
}
