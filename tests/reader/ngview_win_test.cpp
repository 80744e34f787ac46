#include "tests/reader/viewfixture_win.h"

#include <cwchar>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "reader/entities.h"
#include "reader/conversation.h"
#include "reader/ngdialogs_win.h"
#include "reader/ngfilter_win.h"
#include "reader/popup_win.h"
#include "reader/resdraw_win.h"
#include "reader/stateicons_win.h"
#include "reader/threadlist_win.h"
#include "store/ngfile.h"
#include "tests/support/dialogdriver_win.h"

namespace {

using Targets = std::vector<int32_t>;

// Four responses: 2 answers 1 and says "spam" over two body lines, 3 answers
// only 2, 4 answers 1 and 2.
std::string hiding_log()
{
    auto line = [](const std::string& body) { return "n<><>06/03/01 ID:AA<> " + body + " <>\n"; };
    return line("first") + line("&gt;&gt;1 SPAM here <br> more") + line("&gt;&gt;2 yes") + line("&gt;&gt;1,2 both");
}

class NgView : public ViewFixture {
protected:
    void SetUp() override
    {
        ViewFixture::SetUp();
        std::strcpy(Settings.ProgramDirectory, dir.path().c_str());
        ProcessNgLists = NgLists{};
        set_ng_filter_source(program_ng_filter);
    }
    void TearDown() override
    {
        ResponsePopup_close_all();
        set_ng_filter_source(nullptr);
        ProcessNgLists = NgLists{};
        ViewFixture::TearDown();
    }

    ResponseBuffer& thread() { return *current_thread(); }
    int32_t header_of(int32_t r) { return first_line_of_response(thread(), r); }
    std::wstring shown(int32_t line) { return line_display_text(thread(), line); }

    // Bands of rows drawn in the header's green, top to bottom: one a header.
    int headers_drawn()
    {
        PagePixels page(ResponseView_render(view));
        int bands = 0;
        bool inBand = false;
        for (int y = 0; y < page.height(); ++y) {
            const bool green = page.count(y, y + 1, is_green) > 0;
            if (green && !inBand) ++bands;
            inBand = green;
        }
        return bands;
    }
};

}  // namespace

TEST_F(NgView, AHiddenResponseKeepsItsNumberAndShowsAboneInEveryField)
{
    open_log(hiding_log());
    ASSERT_EQ(headers_drawn(), 4);
    ASSERT_EQ(shown(header_of(1)), L"1 (2) :n   06/03/01 ID:AA [1/4]");
    ASSERT_EQ(ng_add_shown(NgKind::Word, L"spam"), 1);
    paint();
    EXPECT_EQ(shown(header_of(1)), L"1 (1) :n   06/03/01 ID:AA [1/2]") << "only 4 answers 1 now; two share the ID";
    EXPECT_EQ(shown(header_of(2)), L"2 :あぼーん あぼーん あぼーん");
    EXPECT_EQ(shown(header_of(2) + 1), L"あぼーん");
    EXPECT_EQ(shown(header_of(2) + 2), L"") << "its other body lines are not shown";
    EXPECT_EQ(shown(header_of(2) + 3), shown(header_of(1) + 2)) << "the blank line after it stays";
    EXPECT_EQ(shown(header_of(3)), L"3 :あぼーん あぼーん あぼーん") << "3 answers only a hidden response";
    EXPECT_EQ(shown(header_of(4)), L"4 :n   06/03/01 ID:AA [2/2]") << "4 answers a shown one too";
    EXPECT_EQ(headers_drawn(), 4) << "every number still has its header";
}

TEST_F(NgView, TheTransparentFormDrawsNothingOfAHiddenResponse)
{
    Settings.NgTransparent = 1;
    open_log(hiding_log());
    ASSERT_EQ(ng_add_shown(NgKind::Word, L"ｓｐａｍ"), 1);
    EXPECT_EQ(headers_drawn(), 2);
    EXPECT_EQ(shown(header_of(2)), L"");
    EXPECT_EQ(shown(header_of(2) + 1), L"");
    set_position(header_of(2));
    PagePixels top(ResponseView_render(view));
    EXPECT_GT(top.count(0, row_height(AppState.BodyFont), is_green), 10) << "the next shown header stands at the top";

    Settings.NgChain = 0;
    set_position(0);
    EXPECT_EQ(headers_drawn(), 3) << "a setting changed judges the thread afresh";
}

TEST_F(NgView, PopupsAndAnswersLeaveHiddenResponsesOut)
{
    open_log(hiding_log());
    ASSERT_EQ(ng_add_shown(NgKind::Word, L"spam"), 1);
    ASSERT_TRUE(ResponsePopup_follow(view, 1, Follow::Replies));
    EXPECT_EQ(ResponsePopup_responses(0), Targets{4});
    ResponsePopup_close_all();
    ASSERT_TRUE(ResponsePopup_follow(view, 4, Follow::Anchors));
    EXPECT_EQ(ResponsePopup_responses(0), Targets{1});
    EXPECT_FALSE(ResponsePopup_follow(view, 3, Follow::Anchors)) << "nothing shown to follow";
    // A tap on 4's anchors ">>1,2" opens only the one shown.
    ResponsePopup_close_all();
    set_position(header_of(4));
    const int h = row_height(AppState.BodyFont);
    SendMessageW(view, WM_LBUTTONUP, 0, MAKELPARAM(kBodyIndent + 3, h + h / 2));
    pump_messages();
    ASSERT_EQ(ResponsePopup_depth(), 1);
    EXPECT_EQ(ResponsePopup_responses(0), Targets{1});
    ResponsePopup_close_all();

    ASSERT_EQ(ng_lists_remove({0}), 1);
    ng_lists_changed();
    EXPECT_EQ(ResponsePopup_depth(), 0) << "a change closes what was judged before it";
    EXPECT_EQ(shown(header_of(2)), L"2 (2) :n   06/03/01 ID:AA [2/4]");
}

// ---- the dialogs ----

namespace {

std::vector<std::wstring> list_rows(HWND dialog)
{
    HWND box = GetDlgItem(dialog, IDC_NG_ENTRIES);
    std::vector<std::wstring> rows;
    const int n = static_cast<int>(SendMessageW(box, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t text[600] = L"";
        SendMessageW(box, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        rows.push_back(text);
    }
    return rows;
}

void post_command(HWND dialog, WORD id) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

}  // namespace

TEST_F(NgView, TheListDialogShowsEntriesByKindRemovesTheChosenAndTakesTheSettings)
{
    write_file_bytes(dir.file("ng.txt"), "title\tPR\r\nword\tspam\r\nid\tAbCd\t20261209\r\nword\tham\r\n");
    ASSERT_EQ(ng_lists_load(), 1);
    open_log(hiding_log());
    std::vector<std::wstring> before, after;
    DialogDriver d(L"NG一覧");
    d.then([&](HWND dlg) {
         before = list_rows(dlg);
         EXPECT_EQ(GetDlgItemInt(dlg, IDC_NG_LAPSE_DAYS, nullptr, FALSE), 2u);
         EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_NG_CHAIN), static_cast<UINT>(BST_CHECKED));
         HWND box = GetDlgItem(dlg, IDC_NG_ENTRIES);
         SendMessageW(box, LB_SETSEL, TRUE, 0);   // spam
         SendMessageW(box, LB_SETSEL, TRUE, 3);   // PR
         post_command(dlg, IDM_NG_REMOVE);
     })
        .then([&](HWND dlg) {
            after = list_rows(dlg);
            SetDlgItemInt(dlg, IDC_NG_LAPSE_DAYS, 5, FALSE);
            CheckDlgButton(dlg, IDC_NG_TRANSPARENT, BST_CHECKED);
            post_command(dlg, IDOK);
        });
    d.start();
    EXPECT_EQ(NgList_open(main), IDOK);
    d.stop();
    EXPECT_TRUE(d.all_steps_ran());
    EXPECT_EQ(before, (std::vector<std::wstring>{L"ワード: spam", L"ワード: ham", L"ID: AbCd (2026/12/09)",
                                                 L"スレタイ: PR"}));
    EXPECT_EQ(after, (std::vector<std::wstring>{L"ワード: ham", L"ID: AbCd (2026/12/09)"}));
    EXPECT_EQ(read_file_bytes(dir.file("ng.txt")), "id\tAbCd\t20261209\r\nword\tham\r\n");
    EXPECT_EQ(Settings.NgLapseDays, 5);
    EXPECT_EQ(Settings.NgTransparent, 1);
    EXPECT_EQ(Settings.NgChain, 1);
    EXPECT_EQ(shown(header_of(2)), L"2 (2) :n   06/03/01 ID:AA [2/4]") << "spam no longer hides";
}

TEST_F(NgView, TheTitleDialogAddsTheEditedTitleAndKeepsARefusedOneOpen)
{
    create_thread_list();
    auto list = std::make_unique<ThreadList>(kThreadListCapacity);
    list->add(std::make_unique<ThreadEntry>(ThreadNotHeld, L"Weekly PR thread", 5, -1, L"1.dat", nullptr, 0));
    HWND listView = CreateThreadListView(main);
    ASSERT_NE(listView, nullptr);
    thread_list_show_new(std::move(list));
    std::wstring offered;
    DialogDriver d(L"NGスレタイ登録");
    d.then([&](HWND dlg) {
         offered = control_text(dlg, IDC_NG_TITLE_TEXT);
         SetDlgItemTextW(dlg, IDC_NG_TITLE_TEXT, L" \t ");
         post_command(dlg, IDOK);
     })
        .then([&](HWND dlg) {
            SetDlgItemTextW(dlg, IDC_NG_TITLE_TEXT, L"Weekly PR");
            post_command(dlg, IDOK);
        });
    ReportCapture reports;
    d.start();
    EXPECT_EQ(NgTitle_open(main), IDOK);
    d.stop();
    EXPECT_TRUE(d.all_steps_ran());
    EXPECT_EQ(offered, L"Weekly PR thread");
    EXPECT_EQ(reports.messages().size(), 1u) << "the blank title refused, the dialog left open";
    EXPECT_EQ(read_file_bytes(dir.file("ng.txt")), "title\tWeekly PR\r\n");
    EXPECT_EQ(ProcessThreadList->count(), 0);
    EXPECT_EQ(ProcessThreadList->hidden_count(), 1);
    DestroyWindow(listView);
    destroy_state_images();
    delete_thread_list();
}

TEST(NgShownText, ReadsTheCodePageAsThePlatformDoesAndDecodesReferences)
{
    const std::string samples[] = {
        "plain ASCII \\ ~", utf8_to_sjis("漢字とかなとカナ、①Ⅱ№"), "\xb6\xde\xb2\xc4\xde",   // ｶﾞｲﾄﾞ
        utf8_to_sjis("表示") + "\x81",                                                        // a lead byte at the end
    };
    for (const std::string& bytes : samples) {
        std::u16string got = u"<";
        ng_shown_text(bytes, got);
        const std::wstring platform = mb_to_wstring(bytes.substr(0, bytes.size() - (bytes.back() == '\x81')).c_str());
        EXPECT_EQ(got.substr(1, platform.size()), std::u16string(reinterpret_cast<const char16_t*>(platform.data()),
                                                                  platform.size()));
        EXPECT_EQ(got[0], u'<') << "appended after what the text held";
    }
    std::u16string decoded;
    ng_shown_text("a &gt; b &#12354;&amp", decoded);
    EXPECT_EQ(decoded, u"a > b あ&amp");
}

// References are decoded as the text is converted: the result must be the
// platform's conversion followed by the decoding every view does.
TEST(NgShownText, DecodesReferencesAsTheViewDoes)
{
    const std::string samples[] = {
        "&gt;&gt;5", "a&b;c", "&a&gt;", "&;", "&&lt;;", "&#x3042;&#X3044;", "&#128512;x", "&#0;&#xD800;&#1114112;",
        "&nbsp&amp;", "tail &", "& no semicolon &gt", "&Gt;&GT;&euro;&thetasym;", "&#;&#x;&#12a;",
        utf8_to_sjis("表&gt;示&#9829;です;") , utf8_to_sjis("&漢;&字") + ";",
    };
    for (const std::string& bytes : samples) {
        std::u16string got;
        ng_shown_text(bytes, got);
        std::wstring expected = mb_to_wstring(bytes.c_str());
        DecodeEntities(&expected[0]);
        expected.resize(std::wcslen(expected.c_str()));
        EXPECT_EQ(got, std::u16string(reinterpret_cast<const char16_t*>(expected.data()), expected.size())) << bytes;
    }
}

TEST_F(NgView, KeysStepOverWhatShowsNothing)
{
    Settings.NgTransparent = 1;
    open_log(hiding_log());
    ASSERT_EQ(ng_add_shown(NgKind::Word, L"spam"), 1);   // 2 and, by its chain, 3
    set_position(0);
    key('N');
    EXPECT_EQ(position(), header_of(4)) << "the next response shown";
    key('P');
    EXPECT_EQ(position(), header_of(1));
    set_position(header_of(2) - 1);   // the blank line closing response 1
    key(VK_DOWN);
    EXPECT_EQ(position(), header_of(4));
    key(VK_UP);
    EXPECT_EQ(position(), header_of(2) - 1);

    Settings.NgTransparent = 0;
    set_position(header_of(2) + 1);   // "あぼーん"
    key(VK_DOWN);
    EXPECT_EQ(position(), header_of(2) + 3) << "past the body lines it does not show, to its blank line";
}
