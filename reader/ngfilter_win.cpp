#include "reader/ngfilter_win.h"

#include "base/codepage.h"
#include "base/ticks.h"
#include "reader/entities.h"
#include "store/ngfile.h"
#include "store/settings.h"

namespace {

// What the filter was built from; a change in any of them builds it again.
struct FilterKey {
    uint32_t lists = 0;
    int32_t today = 0;
    int32_t lapseDays = 0;
    bool transparent = false;
    bool chain = false;
    bool operator==(const FilterKey& o) const
    {
        return lists == o.lists && today == o.today && lapseDays == o.lapseDays && transparent == o.transparent &&
               chain == o.chain;
    }
};

}  // namespace

std::u16string ng_shown_text(std::string_view bytes)
{
    std::wstring w = mb_to_wstring(std::string(bytes).c_str());
    std::u16string text(reinterpret_cast<const char16_t*>(w.data()), w.size());
    DecodeEntities(text.data());
    text.resize(std::char_traits<char16_t>::length(text.c_str()));
    return text;
}

const NgFilter* program_ng_filter()
{
    static NgFilter filter;
    static FilterKey built;
    const FilterKey now{ProcessNgLists.generation, platform_today(), Settings.NgLapseDays,
                        Settings.NgTransparent != 0, Settings.NgChain != 0};
    if (filter.generation == 0 || !(now == built)) {
        filter = ng_filter_build(ProcessNgLists.entries, ng_shown_text, now.today, now.lapseDays);
        filter.transparent = now.transparent;
        filter.chain = now.chain;
        built = now;
    }
    return &filter;
}

void ng_start()
{
    ng_lists_load();
    set_ng_filter_source(program_ng_filter);
}
