#include "reader/resdetail.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A thread built by hand: each response is its header line, body lines and
// the blank line " ".
struct HandThread {
    std::vector<std::string> texts;
    std::vector<ResponseLine> lines;
    std::vector<Response> responses;
    ResponseBuffer buffer{};

    void add(const std::string& name, const char* mail, const char* date, const std::vector<std::string>& body)
    {
        Response r{};
        r.firstLine = static_cast<uint32_t>(texts.size());
        std::strncpy(r.mail, mail, sizeof r.mail - 1);
        std::strncpy(r.date, date, sizeof r.date - 1);
        responses.push_back(r);
        int32_t number = static_cast<int32_t>(responses.size());
        texts.push_back(name);
        lines.push_back({number, HeaderLine, 0, nullptr});
        for (const std::string& b : body) {
            texts.push_back(b);
            lines.push_back({number, BodyLine, 0, nullptr});
        }
        texts.push_back(" ");
        lines.push_back({number, BodyLine, 0, nullptr});
    }

    const ResponseBuffer& finish()
    {
        for (size_t i = 0; i < lines.size(); ++i) {
            lines[i].text = &texts[i][0];
            lines[i].length = static_cast<int32_t>(texts[i].size());
        }
        buffer.lines = lines.data();
        buffer.responses = responses.data();
        buffer.lineCount = static_cast<int32_t>(lines.size());
        buffer.responseCount = static_cast<int32_t>(responses.size());
        return buffer;
    }
};

}  // namespace

TEST(ResponseDetail, FieldsWithTheDateSplitAtTheId)
{
    HandThread h;
    h.add("name1", "sage", "2003/10/02(\x96\xd8) 13:31:18 ID:abcdefgh", {"first", "&gt;&gt;1 second"});
    h.add("\x96\xbc\x96\xb3\x82\xb5", " ", "2003/10/02 13:40:00", {"only"});
    const ResponseBuffer& t = h.finish();

    DetailFields f;
    ASSERT_TRUE(detail_fields(t, 1, &f));
    EXPECT_EQ(f.name, "name1");
    EXPECT_EQ(f.mail, "sage");
    EXPECT_EQ(f.date, "2003/10/02(\x96\xd8) 13:31:18");
    EXPECT_EQ(f.id, "abcdefgh");
    // The fields are the raw text (the dialog decodes what it shows); every
    // line ends in CR LF, the blank line too.
    EXPECT_EQ(f.body, "first\r\n&gt;&gt;1 second\r\n \r\n");

    // The last response runs to the end of the line index; no " ID:", no ID.
    ASSERT_TRUE(detail_fields(t, 2, &f));
    EXPECT_EQ(f.name, "\x96\xbc\x96\xb3\x82\xb5");
    EXPECT_EQ(f.mail, " ");
    EXPECT_EQ(f.date, "2003/10/02 13:40:00");
    EXPECT_EQ(f.id, "");
    EXPECT_EQ(f.body, "only\r\n \r\n");
}

TEST(ResponseDetail, NumbersOutsideTheThreadReadNothing)
{
    HandThread h;
    h.add("a", "", "d", {"x"});
    const ResponseBuffer& t = h.finish();
    DetailFields f;
    EXPECT_FALSE(detail_fields(t, 0, &f));
    EXPECT_FALSE(detail_fields(t, 2, &f));
    EXPECT_FALSE(detail_fields(t, -5, &f));
    ResponseBuffer empty{};
    EXPECT_FALSE(detail_fields(empty, 1, &f));
    // A response record that points past the lines is not followed.
    h.responses[0].firstLine = 99;
    EXPECT_FALSE(detail_fields(t, 1, &f));

    EXPECT_EQ(detail_clamp_number(0, 5), 1);
    EXPECT_EQ(detail_clamp_number(-3, 5), 1);
    EXPECT_EQ(detail_clamp_number(6, 5), 5);
    EXPECT_EQ(detail_clamp_number(999999999, 5), 5);
    EXPECT_EQ(detail_clamp_number(3, 5), 3);
    EXPECT_EQ(detail_clamp_number(3, 0), 0);
    EXPECT_EQ(detail_typed_number(u"123"), 123);
    EXPECT_EQ(detail_typed_number(u"12x3"), 12);
    EXPECT_EQ(detail_typed_number(u""), 0);
    EXPECT_EQ(detail_typed_number(u"x"), 0);
    EXPECT_EQ(detail_typed_number(u"12345678901"), 123456789);
}

TEST(ResponseDetail, SplitDateAndId)
{
    std::string_view date, id;
    split_date_id("2003/10/02 13:31:18 ID:abc ID:def", &date, &id);
    EXPECT_EQ(date, "2003/10/02 13:31:18");
    EXPECT_EQ(id, "abc ID:def");
    split_date_id(" ID:", &date, &id);
    EXPECT_EQ(date, "");
    EXPECT_EQ(id, "");
    split_date_id("", &date, &id);
    EXPECT_EQ(date, "");
    EXPECT_EQ(id, "");
}

TEST(ResponseDetail, CopyPutsTheHBackAndDropsOneTrailingSpace)
{
    std::u16string body = u"見て ttp://example.com/a \r\nhttp://example.org/ \r\n \r\n";
    // The whole body, as copied at opening.
    EXPECT_EQ(detail_copy_text(body, 0, body.size()),
              u"見て http://example.com/a \r\nhttp://example.org/ \r\n \r\n");
    // An address selected without its "h".
    size_t at = body.find(u"ttp://example.com");
    EXPECT_EQ(detail_copy_text(body, at, at + 19), u"http://example.com/a");
    // With its trailing space: one space less.
    EXPECT_EQ(detail_copy_text(body, at, at + 20), u"http://example.com/a");
    // An address with its "h" is copied unchanged.
    size_t full = body.find(u"http://example.org/");
    EXPECT_EQ(detail_copy_text(body, full, full + 19), u"http://example.org/");
    // Text before an address gets no "h" of its own.
    EXPECT_EQ(detail_copy_text(body, 0, 2), u"見て");
    // Nothing selected, or a selection given end first.
    EXPECT_EQ(detail_copy_text(body, 5, 5), u"");
    EXPECT_EQ(detail_copy_text(body, at + 19, at), u"http://example.com/a");
    EXPECT_EQ(detail_copy_text(body, 0, 10000), detail_copy_text(body, 0, body.size()));
    EXPECT_EQ(detail_copy_text(u" ", 0, 1), u"");
}

TEST(ResponseDetail, CopyPutsTheHBackBeforeSecureAddressesToo)
{
    struct Case {
        const char16_t* selected;
        const char16_t* copied;
    } cases[] = {
        {u"ttps://example.com/a", u"https://example.com/a"},
        {u"https://example.com/a", u"https://example.com/a"},
        {u"see ttps://a.test/ and ttp://b.test/", u"see https://a.test/ and http://b.test/"},
        {u"ttps:", u"https:"},
        {u"ttpsx://a.test/", u"ttpsx://a.test/"},
        {u"tps://a.test/", u"tps://a.test/"},
    };
    for (const Case& c : cases) {
        std::u16string text = c.selected;
        EXPECT_EQ(detail_copy_text(text, 0, text.size()), c.copied);
    }
}
