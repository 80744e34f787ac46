#include "net/post_win.h"

#include <oleauto.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/report.h"
#include "net/connection.h"
#include "net/netfiles.h"
#include "proxyctl/venturi_win.h"
#include "store/libce.h"
#include "store/responses.h"
#include "store/settings.h"
#include "store/storereport.h"

PostWorkerTask PostTask;

namespace {

std::atomic<PostClockSource> g_clockSource{nullptr};

bool system_clock(PostClock* t)
{
    SYSTEMTIME st;
    GetSystemTime(&st);
    *t = PostClock{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    return true;
}

void read_clock(PostClock* t)
{
    PostClockSource source = g_clockSource.load();
    if (!source || !source(t)) system_clock(t);
}

double ole_time(const PostClock& t)
{
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(t.year);
    st.wMonth = static_cast<WORD>(t.month);
    st.wDay = static_cast<WORD>(t.day);
    st.wHour = static_cast<WORD>(t.hour);
    st.wMinute = static_cast<WORD>(t.minute);
    st.wSecond = static_cast<WORD>(t.second);
    double v = 0;
    if (SystemTimeToVariantTime(&st, &v)) return v;
    return ole_day_count(t);
}

void report_post(const wchar_t* text) { report_failure(text, kCaptionPostRes); }

// Everything of one post that the attempts share; built once.
struct PostRequest {
    PostTarget target;
    char bbs[kPostBoardBytes];
    char body[kPostBodyBytes];
    size_t bodyLength;
};

// Shift-JIS form of an editor text; false when it would not fit `room`
// bytes with its terminator.
bool to_sjis(const wchar_t* text, size_t room, std::string* out)
{
    std::vector<char> buf(room);
    if (!wide_to_mb_whole(buf.data(), text, room)) return false;
    out->assign(buf.data());
    return true;
}

// The texts of one post, as the editor holds them; `subject` is null for a
// reply and a new thread's title otherwise.
struct PostTexts {
    const wchar_t* subject;
    const wchar_t* name;
    const wchar_t* mail;
    const wchar_t* message;
};

// A new thread's title in Shift-JIS, or a refusal reported.
bool prepare_subject(const wchar_t* subject, std::string* out)
{
    if (subject[0] == L'\0') {
        report_post(kTextNoSubject);
        return false;
    }
    // The title is matched in the thread list afterwards: it goes as typed.
    if (with_references_for_unheld(subject, ControlChars::Keep) != subject) {
        report_post(kTextSubjectUnsendable);
        return false;
    }
    if (!to_sjis(subject, kPostNameBytes, out)) {
        report_post(kTextSubjectTooLong);
        return false;
    }
    return true;
}

// Gathers the board and the thread of the post and builds the body.
// Every refusal is reported; nothing has been sent then.
bool prepare_post(const PostThread& thread, const PostTexts& texts, PostRequest* req)
{
    const wchar_t* name = texts.name;
    const wchar_t* mail = texts.mail;
    const wchar_t* message = texts.message;
    if (!thread.open) {
        report_post(kTextNoThreadOpen);
        return false;
    }

    char host[2 * kBoardFieldUnits + 1];
    if (wide_to_mb(host, thread.board.host, sizeof host) == 0 ||
        !post_target(host, thread.board.secure, &req->target)) {
        report_post(kTextBoardNotPostable);
        return false;
    }
    if (wide_to_mb(req->bbs, thread.board.dir, sizeof req->bbs) == 0 || !plain_form_value(req->bbs)) {
        report_post(kTextBoardNotPostable);
        return false;
    }
    char key[kPostKeyBytes] = "";
    std::string sjisSubject;
    if (texts.subject) {
        if (!prepare_subject(texts.subject, &sjisSubject)) return false;
    } else {
        char fileName[2 * kFileNameUnits + 1];
        if (wide_to_mb(fileName, thread.fileName, sizeof fileName) == 0 ||
            !post_thread_key(fileName, key, sizeof key)) {
            report_post(kTextThreadNotPostable);
            return false;
        }
    }

    // A character Shift-JIS lacks (an emoji, Hangul) goes in the message as
    // its numeric reference, which the servers keep and readers show as the
    // character, instead of as "?". Not so in the name and mail fields, where
    // the scripts take a "#" as the start of a trip key and cut there: such a
    // character is refused there.
    const std::wstring sendableMessage = with_references_for_unheld(message ? message : L"", ControlChars::Keep);
    if (name && with_references_for_unheld(name, ControlChars::Keep) != name) {
        report_post(kTextNameUnsendable);
        return false;
    }
    if (mail && with_references_for_unheld(mail, ControlChars::Keep) != mail) {
        report_post(kTextMailUnsendable);
        return false;
    }
    std::string sjisName, sjisMail, sjisMessage;
    if (!to_sjis(name, kPostNameBytes, &sjisName)) {
        report_post(kTextNameTooLong);
        return false;
    }
    if (!to_sjis(mail, kPostNameBytes, &sjisMail)) {
        report_post(kTextMailTooLong);
        return false;
    }
    if (!to_sjis(sendableMessage.c_str(), kPostMessageBytes, &sjisMessage)) {
        report_post(kTextMessageTooLong);
        return false;
    }

    PostFormFields f{sjisName, sjisMail, sjisMessage, req->bbs, key, post_time_field(make_post_time()), sjisSubject};
    switch (format_post_body(f, req->body, sizeof req->body, &req->bodyLength)) {
    case PostFormError::None:
        return true;
    case PostFormError::NameTooLong:
        report_post(kTextNameTooLong);
        return false;
    case PostFormError::MailTooLong:
        report_post(kTextMailTooLong);
        return false;
    case PostFormError::MessageTooLong:
        report_post(kTextMessageTooLong);
        return false;
    case PostFormError::SubjectTooLong:
        report_post(kTextSubjectTooLong);
        return false;
    case PostFormError::BadBoard:
        report_post(kTextBoardNotPostable);
        return false;
    case PostFormError::BadKey:
        report_post(kTextThreadNotPostable);
        return false;
    case PostFormError::BodyTooLong:
        break;
    }
    report_post(kTextPostTooLong);
    return false;
}

// The Cookie line's value from "cookie.txt"; false when the file cannot be
// opened for reading (the head then has no Cookie line).
bool read_cookie_file(char* out, size_t size)
{
    char path[kAnsiPathBytes];
    UniqueLibceFile f(open_program_file(path, sizeof path, kCookieFile, "r"));
    if (!f) return false;
    std::string content;
    char line[kCookieFileLineBytes];
    while (content.size() < kCookieFileMax && libce_fgets(line, sizeof line, f.get())) content += line;
    f.close();
    if (content.size() > kCookieFileMax) content.resize(kCookieFileMax);
    cookie_line_value(content, out, size);
    return true;
}

// Replaces "cookie.txt" whole with the values of a first-attempt reply.
void write_cookie_file(const CookieList& cookies)
{
    char path[kAnsiPathBytes];
    if (!program_file_path(path, sizeof path, kCookieFile)) return;
    UniqueLibceFile f(libce_fopen_replace(path));
    bool ok = f.valid();
    if (f) {
        const std::string& text = cookies.file_text();
        // The text holds no NUL (control bytes were dropped), so fputs takes it whole.
        if (!text.empty() && libce_fputs(text.c_str(), f.get()) <= 0) ok = false;
        if (libce_fclose_replace(f, ok) != 0) ok = false;
    }
    if (!ok) report_path_failure(path, kTextOpenFailed, kCaptionPostRes);
}

void clear_send_dump()
{
    char path[kAnsiPathBytes];
    UniqueLibceFile emptied(open_program_file(path, sizeof path, kDumpPostSent, "wb"));
}

void append_send_dump(const char* head, size_t headLength, const PostRequest& req)
{
    char path[kAnsiPathBytes];
    UniqueLibceFile f(open_program_file(path, sizeof path, kDumpPostSent, "a+"));
    if (!f) {
        report_failure(kTextTempOpenFailed, kTextError);
        return;
    }
    libce_fwrite(head, 1, headLength, f.get());
    libce_fwrite(req.body, 1, req.bodyLength, f.get());
    libce_fwrite("\r\n\r\n", 1, 4, f.get());
}

enum class Attempt { Posted, Failed, Confirm };

// Receives the reply into the open reply file until the server closes.
// False when the reply is not whole: a receive error (a cancel included),
// a reply beyond any page's size, or bytes the file did not take.
bool receive_reply(const Connection& c, LibceFile* file, std::atomic<uint8_t>* flag)
{
    char block[1023];
    size_t total = 0;
    bool whole = true;
    for (;;) {
        int n = connection_recv(c, block, sizeof block, flag, kReceiveWaitMs);
        if (n == 0) break;
        if (n < 0) {
            report_failure(kTextRecvError, kTextError);
            return false;
        }
        if (libce_fwrite(block, 1, static_cast<size_t>(n), file) != static_cast<size_t>(n)) whole = false;
        total += static_cast<size_t>(n);
        if (total > kPostReplyMax) {
            report_failure(kTextPostReplyTooLarge, kTextError);
            return false;
        }
    }
    return whole;
}

// Reads the spooled reply: cookies from the head (stored on the first
// attempt), then the body up to its first marker.
void read_reply(LibceFile* file, bool first, PostReplyReader* reader)
{
    bool stored = !first;
    char line[kReplyLineBytes];
    while (!reader->done() && libce_fgets(line, sizeof line, file)) {
        reader->feed(line, std::strlen(line));
        if (!stored && reader->in_body()) {
            write_cookie_file(reader->cookies());
            stored = true;
        }
    }
    reader->finish();
    if (!stored) write_cookie_file(reader->cookies());
}

Attempt post_attempt(const PostRequest& req, bool first, std::atomic<uint8_t>* flag)
{
    Connection conn;
    if (!open_connection(req.target.target.c_str(), RequestKind::Post, flag, &conn)) return Attempt::Failed;

    char cookie[kCookieValueRoom + 1];
    bool withCookie = read_cookie_file(cookie, sizeof cookie);
    std::string target(request_target(req.target.target, conn.secure));
    PostHeadFields fields{target.c_str(), req.target.host.c_str(), req.bbs, conn.host,
                          static_cast<int32_t>(req.bodyLength), withCookie ? cookie : nullptr, req.target.secure};
    char head[kPostHeadBytes];
    size_t headLength = format_post_head(head, sizeof head, fields);
    if (headLength == 0) {
        report_post(kTextPostTooLong);
        return Attempt::Failed;
    }
    // One send: the head, the body and a CR LF that Content-Length leaves out.
    std::string request(head, headLength);
    request.append(req.body, req.bodyLength);
    request += "\r\n";
    if (!send_request(conn, request.data(), request.size())) return Attempt::Failed;
    if (Settings.DebugMode) append_send_dump(head, headLength, req);

    char path[kAnsiPathBytes];
    const char* replyName = !first && Settings.DebugMode ? kPostReply2 : kPostReply1;
    UniqueLibceFile file(open_program_file(path, sizeof path, replyName, "wb+"));
    if (!file) {
        report_failure(kTextTempCreateFailed, kTextError);
        return Attempt::Failed;
    }
    bool whole = receive_reply(conn, file.get(), flag);
    if (file.close() != 0) whole = false;
    conn.socket.reset();

    file.reset(libce_fopen(path, "r"));
    if (!file) {
        report_failure(kTextTempOpenFailed, kTextError);
        return Attempt::Failed;
    }
    PostReplyReader reader(first);
    read_reply(file.get(), first, &reader);
    file.close();

    switch (reader.verdict()) {
    case ReplyVerdict::Success:
        report_post(kTextPostDone);
        return Attempt::Posted;
    case ReplyVerdict::Confirm:
        if (Settings.DebugMode) report_post(kTextConfirmAsked);
        return Attempt::Confirm;
    case ReplyVerdict::Error:
        report_post(kTextPostErrorPage);
        report_post(kTextPostFailed);
        return Attempt::Failed;
    case ReplyVerdict::None:
        break;
    }
    if (unmarked_reply_posted(reader, first, whole)) return Attempt::Posted;
    report_post(kTextPostFailed);
    return Attempt::Failed;
}

// The exchange of a reply or a new thread: the proxy switch, the checks, the
// first attempt and at most one resend after the confirmation page.
int post_exchange(HWND dialog, const PostThread& thread, const PostTexts& texts, std::atomic<uint8_t>* flag)
{
    // Off for the whole exchange, back on at every return below.
    VenturiSwitch venturi(Settings.VentCtrl);
    set_progress_caption(dialog, kTitlePosting);
    if (Settings.LineOnOff == 0) {
        report_post(kTextGoOnline);
        return 0;
    }
    PostRequest req;
    if (!prepare_post(thread, texts, &req)) return 0;
    if (Settings.DebugMode) clear_send_dump();

    Attempt a = post_attempt(req, true, flag);
    // A cancel asked for meanwhile is not overridden by the resend.
    if (a == Attempt::Confirm && !(flag && flag->load() != 0)) a = post_attempt(req, false, flag);
    return a == Attempt::Posted ? 1 : 0;
}

void post_worker(WorkerTask* task)
{
    PostWorkerTask* p = static_cast<PostWorkerTask*>(task);
    p->result = static_cast<uint8_t>(
        post_exchange(p->dialog, p->thread, PostTexts{p->subject, p->name, p->mail, p->message}, &p->flag));
}

int run_post_task(const PostThread& thread, const PostTexts& texts, HWND owner)
{
    PostTask.thread = thread;
    PostTask.subject = texts.subject;
    PostTask.name = texts.name;
    PostTask.mail = texts.mail;
    PostTask.message = texts.message;
    PostTask.result = 0;
    PostTask.threadName = L"post_res_thread";
    PostTask.run = post_worker;
    if (!run_worker_task(owner, &PostTask)) return 0;
    return PostTask.result;
}

PostThread new_thread_target(const BoardEntry& board)
{
    PostThread t;
    t.open = true;
    t.board = board;
    return t;
}

}  // namespace

void set_post_clock_source(PostClockSource source) { g_clockSource.store(source); }

uint32_t make_post_time()
{
    PostClock t;
    read_clock(&t);
    if (!post_time_back15(&t)) read_clock(&t);
    return post_time_seconds(ole_time(t), ole_time(PostClock{1970, 1, 1, 0, 0, 0}));
}

PostThread current_post_thread()
{
    PostThread t;
    const OpenThreadTableRecord& table = OpenThreadTable;
    if (!table.entries || table.current < 0 || table.current >= table.count) return t;
    const ResponseBuffer& open = table.entries[table.current];
    t.open = true;
    t.board = open.board;
    std::memcpy(t.fileName, open.fileName, sizeof t.fileName);
    t.fileName[kFileNameUnits - 1] = L'\0';
    return t;
}

int post_res(HWND dialog, const PostThread& thread, const wchar_t* name, const wchar_t* mail,
             const wchar_t* message, std::atomic<uint8_t>* flag)
{
    return post_exchange(dialog, thread, PostTexts{nullptr, name, mail, message}, flag);
}

int post_new_thread(HWND dialog, const BoardEntry& board, const wchar_t* subject, const wchar_t* name,
                    const wchar_t* mail, const wchar_t* message, std::atomic<uint8_t>* flag)
{
    return post_exchange(dialog, new_thread_target(board), PostTexts{subject ? subject : L"", name, mail, message},
                         flag);
}

int run_post_res(const wchar_t* name, const wchar_t* mail, const wchar_t* message, HWND owner)
{
    return run_post_task(current_post_thread(), PostTexts{nullptr, name, mail, message}, owner);
}

int run_post_new_thread(const BoardEntry& board, const wchar_t* subject, const wchar_t* name, const wchar_t* mail,
                        const wchar_t* message, HWND owner)
{
    return run_post_task(new_thread_target(board), PostTexts{subject ? subject : L"", name, mail, message}, owner);
}
