#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reader/anchorindex.h"
#include "reader/conversation.h"
#include "reader/ngfilter.h"
#include "tests/support/heapthread.h"
#include "tests/support/ngfixture.h"

namespace {

using Targets = std::vector<int32_t>;

struct ThreadOf {
    HeapBuildHost host;
    explicit ThreadOf(const std::vector<std::string>& lines) { host.feed(lines); }
    ResponseBuffer thread() { return thread_of(host.b); }
};

// The hidden responses of the thread of `lines` under `filter`.
Targets hidden_of(const std::vector<std::string>& lines, const NgFilter& filter)
{
    ThreadOf t(lines);
    ConversationIndex index;
    conversation_extend(index, t.thread(), &filter);
    Targets hidden;
    for (int32_t r = 1; r <= index.responses; ++r)
        if (response_hidden(index, r)) hidden.push_back(r);
    return hidden;
}

std::string plain(const std::string& body, const std::string& id = "Aaaa") { return ng_log_line("nanashi", "sage", id, body); }

}  // namespace

// ---- folding ----

TEST(NgFold, IgnoresAsciiCaseAndTheWidthOfAsciiAndKatakana)
{
    struct Case {
        std::u16string text;
        std::u16string folded;
    } cases[] = {
        {u"SPAM Spam", u"spam spam"},
        {u"ＳＰＡＭ１２３！", u"spam123!"},
        {u"ａｂ　ｃ", u"ab c"},                 // the ideographic space
        {u"ｱｲｳ", u"アイウ"},
        {u"ｶﾞｷﾞｸﾞ", u"ガギグ"},                 // voiced marks joined
        {u"ﾊﾟﾋﾟﾌﾟ", u"パピプ"},                 // semi-voiced marks joined
        {u"ﾊﾞﾋﾞﾌﾞﾍﾞﾎﾞ", u"バビブベボ"},
        {u"ｳﾞ", u"ヴ"},
        {u"ﾄﾞﾃﾞﾂﾞ", u"ドデヅ"},
        {u"ｱﾞ", u"ア゛"},                       // a kana that takes no mark keeps it apart
        {u"ﾟ", u"゜"},                          // a mark with nothing before it
        {u"ｰ｡｢｣､･", u"ー。「」、・"},
        {u"ガギ漢字ひらがな", u"ガギ漢字ひらがな"},   // full-width kana and the rest as they are
        {u"", u""},
    };
    for (const Case& c : cases) {
        std::u16string text = c.text;
        ng_fold(text);
        EXPECT_EQ(text, c.folded);
    }
}

TEST(NgPatterns, FindsAPartOrTheWholeAmongManyOfOneBucket)
{
    NgPatterns p;
    // u"a" and u"ša" share the low byte of their first unit.
    for (const char16_t* t : {u"abc", u"\u0161a", u"xyz", u"", u"ab"}) p.add(t);
    p.finish();
    EXPECT_EQ(p.size(), 4u) << "an empty text is no entry";
    EXPECT_TRUE(p.found_in(u"zzzabzz"));
    EXPECT_TRUE(p.found_in(u"\u0161a"));
    EXPECT_TRUE(p.found_in(u"..xyz"));
    EXPECT_FALSE(p.found_in(u"a b xy"));
    EXPECT_FALSE(p.found_in(u""));
    EXPECT_TRUE(p.equals(u"ab"));
    EXPECT_FALSE(p.equals(u"abcd"));
    EXPECT_FALSE(p.equals(u""));
}

// ---- judging responses ----

TEST(NgJudge, EachKindMatchesItsFieldAsShown)
{
    const std::vector<std::string> lines = {
        ng_log_line("nanashi", "sage", "Aaaa", "hello world"),
        ng_log_line("Spammer", "sage", "Bbbb", "buy now"),
        ng_log_line("nanashi", "age", "Cccc", "x &gt; y and &amp;co"),
        ng_log_line("nanashi", "sage", "Dddd0", "an id ending"),
        ng_log_line("nanashi", "sage", "Dddd", "an id"),
    };
    struct Case {
        NgEntry entry;
        Targets hidden;
    } cases[] = {
        {ng_entry(NgKind::Word, "WORLD"), {1}},               // ASCII case
        {ng_entry(NgKind::Word, "x > y"), {3}},               // a reference matches its character
        {ng_entry(NgKind::Word, "&gt; y"), {3}},              // and the entry's own references are decoded
        {ng_entry(NgKind::Word, "&co"), {3}},
        {ng_entry(NgKind::Name, "spam"), {2}},                // part of the name
        {ng_entry(NgKind::Name, "sage"), {}},                 // a name entry never looks at the mail
        {ng_entry(NgKind::Mail, "ag"), {1, 2, 3, 4, 5}},      // part of the mail
        {ng_entry(NgKind::Mail, "AGE"), {1, 2, 3, 4, 5}},
        {ng_entry(NgKind::Id, "Dddd"), {5}},                  // exactly, case and all
        {ng_entry(NgKind::Id, "dddd"), {}},
        {ng_entry(NgKind::Id, "Ddd"), {}},
        {ng_entry(NgKind::Title, "hello"), {}},               // titles never hide responses
    };
    for (const Case& c : cases) {
        const NgEntry& e = c.entry;
        EXPECT_EQ(hidden_of(lines, ng_filter_of({e.kind == NgKind::Id ? ng_entry(NgKind::Id, e.text, 20261209) : e})),
                  c.hidden)
            << ng_kind_word(e.kind) << " " << e.text;
    }
}

TEST(NgJudge, WidthAndCaseFoldTheResponseAsTheyFoldTheEntry)
{
    NgFilter f = ng_filter_of({});
    std::u16string entry = u"ｶﾞｲﾄﾞ ABC";
    ng_fold(entry);
    f.words.add(entry);
    f.words.finish();
    std::u16string body = u"今日のガイド　ａｂｃです";
    ng_fold(body);
    EXPECT_TRUE(ng_fields_match(f, u"", u"", u"", body));
    std::u16string other = u"ガイドabd";
    ng_fold(other);
    EXPECT_FALSE(ng_fields_match(f, u"", u"", u"", other));
}

TEST(NgJudge, AnIdLapsedByTheDayHidesNothing)
{
    const std::vector<std::string> lines = {plain("one", "Xx01")};
    const NgEntry id = ng_entry(NgKind::Id, "Xx01", 20261208);
    EXPECT_EQ(hidden_of(lines, ng_filter_of({id}, true, 20261209, 2)), Targets{1}) << "the day after";
    EXPECT_EQ(hidden_of(lines, ng_filter_of({id}, true, 20261210, 2)), Targets{}) << "two days after";
    EXPECT_EQ(hidden_of(lines, ng_filter_of({id}, true, 20261210, 3)), Targets{1});
}

TEST(NgJudge, ChainsHideWhatAnswersOnlyHiddenResponses)
{
    const std::vector<std::string> lines = {
        plain("spam here"),                                    // 1 hidden by the word
        plain(ng_anchor(1) + " agreed"),                       // 2 answers only 1
        plain(ng_anchor(2) + " and so"),                       // 3 answers only 2: a chain of chains
        plain(ng_anchor(1) + " " + ng_anchor(4)),              // 4 answers 1 and itself (not earlier)
        plain(ng_anchor(1) + " " + ng_anchor(3) + " vs " + ng_anchor(5)),   // 5: anchors a later one
        plain(ng_anchor(1) + " " + ng_anchor(2) + " but " + ng_anchor(6)),  // 6: one visible target (itself no)
        plain("no anchors"),                                   // 7
        plain(ng_anchor(7) + " " + ng_anchor(1)),              // 8: a hidden and a visible one
        plain(ng_anchor(2) + "-3"),                            // 9: a range of hidden ones
    };
    const NgEntry spam = ng_entry(NgKind::Word, "spam");
    EXPECT_EQ(hidden_of(lines, ng_filter_of({spam})), (Targets{1, 2, 3, 9}));
    EXPECT_EQ(hidden_of(lines, ng_filter_of({spam}, false)), (Targets{1})) << "the chain switched off";
}

TEST(NgJudge, HiddenResponsesAnswerNothingShareNoIdAndLeaveThePopups)
{
    const std::vector<std::string> lines = {
        plain("first", "Same"),
        plain(ng_anchor(1) + " spam", "Same"),   // 2 hidden
        plain(ng_anchor(1) + " fine", "Same"),
        plain(ng_anchor(2) + " " + ng_anchor(3), "Same"),
    };
    ThreadOf t(lines);
    const NgFilter f = ng_filter_of({ng_entry(NgKind::Word, "spam")});
    ConversationIndex index;
    conversation_extend(index, t.thread(), &f);
    EXPECT_EQ(reply_count(index, 1), 1) << "only 3 answers 1";
    EXPECT_EQ(follow(index, 1, Follow::Replies), Targets{3});
    EXPECT_EQ(follow(index, 4, Follow::Anchors), Targets{3}) << "the hidden target left out";
    EXPECT_EQ(anchors_of(index, 4), (Targets{2, 3})) << "the index itself keeps every anchor";
    EXPECT_EQ(follow(index, 1, Follow::SameId), (Targets{1, 3, 4}));
    EXPECT_EQ(id_place(index, 3).place, 2);
    EXPECT_EQ(id_place(index, 3).count, 3);
    EXPECT_EQ(id_place(index, 2).count, 0) << "a hidden response shows no ID place";
}

TEST(NgJudge, AnotherFilterJudgesTheThreadAfresh)
{
    ThreadOf t({plain("spam"), plain(ng_anchor(1)), plain("eggs")});
    const NgFilter spam = ng_filter_of({ng_entry(NgKind::Word, "spam")});
    const NgFilter eggs = ng_filter_of({ng_entry(NgKind::Word, "eggs")});
    ConversationIndex index;
    conversation_extend(index, t.thread(), &spam);
    EXPECT_TRUE(response_hidden(index, 2));
    conversation_extend(index, t.thread(), &eggs);
    EXPECT_FALSE(response_hidden(index, 1));
    EXPECT_FALSE(response_hidden(index, 2));
    EXPECT_TRUE(response_hidden(index, 3));
    EXPECT_EQ(reply_count(index, 1), 1) << "counted once, not again on top of the first judging";
    conversation_extend(index, t.thread(), nullptr);
    EXPECT_FALSE(response_hidden(index, 3)) << "no filter hides nothing";
}

TEST(NgJudge, TitlesMatchAsPartsFoldedAlike)
{
    const NgFilter f = ng_filter_of({ng_entry(NgKind::Title, "pr"), ng_entry(NgKind::Word, "news")});
    EXPECT_TRUE(ng_title_matches(f, u"【ＰＲ】great sale"));
    EXPECT_TRUE(ng_title_matches(f, u"Pro tips"));
    EXPECT_FALSE(ng_title_matches(f, u"Breaking news")) << "a word never hides a title";
    EXPECT_FALSE(ng_title_matches(ng_filter_of({}), u"anything"));
}
