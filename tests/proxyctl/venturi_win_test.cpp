#include "proxyctl/venturi_win.h"

#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/proxyctl/vdbserver_win.h"
#include "tests/support/faketicks_win.h"

namespace {

const wchar_t kConfiguratorKey[] = L"Software\\Venturi\\Venturi Configurator";
const wchar_t kServiceKey[] = L"Services\\VentSM";

const std::string kProfileReq = "GET vpn_prof,nr_profiles\nFROM VSLookupParams\n";
const std::string kTablesReq = "GET rowid,tablename\nFROM MetaTable\n";
const std::string kSetOffReq = "SET vpn_prof=1\nWHERE rowid=0\nFROM VSLookupParams\n";
const std::string kSetOnReq = "SET vpn_prof=0\nWHERE rowid=0\nFROM VSLookupParams\n";
const std::string kMarkRow4Req = "SET modified=1\nWHERE rowid=4\nFROM MetaTable\n";

bool key_exists(const wchar_t* path)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

bool write_value(const wchar_t* path, const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG r = RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

bool write_dword(const wchar_t* path, const wchar_t* name, DWORD value)
{
    return write_value(path, name, REG_DWORD, &value, sizeof value);
}

bool write_string(const wchar_t* path, const wchar_t* name, const std::wstring& text, bool terminated = true)
{
    DWORD bytes = static_cast<DWORD>((text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
    return write_value(path, name, REG_SZ, text.c_str(), bytes);
}

// The test library's steering exports.
struct CoreLibrary {
    HMODULE module = nullptr;
    void (*set_loaded)(int) = nullptr;
    void (*reset)() = nullptr;
    int (*get_calls)() = nullptr;
    int (*activate_calls)() = nullptr;
    int (*deregister_calls)() = nullptr;
    void (*last_call)(wchar_t*, int, int*) = nullptr;

    template <typename T>
    void find(T& fn, const char* name)
    {
        fn = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
    bool load()
    {
        module = LoadLibraryW(L"coredll.dll");
        if (!module) return false;
        find(set_loaded, "coredll_test_set_service_loaded");
        find(reset, "coredll_test_reset");
        find(get_calls, "coredll_test_get_service_handle_calls");
        find(activate_calls, "coredll_test_activate_service_calls");
        find(deregister_calls, "coredll_test_deregister_service_calls");
        find(last_call, "coredll_test_last_call");
        return set_loaded && reset && get_calls && activate_calls && deregister_calls && last_call;
    }
    ~CoreLibrary()
    {
        if (module) FreeLibrary(module);
    }
};

// A handset with the proxy client installed, registered, running and on,
// its configuration database on a loopback port of our own.
class VenturiTest : public testing::Test {
protected:
    void SetUp() override
    {
        WSADATA wsa;
        ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &wsa), 0);
        ASSERT_TRUE(core.load()) << "coredll.dll must lie beside the test executable";
        core.reset();
        core.set_loaded(1);
        venturi_set_service_library(nullptr);
        hadSoftwareVenturi = key_exists(L"Software\\Venturi");
        hadServices = key_exists(L"Services");
        ASSERT_FALSE(key_exists(kServiceKey)) << "left over from another run";
        db = std::make_unique<VdbServer>();
        ASSERT_TRUE(db->listening());
        ASSERT_TRUE(write_dword(kConfiguratorKey, L"DBPORT", db->port()));
        ASSERT_TRUE(write_string(kServiceKey, L"Prefix", L"VSM"));
        venturi_activity_reset();
    }

    void TearDown() override
    {
        db.reset();
        venturi_set_service_library(nullptr);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, kConfiguratorKey);
        if (!hadSoftwareVenturi) RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\Venturi");
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, kServiceKey);
        if (!hadServices) RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Services");
        EXPECT_FALSE(key_exists(kServiceKey));
        EXPECT_FALSE(key_exists(kConfiguratorKey));
        // Whatever a test did, no switch may be left holding the service.
        EXPECT_FALSE(venturi_switch_in_use());
        EXPECT_FALSE(venturi_entry_points_loaded());
        WSACleanup();
    }

    void expect_nothing_reached()
    {
        VenturiActivity a = venturi_activity();
        EXPECT_EQ(a.registryReads, 0);
        EXPECT_EQ(a.entryPointLookups, 0);
        EXPECT_EQ(a.serviceQueries, 0);
        EXPECT_EQ(a.connections, 0);
        EXPECT_EQ(core.get_calls(), 0);
        EXPECT_TRUE(db->requests().empty());
    }

    // Every connection the database saw was shut down by the client.
    void expect_all_closed_by_client()
    {
        for (const VdbConnection& c : db->connections()) EXPECT_TRUE(c.client_closed) << c.request;
    }

    CoreLibrary core;
    std::unique_ptr<VdbServer> db;
    bool hadSoftwareVenturi = false;
    bool hadServices = false;
};

std::string join(const std::vector<std::string>& parts)
{
    std::string out;
    for (const std::string& p : parts) out += p;
    return out;
}

}  // namespace

TEST_F(VenturiTest, VentCtrlZeroTouchesNothing)
{
    {
        VenturiSwitch s(0);
        EXPECT_EQ(s.enabled, 0);
        EXPECT_EQ(s.switched, 0);
        EXPECT_FALSE(venturi_switch_in_use());
        EXPECT_FALSE(venturi_entry_points_loaded());
        expect_nothing_reached();
    }
    expect_nothing_reached();
    EXPECT_EQ(db->vpn_prof(), 0);
}

TEST_F(VenturiTest, FullOffOnCycleSendsExactlyTheseBytes)
{
    {
        VenturiSwitch s(1);
        EXPECT_EQ(s.enabled, 1);
        EXPECT_EQ(s.switched, 1);
        EXPECT_TRUE(venturi_switch_in_use());
        EXPECT_TRUE(venturi_entry_points_loaded());
        EXPECT_EQ(db->vpn_prof(), 1);   // off for the post
        EXPECT_EQ(db->requests(), (std::vector<std::string>{kProfileReq, kTablesReq, kSetOffReq, kMarkRow4Req}));
    }
    EXPECT_EQ(db->vpn_prof(), 0);       // and back on afterwards
    EXPECT_EQ(db->all_requests(),
              "GET vpn_prof,nr_profiles\nFROM VSLookupParams\n"
              "GET rowid,tablename\nFROM MetaTable\n"
              "SET vpn_prof=1\nWHERE rowid=0\nFROM VSLookupParams\n"
              "SET modified=1\nWHERE rowid=4\nFROM MetaTable\n"
              "GET rowid,tablename\nFROM MetaTable\n"
              "SET vpn_prof=0\nWHERE rowid=0\nFROM VSLookupParams\n"
              "SET modified=1\nWHERE rowid=4\nFROM MetaTable\n");
    EXPECT_EQ(db->marked_rows(), (std::vector<int>{4, 4}));
    EXPECT_EQ(db->connections().size(), 7u);
    expect_all_closed_by_client();
    VenturiActivity a = venturi_activity();
    EXPECT_EQ(a.entryPointLookups, 1);
    EXPECT_EQ(a.serviceQueries, 1);
    EXPECT_EQ(a.connections, 7);
}

TEST_F(VenturiTest, ServiceLookedUpByPrefixAloneAndNothingElseCalled)
{
    {
        VenturiSwitch s(1);
        EXPECT_EQ(s.switched, 1);
    }
    EXPECT_EQ(core.get_calls(), 1);
    wchar_t prefix[32];
    int extra = -1;
    core.last_call(prefix, 32, &extra);
    EXPECT_EQ(std::wstring(prefix), L"VSM0:");
    EXPECT_EQ(extra, 0);
    EXPECT_EQ(core.activate_calls(), 0);
    EXPECT_EQ(core.deregister_calls(), 0);
}

TEST_F(VenturiTest, MissingServiceKeyMeansNoConnection)
{
    ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, kServiceKey), ERROR_SUCCESS);
    {
        VenturiSwitch s(1);
        EXPECT_EQ(s.switched, 0);
        EXPECT_TRUE(venturi_switch_in_use());   // held until the post ends
    }
    VenturiActivity a = venturi_activity();
    EXPECT_EQ(a.entryPointLookups, 1);
    EXPECT_EQ(a.serviceQueries, 0);
    EXPECT_EQ(a.connections, 0);
    EXPECT_EQ(core.get_calls(), 0);
    EXPECT_TRUE(db->requests().empty());
}

TEST_F(VenturiTest, PrefixMustBeExactlyVSM)
{
    struct Case {
        std::wstring text;
        bool terminated;
        bool registered;
    };
    const Case cases[] = {
        {L"VSM", true, true},
        {L"VSM", false, true},   // stored without its terminator
        {L"VSM1", true, false},
        {L"vsm", true, false},
        {L"VS", true, false},
        {L"", true, false},
        {L"VSM0:", true, false},
        {L"VSMVSMVSMVSMVSMV", true, false},   // longer than the 32 bytes read
        {L"VSMVSMVSMVSMVSM", true, false},    // exactly 32 bytes with the terminator
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(write_string(kServiceKey, L"Prefix", c.text, c.terminated));
        EXPECT_EQ(venturi_service_registered(), c.registered) << std::string(c.text.begin(), c.text.end());
    }
    ASSERT_TRUE(write_dword(kServiceKey, L"Prefix", 0x4d5356));   // "VSM" bytes, wrong type
    EXPECT_FALSE(venturi_service_registered());

    ASSERT_TRUE(write_string(kServiceKey, L"Prefix", L"VSM1"));
    venturi_activity_reset();
    {
        VenturiSwitch s(1);
        EXPECT_EQ(s.switched, 0);
    }
    EXPECT_EQ(venturi_activity().connections, 0);
    EXPECT_EQ(core.get_calls(), 0);
    EXPECT_TRUE(db->requests().empty());
}

TEST_F(VenturiTest, ServiceNotLoadedMeansNoConnection)
{
    core.set_loaded(0);
    {
        VenturiSwitch s(1);
        EXPECT_EQ(s.switched, 0);
    }
    EXPECT_EQ(core.get_calls(), 1);
    EXPECT_EQ(venturi_activity().connections, 0);
    EXPECT_TRUE(db->requests().empty());
}

TEST_F(VenturiTest, ServiceLoadedStateCanComeFromTheEnvironment)
{
    core.set_loaded(-1);
    SetEnvironmentVariableW(L"QUORVEX_TEST_VSM_LOADED", L"0");
    {
        VenturiSwitch s(1);
        EXPECT_EQ(s.switched, 0);
    }
    SetEnvironmentVariableW(L"QUORVEX_TEST_VSM_LOADED", nullptr);
    EXPECT_TRUE(db->requests().empty());
    {
        VenturiSwitch s(1);
        EXPECT_EQ(s.switched, 1);
    }
    EXPECT_EQ(db->vpn_prof(), 0);
}

TEST_F(VenturiTest, EntryPointsMissingMeansNothingElseIsTried)
{
    // A library that lacks the three entry points, and one that is not there.
    for (const wchar_t* library : {L"kernel32.dll", L"no-such-core-library.dll"}) {
        venturi_set_service_library(library);
        venturi_activity_reset();
        {
            VenturiSwitch s(1);
            EXPECT_EQ(s.switched, 0);
            EXPECT_FALSE(venturi_switch_in_use());
            EXPECT_FALSE(venturi_entry_points_loaded());
        }
        VenturiActivity a = venturi_activity();
        EXPECT_EQ(a.entryPointLookups, 1);
        EXPECT_EQ(a.registryReads, 0);
        EXPECT_EQ(a.connections, 0);
    }
    EXPECT_TRUE(db->requests().empty());
}

TEST_F(VenturiTest, ProfileAlreadyOffIsNeitherSwitchedNorRestored)
{
    db->set_profile(1, 3);
    {
        VenturiSwitch s(1);
        EXPECT_EQ(s.switched, 0);
    }
    EXPECT_EQ(db->requests(), (std::vector<std::string>{kProfileReq}));
    EXPECT_EQ(db->vpn_prof(), 1);
    EXPECT_TRUE(db->marked_rows().empty());
    expect_all_closed_by_client();
}

TEST_F(VenturiTest, ZeroTabThreeTabReplyCountsAsOn)
{
    db->script(VdbRequestKind::Profile, "status 0\n0\t3\t\n\n");
    VenturiSwitch s(1);
    EXPECT_EQ(s.switched, 1);
    EXPECT_EQ(db->requests().size(), 4u);
}

TEST_F(VenturiTest, ProfileReplyThatIsNotStatusZeroLeavesItAlone)
{
    for (const char* reply : {"status 1\n0\t3\t\n\n", "status 0\n\t3\t\n\n", "status 0\n0\t3\n\n",
                              "0\t3\t\n\n", "status\n0\t3\t\n\n"}) {
        db->script(VdbRequestKind::Profile, reply);
        VenturiSwitch s(1);
        EXPECT_EQ(s.switched, 0) << reply;
    }
    EXPECT_EQ(db->requests(), std::vector<std::string>(5, kProfileReq));
    EXPECT_EQ(db->vpn_prof(), 0);
}

TEST_F(VenturiTest, MarksTheRowListedForVSLookupParams)
{
    db->set_tables("1\tMetaTable\t\n2\tVSLookupParamsOld\t\n9\tVSLookupParams\t\n4\tVSLookupParams\t\n");
    {
        VenturiSwitch s(1);
        EXPECT_EQ(s.switched, 1);
    }
    std::vector<std::string> r = db->requests();
    ASSERT_EQ(r.size(), 7u);
    EXPECT_EQ(r[3], "SET modified=1\nWHERE rowid=9\nFROM MetaTable\n");
    EXPECT_EQ(r[6], "SET modified=1\nWHERE rowid=9\nFROM MetaTable\n");
}

TEST_F(VenturiTest, TableListWithoutVSLookupParamsChangesNothing)
{
    db->set_tables("1\tMetaTable\t\n2\tVSProfiles\t\n");
    {
        VenturiSwitch s(1);
        EXPECT_EQ(s.switched, 0);
    }
    EXPECT_EQ(db->requests(), (std::vector<std::string>{kProfileReq, kTablesReq}));
    EXPECT_EQ(db->vpn_prof(), 0);
}

TEST_F(VenturiTest, ReplyClosedWithoutEmptyLineIsAccepted)
{
    db->script(VdbRequestKind::Profile, "status 0\n0\t3\t\n", VdbAfterAnswer::Close);
    db->script(VdbRequestKind::TableRows, "status 0\n1\tMetaTable\t\n4\tVSLookupParams\t\n", VdbAfterAnswer::Close);
    {
        VenturiSwitch s(1);
        EXPECT_EQ(s.switched, 1);
    }
    EXPECT_EQ(join(db->requests()), join({kProfileReq, kTablesReq, kSetOffReq, kMarkRow4Req, kTablesReq,
                                          kSetOnReq, kMarkRow4Req}));
    EXPECT_EQ(db->vpn_prof(), 0);
}

TEST_F(VenturiTest, ReplyKeptOpenWithoutEmptyLineFailsAfterEightSeconds)
{
    // The clock of the exchange stands still until the first part of the
    // reply is in; then 7999 or 8000 ms have passed, and the database sends
    // the empty line that completes it. A query reads the clock at the send's
    // start and before its wait, at the receive's start and before each of
    // its waits: the fifth reading is the first after that part.
    struct Case {
        uint32_t passed;
        bool replied;
    } cases[] = {{7999, true}, {8000, false}};
    for (const Case& c : cases) {
        db = std::make_unique<VdbServer>();
        ASSERT_TRUE(db->listening());
        ASSERT_TRUE(write_dword(kConfiguratorKey, L"DBPORT", db->port()));
        db->script_in_two(VdbRequestKind::Profile, "status 0\n0\t3\t\n", "\n");
        FakeTicks clock;
        const uint32_t start = clock.value();
        clock.on_reading([&](int reading) {
            if (reading != 5) return;
            EXPECT_TRUE(db->send_rest());
            clock.set(start + c.passed);
        });
        {
            VenturiSwitch s(1);
            EXPECT_EQ(s.switched, c.replied ? 1 : 0) << c.passed;
        }
        if (c.replied) {
            EXPECT_EQ(db->requests().size(), 7u) << "switched off and back on";
            continue;
        }
        EXPECT_EQ(db->requests(), (std::vector<std::string>{kProfileReq}));
        expect_all_closed_by_client();   // given up on, the connection is still shut down
        EXPECT_EQ(db->vpn_prof(), 0);
    }
}

TEST_F(VenturiTest, SetWithoutAnyReplyStopsBeforeMarking)
{
    db->script(VdbRequestKind::SetProfile, "", VdbAfterAnswer::Close);
    {
        VenturiSwitch s(1);
        EXPECT_EQ(s.switched, 0);
    }
    EXPECT_EQ(db->requests(), (std::vector<std::string>{kProfileReq, kTablesReq, kSetOffReq}));
    EXPECT_TRUE(db->marked_rows().empty());
}

TEST_F(VenturiTest, SetRefusedByTheDatabaseStopsBeforeMarking)
{
    db->script(VdbRequestKind::SetProfile, "status 5\n\n");
    {
        VenturiSwitch s(1);
        EXPECT_EQ(s.switched, 0);
    }
    EXPECT_EQ(db->requests(), (std::vector<std::string>{kProfileReq, kTablesReq, kSetOffReq}));
}

TEST_F(VenturiTest, MarkingReplyIsIgnored)
{
    db->script(VdbRequestKind::MarkModified, "status 9\n\n", VdbAfterAnswer::Close);
    {
        VenturiSwitch s(1);
        EXPECT_EQ(s.switched, 1);
    }
    EXPECT_EQ(db->requests().size(), 7u);
}

TEST_F(VenturiTest, MarkingNotSentLeavesNothingToRestore)
{
    // The database goes away after taking the SET.
    db->stop_listening_after(3);
    {
        VenturiSwitch s(1);
        EXPECT_EQ(s.switched, 0);
    }
    EXPECT_EQ(db->requests(), (std::vector<std::string>{kProfileReq, kTablesReq, kSetOffReq}));
    VenturiActivity a = venturi_activity();
    EXPECT_EQ(a.connections, 4);   // the refused marking, and nothing after it
}

TEST_F(VenturiTest, DatabaseNotListeningIsSilent)
{
    // A port that is taken but where nobody listens: connecting is refused.
    SOCKET taken = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof addr;
    ASSERT_EQ(bind(taken, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(getsockname(taken, reinterpret_cast<sockaddr*>(&addr), &len), 0);
    ASSERT_TRUE(write_dword(kConfiguratorKey, L"DBPORT", ntohs(addr.sin_port)));
    FakeTicks clock;
    {
        VenturiSwitch s(1);
        EXPECT_EQ(s.switched, 0);
    }
    closesocket(taken);
    EXPECT_EQ(clock.readings_so_far(), 0) << "refused at once: no timed wait began";
    EXPECT_EQ(venturi_activity().connections, 1);
    EXPECT_TRUE(db->requests().empty());
}

TEST_F(VenturiTest, PortIsTheLow16BitsOfDBPORT)
{
    ASSERT_TRUE(write_dword(kConfiguratorKey, L"DBPORT", 0x12340000u | db->port()));
    EXPECT_EQ(venturi_db_port(), db->port());
    VenturiSwitch s(1);
    EXPECT_EQ(s.switched, 1);
}

TEST_F(VenturiTest, PortDefaultsTo8975)
{
    ASSERT_TRUE(write_string(kConfiguratorKey, L"DBPORT", L"1234"));   // wrong type
    EXPECT_EQ(venturi_db_port(), 8975);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kConfiguratorKey);
    EXPECT_EQ(venturi_db_port(), 8975);
    ASSERT_TRUE(write_dword(kConfiguratorKey, L"Other", 1));
    EXPECT_EQ(venturi_db_port(), 8975);
}

TEST_F(VenturiTest, RepliesLongerThanTheirBuffersFail)
{
    // The profile reply has 128 bytes, of which 127 may be filled.
    const std::string value = "status 0\n0\t3\t\n";
    const std::string fits = value + std::string(127 - value.size() - 2, 'x') + "\n\n";
    ASSERT_EQ(fits.size(), 127u);
    db->script(VdbRequestKind::Profile, fits);
    {
        VenturiSwitch s(1);
        EXPECT_EQ(s.switched, 1);
    }
    const std::string over = value + std::string(128 - value.size() - 2, 'x') + "\n\n";
    db->script(VdbRequestKind::Profile, over);
    {
        VenturiSwitch s(1);
        EXPECT_EQ(s.switched, 0);
    }

    // The table list has 8192 bytes; here the row sits at the very end of
    // the 8191 that may be filled.
    db->script(VdbRequestKind::Profile, "status 0\n0\t3\t\n\n");
    const std::string head = "status 0\n";
    const std::string tail = "4\tVSLookupParams\t\n\n";
    std::string rows;
    while (rows.size() + 13 + 2 <= 8191 - head.size() - tail.size()) rows += "1\tMetaTable\t\n";
    rows += std::string(8191 - head.size() - tail.size() - rows.size() - 1, 'p') + "\n";
    const std::string table = head + rows + tail;
    ASSERT_EQ(table.size(), 8191u);
    db->script(VdbRequestKind::TableRows, table);
    {
        VenturiSwitch s(1);
        EXPECT_EQ(s.switched, 1);
    }
    // One byte more and it no longer fits.
    db->script(VdbRequestKind::TableRows, head + "p" + rows + tail);
    size_t before = db->requests().size();
    {
        VenturiSwitch s(1);
        EXPECT_EQ(s.switched, 0);
    }
    EXPECT_EQ(db->requests().size(), before + 2);   // profile and table list, nothing set
    EXPECT_EQ(db->vpn_prof(), 0);
}

TEST_F(VenturiTest, SecondSwitchWhileOneIsInUseDoesNothing)
{
    auto first = std::make_unique<VenturiSwitch>(1);
    EXPECT_EQ(first->switched, 1);
    size_t before = db->requests().size();
    {
        VenturiSwitch second(1);
        EXPECT_EQ(second.enabled, 1);
        EXPECT_EQ(second.switched, 0);
    }
    EXPECT_EQ(db->requests().size(), before);
    EXPECT_EQ(venturi_activity().entryPointLookups, 1);
    // The second one's end must not release the first one's hold.
    EXPECT_TRUE(venturi_switch_in_use());
    EXPECT_TRUE(venturi_entry_points_loaded());
    EXPECT_EQ(db->vpn_prof(), 1);
    first.reset();
    EXPECT_EQ(db->vpn_prof(), 0);
    EXPECT_FALSE(venturi_switch_in_use());

    // Free again: the next switch looks the entry points up afresh.
    {
        VenturiSwitch third(1);
        EXPECT_EQ(third.switched, 1);
    }
    EXPECT_EQ(venturi_activity().entryPointLookups, 2);
}

TEST_F(VenturiTest, PostEndingEarlyStillRestores)
{
    auto post = [](bool online) {
        VenturiSwitch sw(1);
        if (!online) return 0;
        throw std::runtime_error("network failure");
    };
    EXPECT_EQ(post(false), 0);
    EXPECT_EQ(db->vpn_prof(), 0);
    EXPECT_EQ(db->requests().size(), 7u);
    EXPECT_THROW(post(true), std::runtime_error);
    EXPECT_EQ(db->vpn_prof(), 0);
    EXPECT_EQ(db->requests().size(), 14u);
    EXPECT_EQ(db->marked_rows(), (std::vector<int>{4, 4, 4, 4}));
}

TEST_F(VenturiTest, DestroyedThroughItsBaseRestores)
{
    struct PostScope : VenturiSwitch {
        using VenturiSwitch::VenturiSwitch;
    };
    std::unique_ptr<VenturiSwitch> s(new PostScope(1));
    EXPECT_EQ(s->switched, 1);
    s.reset();
    EXPECT_EQ(db->vpn_prof(), 0);
    EXPECT_EQ(db->requests().size(), 7u);
}
