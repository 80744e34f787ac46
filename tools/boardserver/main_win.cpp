// boardserver.exe [--port N] [--sample DIR] [--seconds N] [--quiet]
//                 [--tunnel PORT] [--https-menu] [--trust ROOT.der]
// Serves the sample board data on 127.0.0.1 for the demonstration: point the
// program's proxy setting at the printed port (ProxyUse 1, ProxyName
// 127.0.0.1). Runs until Ctrl+C, or for N seconds with --seconds.
// For the demonstration over https (tools/demo.sh --https): --tunnel sends
// every CONNECT to the TLS front on PORT (tools/tlsfront.sh, which hands the
// requests back to this server), --https-menu names the sample menu's boards
// as https, and --trust makes the test root trusted in the Wine prefix first.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "base/handles.h"
#include "tools/boardserver/boardserver.h"
#include "tools/boardserver/trustroot_win.h"

namespace {

UniqueHandle g_quit;

BOOL WINAPI on_console_event(DWORD)
{
    SetEvent(g_quit.get());
    return TRUE;
}

std::wstring program_folder()
{
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, n < MAX_PATH ? n : 0);
    size_t slash = p.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : p.substr(0, slash);
}

bool folder_exists(const std::wstring& p)
{
    DWORD a = GetFileAttributesW(p.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// The sample beside the program, or in the source tree above the build folder.
std::wstring default_sample()
{
    std::wstring here = program_folder();
    const wchar_t* tries[] = {L"\\sample", L"\\..\\..\\tools\\boardserver\\sample", L"\\..\\tools\\boardserver\\sample"};
    for (const wchar_t* t : tries) {
        if (folder_exists(here + t)) return here + t;
    }
    return here + L"\\sample";
}

int usage()
{
    std::fprintf(stderr,
                 "usage: boardserver [--port N] [--sample DIR] [--seconds N] [--quiet] [--tunnel PORT] "
                 "[--https-menu] [--trust ROOT.der]\n");
    return 2;
}

std::string file_bytes(const std::wstring& path)
{
    UniqueFile f(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes(64 * 1024, '\0');
    DWORD got = 0;
    if (!f.valid() || !ReadFile(f.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr)) got = 0;
    bytes.resize(got);
    return bytes;
}

}  // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return usage();
    long port = 0;
    long seconds = 0;
    long tunnel = 0;
    bool quiet = false;
    bool httpsMenu = false;
    std::wstring sample;
    std::wstring root;
    for (int i = 1; i < argc; ++i) {
        std::wstring a = argv[i];
        bool hasValue = i + 1 < argc;
        if (a == L"--port" && hasValue) {
            port = std::wcstol(argv[++i], nullptr, 10);
            if (port < 0 || port > 65535) return usage();
        } else if (a == L"--sample" && hasValue) {
            sample = argv[++i];
        } else if (a == L"--seconds" && hasValue) {
            seconds = std::wcstol(argv[++i], nullptr, 10);
        } else if (a == L"--quiet") {
            quiet = true;
        } else if (a == L"--tunnel" && hasValue) {
            tunnel = std::wcstol(argv[++i], nullptr, 10);
            if (tunnel <= 0 || tunnel > 65535) return usage();
        } else if (a == L"--https-menu") {
            httpsMenu = true;
        } else if (a == L"--trust" && hasValue) {
            root = argv[++i];
        } else {
            LocalFree(argv);
            return usage();
        }
    }
    LocalFree(argv);
    if (sample.empty()) sample = default_sample();

    boardserver::BoardServer server;
    std::string error;
    if (!server.load_sample(sample, &error)) {
        std::fprintf(stderr, "boardserver: %s\n", error.c_str());
        return 1;
    }
    if (!root.empty() && !boardserver::trust_root_certificate(file_bytes(root), &error)) {
        std::fprintf(stderr, "boardserver: %s\n", error.c_str());
        return 1;
    }
    if (httpsMenu) server.put_menu(boardserver::https_menu(server.file(boardserver::kMenuPath)));
    server.set_tunnel_port(static_cast<uint16_t>(tunnel));
    if (!quiet) {
        server.set_request_observer([](const boardserver::RecordedRequest& r) {
            std::printf("%s %s -> %d\n", r.method.c_str(), r.target.c_str(), r.status);
            std::fflush(stdout);
        });
    }
    if (!server.start(static_cast<uint16_t>(port))) {
        std::fprintf(stderr, "boardserver: cannot listen on 127.0.0.1:%ld\n", port);
        return 1;
    }
    std::printf("boardserver: listening on 127.0.0.1:%u\n", static_cast<unsigned>(server.port()));
    std::fflush(stdout);

    g_quit.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    SetConsoleCtrlHandler(on_console_event, TRUE);
    WaitForSingleObject(g_quit.get(), seconds > 0 ? static_cast<DWORD>(seconds) * 1000 : INFINITE);
    server.stop();
    std::printf("boardserver: stopped\n");
    return 0;
}
