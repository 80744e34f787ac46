// The program killed half-way through each rewrite of a file it keeps: the
// settings, the board table, a board's thread list, a full log re-fetch, the
// held-thread list, the favourite threads, the cookies, a fallen thread's
// past log with its mark, a moved board's table line with its list, and the
// NG lists. The program plays in a process of its own (this test program
// started again), which ends itself at the N-th step of the rewrites (the file
// library's seam), for every N; afterwards each file is the old one or the new
// one, whole. Then the
// program starts on the files one such death left, stray ".new" beside them,
// and does the same again.
#include "tests/support/mainfixture_win.h"

#include <cstdlib>

#include "store/libce.h"
#include "tests/support/childrole_win.h"

using namespace mainwindow_test;

namespace {

constexpr long kCompleted = 1000;   // the child's exit code: this plus the steps it took
constexpr char kRole[] = "rewrite";
const char kFirstTitleUtf8[] = "春は来る？CE用2chブラウザ「Velmo」Part10";
const char kSecondTitleUtf8[] = "スマートフォン総合スレ (仮)";

// ---- what the person does in each case ----

void choose_mobile_board(HWND main)
{
    choose_in_selector(main, AppState.CategorySelector, IDC_CATEGORY_SELECTOR, 1);
    choose_in_selector(main, AppState.BoardSelector, IDC_BOARD_SELECTOR, 0);
}

void quit(HWND main) { send_command(main, IDM_EXIT); }

void fetch_board_menu(HWND main)
{
    DialogDriver source(L"板一覧取得先");
    source.then([](HWND d) { PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); });
    run_driven_command(main, IDM_FETCH_BOARD_LIST, source);
}

void open_first_thread(HWND main)
{
    choose_mobile_board(main);
    activate_thread_row(main, 0);
}

void delete_first_thread(HWND main)
{
    open_first_thread(main);
    send_command(main, IDM_DELETE_LOG);
}

void remove_first_favourite(HWND main)
{
    choose_in_selector(main, AppState.CategorySelector, IDC_CATEGORY_SELECTOR, 0);
    choose_in_selector(main, AppState.BoardSelector, IDC_BOARD_SELECTOR, 0);
    ListView_SetItemState(AppState.threadListView, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    send_command(main, IDM_REMOVE_FAVORITE_THREAD);
}

void post_reply(HWND main)
{
    open_first_thread(main);
    DialogDriver editor(L"メッセージの編集");
    editor.then([](HWND d) {
        SetDlgItemTextW(d, IDC_REPLY_MESSAGE, L"死んでも残る");
        PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    run_driven_command(main, IDM_WRITE, editor);
}

void add_ng_title(HWND main)
{
    choose_mobile_board(main);
    DialogDriver title(L"NGスレタイ登録");
    title.then([](HWND d) { PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); });
    run_driven_command(main, IDM_NG_ADD_TITLE, title);
}

// One rewrite: what the person does, online or not, and the files that must
// come out old or new (the first is the one the case is named for).
struct Rewrite {
    const char* name;
    int online;
    void (*act)(HWND main);
    std::vector<std::string> files;
};

const Rewrite kRewrites[] = {
    {"settings", 0, quit, {"quorvex.ini"}},
    {"boardtable", 1, fetch_board_menu, {"2channel.brd"}},
    {"threadlist", 1, choose_mobile_board, {"log\\mobile\\subject.txt"}},
    {"fullrefetch", 1, open_first_thread,
     {"log\\mobile\\1065069078.dat", "log\\mobile\\acquired.txt", "log\\mobile\\subject.txt"}},
    {"heldlist", 0, delete_first_thread, {"log\\mobile\\acquired.txt", "log\\mobile\\1065069078.dat"}},
    {"favourites", 0, remove_first_favourite, {"favorite.txt"}},
    {"cookies", 1, post_reply, {"cookie.txt"}},
    {"fallenmark", 1, open_first_thread, {"log\\mobile\\acquired.txt", "log\\mobile\\1065069078.dat"}},
    {"boardmove", 1, choose_mobile_board, {"2channel.brd", "log\\mobile\\subject.txt"}},
    {"nglists", 0, add_ng_title, {"ng.txt"}},
};

const std::string kPastLog = "/mobile/kako/1065/10650/1065069078.dat";

const Rewrite* find_rewrite(const std::string& name)
{
    for (const Rewrite& r : kRewrites)
        if (name == r.name) return &r;
    return nullptr;
}

// The child: "<name> <folder> <step>". The program starts in the folder and
// does what the case does; the file library ends the process at `step`.
int play_rewrite(const std::vector<std::string>& args)
{
    const Rewrite* r = args.size() == 3 ? find_rewrite(args[0]) : nullptr;
    if (!r) return 2;
    WSADATA wsa;
    WSAStartup(MAKEWORD(1, 1), &wsa);
    platform_parse_command_line(L"");
    const std::wstring exe = sjis_to_wide(args[1] + "quorvex.exe");
    settings_set_module_path(exe.c_str());
    if (!RegisterMainWindowClass(GetModuleHandleW(nullptr))) return 2;
    AppState.DeviceKind = DetermineDeviceKind();
    ReportCapture answers(IDYES);
    libce_kill_at_rewrite_step(std::atoi(args[2].c_str()));
    HWND main = CreateMainWindow(GetModuleHandleW(nullptr), SW_SHOWNORMAL);
    if (!main) return 2;
    settle_window();
    r->act(main);
    return static_cast<int>(kCompleted + libce_rewrite_steps());
}

const ChildRoleRegistration kRewriteRole(kRole, play_rewrite);

std::wstring texts(const std::vector<ReportedMessage>& messages)
{
    std::wstring out;
    for (const ReportedMessage& m : messages) out += m.caption + L": " + m.text + L"\n";
    return out;
}

std::string head_lines(const std::string& text, int n)
{
    size_t end = 0;
    for (int i = 0; i < n && end != std::string::npos; ++i) end = text.find('\n', end + 1);
    return text.substr(0, end == std::string::npos ? text.size() : end + 1);
}

class KillDuringRewrite : public MainWindowFixture, public ::testing::WithParamInterface<Rewrite> {
protected:
    void start_server() override
    {
        MainWindowFixture::start_server();
        boardserver::PostSettings post;   // the confirmation page until the cookies come back
        post.date = "2006/12/09 09:00:00 ID:Qv0Kill0";
        server_.set_post_settings(post);
        // Once for every run of the case: the first thread has fallen into
        // the past-log store; the board has moved (and the program is
        // answered Yes).
        const std::string name = GetParam().name;
        if (name == "fallenmark")
            server_.site().fall_thread("mobile", "1065069078", boardserver::FallenAnswer::NotFound,
                                       boardserver::PastLog::Plain);
        if (name == "boardmove")
            server_.site().move_board("pc.2ch.net", "mobile", "pc9.2ch.net", boardserver::MoveAnswer::NoticePage);
    }

    // The files as an earlier session left them, each different from what
    // the case writes.
    void prepare(const std::string& folder) const
    {
        const std::string log = folder + "log\\mobile\\";
        CreateDirectoryA((folder + "log").c_str(), nullptr);
        CreateDirectoryA(log.c_str(), nullptr);
        write_file_bytes(folder + "quorvex.ini", "LineOnOff: " + std::to_string(GetParam().online) +
                                                     "\r\nProxyUse: 1\r\nProxyName: 127.0.0.1\r\nProxyPort: " +
                                                     std::to_string(proxy_port()) + "\r\n");
        write_file_bytes(folder + "2channel.brd", "2\r\n" + sj("古いカテゴリ") + "\t0\r\n\tpc.2ch.net\tmobile\t" +
                                                      sj("モバイル") + "\r\n");
        write_file_bytes(folder + "favorite.brd", sj("お気に入りスレ\nモバイル,mobile\n"));
        write_file_bytes(folder + "favorite.txt", "mobile<>1065069078.dat<>" + sj(kFirstTitleUtf8) + "\r\n" +
                                                      "mobile<>1066800000.dat<>" + sj(kSecondTitleUtf8) + "\r\n");
        write_file_bytes(folder + "cookie.txt", "PON=stale; ");
        write_file_bytes(folder + "ng.txt", "word\told\r\n");
        const std::string subject = server_.file("/mobile/subject.txt");
        const std::string dat = server_.file("/mobile/dat/1065069078.dat");
        if (std::string(GetParam().name) == "threadlist" || std::string(GetParam().name) == "boardmove") {
            write_file_bytes(log + "subject.txt", head_lines(subject, 2));
            return;
        }
        write_file_bytes(log + "subject.txt", subject);
        if (std::string(GetParam().name) == "fullrefetch") {
            // A log the server's no longer continues: its last byte held is
            // no line end there, so the whole log is fetched again.
            std::string held = head_lines(dat, 10);
            held.insert(held.find("<>"), "X");
            write_file_bytes(log + "1065069078.dat", held);
            write_file_bytes(log + "acquired.txt", "1065069078.dat<>" + sj(kFirstTitleUtf8) + "(10)<>1\r\n");
        } else if (std::string(GetParam().name) == "fallenmark") {
            // Part of a log that has since fallen: the past log replaces it
            // whole and the held line gains its mark.
            write_file_bytes(log + "1065069078.dat", head_lines(server_.file(kPastLog), 10));
            write_file_bytes(log + "acquired.txt", "1065069078.dat<>" + sj(kFirstTitleUtf8) + "(10)<>1\r\n");
        } else if (std::string(GetParam().name) == "heldlist" || std::string(GetParam().name) == "cookies") {
            // Held logs: opening one fetches only what it lacks, no rewrite.
            write_file_bytes(log + "1065069078.dat", dat);
            write_file_bytes(log + "1066800000.dat", server_.file("/mobile/dat/1066800000.dat"));
            write_file_bytes(log + "acquired.txt", "1065069078.dat<>" + sj(kFirstTitleUtf8) + "(123)<>1\r\n" +
                                                       "1066800000.dat<>" + sj(kSecondTitleUtf8) + "(12)<>1\r\n");
        }
    }

    std::string run_folder(const std::string& name) const
    {
        const std::string folder = dir_.file(name + "\\");
        CreateDirectoryA(folder.c_str(), nullptr);
        return folder;
    }

    // The files' bytes, with the folder's own path (the settings name the log
    // folder by it) written as "<folder>".
    std::vector<std::string> files_in(const std::string& folder) const
    {
        std::vector<std::string> bytes;
        for (const std::string& f : GetParam().files) {
            std::string b = read_file_bytes(folder + f);
            for (size_t at = b.find(folder); at != std::string::npos; at = b.find(folder, at))
                b.replace(at, folder.size(), "<folder>\\");
            bytes.push_back(b);
        }
        return bytes;
    }

    long run_program(const std::string& folder, int killAt) const
    {
        return run_as_child(kRole, {GetParam().name, folder, std::to_string(killAt)});
    }
};

}  // namespace

TEST_P(KillDuringRewrite, EveryFileIsTheOldOrTheNewOneWholeAndTheNextStartCarriesOn)
{
    const Rewrite& r = GetParam();
    const std::string fresh = run_folder("old");
    prepare(fresh);
    const std::vector<std::string> before = files_in(fresh);

    // Undisturbed: the rewrite's steps counted, and the new files.
    const std::string done = run_folder("done");
    prepare(done);
    const long completed = run_program(done, 0);
    ASSERT_GT(completed, kCompleted + 4) << "open, write, flush, close and move at least";
    const int steps = static_cast<int>(completed - kCompleted);
    const std::vector<std::string> after = files_in(done);
    ASSERT_NE(after[0], before[0]) << r.files[0] << " was not rewritten";
    EXPECT_FALSE(file_exists(done + r.files[0] + ".new"));

    // Killed at every step.
    std::string strayLeft;
    for (int step = 1; step <= steps; ++step) {
        const std::string folder = run_folder(std::to_string(step));
        prepare(folder);
        ASSERT_EQ(run_program(folder, step), static_cast<long>(kLibceKilledAtStep)) << "step " << step;
        const std::vector<std::string> now = files_in(folder);
        for (size_t i = 0; i < now.size(); ++i) {
            EXPECT_TRUE(now[i] == before[i] || now[i] == after[i])
                << r.files[i] << " after a death at step " << step << " of " << steps << ": " << now[i].size()
                << " bytes, the old " << before[i].size() << ", the new " << after[i].size();
        }
        if (step == 1) {
            EXPECT_EQ(now[0], before[0]) << "nothing replaced before the first step";
        }
        if (now[0] == before[0] && file_exists(folder + r.files[0] + ".new")) strayLeft = folder;
    }
    ASSERT_FALSE(strayLeft.empty()) << "no death left a stray " << r.files[0] << ".new";

    // The next start, on what the last such death left: the old file read, the
    // stray copy in the way of nothing, the rewrite done again.
    const std::wstring exe = sjis_to_wide(strayLeft + "quorvex.exe");
    settings_set_module_path(exe.c_str());
    ASSERT_NE(start(), nullptr);
    EXPECT_TRUE(reports_.messages().empty()) << wide_to_utf8(texts(reports_.messages()));
    reports_.set_answer(IDYES);   // as the killed program was answered
    r.act(main_);
    EXPECT_EQ(files_in(strayLeft)[0], after[0]) << wide_to_utf8(texts(reports_.messages()));
    EXPECT_FALSE(file_exists(strayLeft + r.files[0] + ".new"));
}

INSTANTIATE_TEST_SUITE_P(EachRewrite, KillDuringRewrite, ::testing::ValuesIn(kRewrites),
                         [](const ::testing::TestParamInfo<Rewrite>& info) { return std::string(info.param.name); });
