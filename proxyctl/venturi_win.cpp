#include "proxyctl/venturi_win.h"

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string_view>

#include "base/handles.h"
#include "base/ticks.h"
#include "platform/services.h"
#include "proxyctl/vquery.h"

namespace {

const wchar_t kConfiguratorKey[] = L"Software\\Venturi\\Venturi Configurator";
const wchar_t kPortValue[] = L"DBPORT";
const wchar_t kServiceKey[] = L"Services\\VentSM";
const wchar_t kPrefixValue[] = L"Prefix";
const wchar_t kExpectedPrefix[] = L"VSM";
const wchar_t kServiceInstance[] = L"VSM0:";
constexpr DWORD kPrefixBytes = 32;

// The in-use mark is taken atomically; the entry points are touched only by
// the switch that holds it.
std::atomic<bool> g_inUse{false};
std::atomic<bool> g_entryPointsLoaded{false};
ServiceManager g_services;
const wchar_t* g_serviceLibrary = kCoreLibrary;
std::atomic<long> g_registryReads{0};
std::atomic<long> g_entryPointLookups{0};
std::atomic<long> g_serviceQueries{0};
std::atomic<long> g_connections{0};

class RegKey {
public:
    RegKey(HKEY parent, const wchar_t* path)
    {
        ++g_registryReads;
        if (RegOpenKeyExW(parent, path, 0, KEY_QUERY_VALUE, &key_) != ERROR_SUCCESS) key_ = nullptr;
    }
    ~RegKey() { if (key_) RegCloseKey(key_); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// Shut down both directions before closing, on every way out of a query.
class QuerySocket {
public:
    QuerySocket() : s_(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {}
    ~QuerySocket()
    {
        if (s_.valid()) shutdown(s_.get(), SD_BOTH);
    }
    QuerySocket(const QuerySocket&) = delete;
    QuerySocket& operator=(const QuerySocket&) = delete;
    SOCKET get() const { return s_.get(); }
    bool valid() const { return s_.valid(); }

private:
    UniqueSocket s_;
};

// Milliseconds left of `limit` since `start`; 0 when it has run out.
DWORD remaining_ms(DWORD start, DWORD limit)
{
    DWORD elapsed = platform_ticks() - start;
    return elapsed >= limit ? 0 : limit - elapsed;
}

// Waits for `s` to become writable (or readable) for at most `ms`.
bool wait_socket(SOCKET s, DWORD ms, bool forWrite)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv;
    tv.tv_sec = static_cast<long>(ms / 1000);
    tv.tv_usec = static_cast<long>((ms % 1000) * 1000);
    int n = forWrite ? select(0, nullptr, &set, nullptr, &tv) : select(0, &set, nullptr, nullptr, &tv);
    return n > 0 && FD_ISSET(s, &set);
}

bool send_request(SOCKET s, const char* request, size_t length)
{
    DWORD start = platform_ticks();
    size_t sent = 0;
    while (sent < length) {
        DWORD left = remaining_ms(start, kVentSendLimitMs);
        if (left == 0 || !wait_socket(s, left, true)) return false;
        size_t chunk = length - sent;
        if (chunk > 0x7fffffff) chunk = 0x7fffffff;
        int n = send(s, request + sent, static_cast<int>(chunk), 0);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

bool receive_reply(SOCKET s, char* reply, size_t capacity, size_t* received)
{
    DWORD start = platform_ticks();
    size_t got = 0;
    for (;;) {
        VentReplyState state = vent_reply_state(reply, got, capacity);
        if (state == VentReplyState::Complete) break;
        if (state == VentReplyState::Full) return false;
        DWORD left = remaining_ms(start, kVentReceiveLimitMs);
        if (left == 0 || !wait_socket(s, left, false)) return false;
        size_t room = vent_reply_room(got, capacity);
        if (room > 0x7fffffff) room = 0x7fffffff;
        int n = recv(s, reply + got, static_cast<int>(room), 0);
        if (n < 0) return false;
        if (n == 0) break;   // the database closed: that is the end of the reply
        got += static_cast<size_t>(n);
    }
    *received = got;
    return got > 0;
}

// Runs a query whose reply must come back whole and start with status 0.
bool query_status_zero(const char* request, size_t length, char* reply, size_t capacity,
                       std::string_view* text)
{
    size_t got = 0;
    if (venturi_query(request, length, reply, capacity, &got) != VentQueryResult::Replied) return false;
    *text = std::string_view(reply, got);
    int status;
    return vent_read_status(*text, &status) && status == 0;
}

bool set_profile(int value)
{
    char request[kVentRequestBytes];
    size_t length = vent_format_set_profile(request, sizeof request, value, 0);
    if (length == 0) return false;
    char reply[kVentSmallReplyBytes];
    std::string_view text;
    return query_status_zero(request, length, reply, sizeof reply, &text);
}

// The profile as the database holds it; false when it cannot be read.
bool read_profile(VentProfile* profile)
{
    char reply[kVentSmallReplyBytes];
    size_t got = 0;
    if (venturi_query(kVentProfileRequest.data(), kVentProfileRequest.size(), reply, sizeof reply, &got) !=
        VentQueryResult::Replied)
        return false;
    return vent_parse_profile(std::string_view(reply, got), profile);
}

}  // namespace

bool venturi_switch_in_use() { return g_inUse.load(); }
bool venturi_entry_points_loaded() { return g_entryPointsLoaded.load(); }

void venturi_set_service_library(const wchar_t* library)
{
    g_serviceLibrary = library ? library : kCoreLibrary;
}

VenturiActivity venturi_activity()
{
    return VenturiActivity{g_registryReads.load(), g_entryPointLookups.load(), g_serviceQueries.load(),
                           g_connections.load()};
}

void venturi_activity_reset()
{
    g_registryReads = 0;
    g_entryPointLookups = 0;
    g_serviceQueries = 0;
    g_connections = 0;
}

uint16_t venturi_db_port()
{
    RegKey key(HKEY_LOCAL_MACHINE, kConfiguratorKey);
    if (!key.get()) return kVentDefaultPort;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExW(key.get(), kPortValue, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return kVentDefaultPort;
    return static_cast<uint16_t>(value & 0xFFFF);
}

bool venturi_service_registered()
{
    RegKey key(HKEY_LOCAL_MACHINE, kServiceKey);
    if (!key.get()) return false;
    wchar_t prefix[kPrefixBytes / sizeof(wchar_t)];
    DWORD type = 0;
    DWORD size = kPrefixBytes;
    if (RegQueryValueExW(key.get(), kPrefixValue, nullptr, &type, reinterpret_cast<BYTE*>(prefix), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    // The stored string need not carry its terminator: compare by length.
    size_t units = size / sizeof(wchar_t);
    while (units > 0 && prefix[units - 1] == L'\0') --units;
    const size_t expected = sizeof kExpectedPrefix / sizeof(wchar_t) - 1;
    return units == expected && std::memcmp(prefix, kExpectedPrefix, expected * sizeof(wchar_t)) == 0;
}

VentQueryResult venturi_query(const char* request, size_t length, char* reply, size_t capacity,
                              size_t* received)
{
    *received = 0;
    if (capacity > 0) std::memset(reply, 0, capacity);
    uint16_t port = venturi_db_port();

    ++g_connections;
    QuerySocket s;
    if (!s.valid()) return VentQueryResult::NotSent;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    if (connect(s.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return VentQueryResult::NotSent;
    if (!send_request(s.get(), request, length)) return VentQueryResult::NotSent;
    if (!receive_reply(s.get(), reply, capacity, received)) {
        *received = 0;
        return VentQueryResult::NoReply;
    }
    return VentQueryResult::Replied;
}

bool venturi_switch_profile(int value)
{
    // The database applies a change to "VSLookupParams" once that table's
    // row in "MetaTable" is marked modified.
    int row;
    {
        static_assert(kVentTableReplyBytes > kVentSmallReplyBytes, "the table list is the long reply");
        // 8 KB is more than a worker's stack should carry for long: the heap.
        std::unique_ptr<char[]> reply(new char[kVentTableReplyBytes]);
        std::string_view text;
        if (!query_status_zero(kVentTableRowRequest.data(), kVentTableRowRequest.size(), reply.get(),
                               kVentTableReplyBytes, &text))
            return false;
        if (!vent_find_table_row(text, kVentProfileTable, &row)) return false;
    }

    if (!set_profile(value)) return false;

    char request[kVentRequestBytes];
    size_t length = vent_format_mark_modified(request, sizeof request, 1, row);
    char reply[kVentSmallReplyBytes];
    size_t got = 0;
    // The reply to the marking is of no interest; that it went out is.
    return length != 0 && venturi_query(request, length, reply, sizeof reply, &got) != VentQueryResult::NotSent;
}

VenturiSwitch::VenturiSwitch(uint8_t ventCtrl) : enabled(ventCtrl ? 1 : 0), switched(0), holdsService_(0)
{
    if (enabled != 1) return;
    bool free = false;
    if (!g_inUse.compare_exchange_strong(free, true)) return;   // another switch holds the service

    ++g_entryPointLookups;
    if (!service_manager_load(&g_services, g_serviceLibrary)) {
        g_inUse = false;
        return;
    }
    g_entryPointsLoaded = true;
    holdsService_ = 1;

    // Installed, registered, running, and the proxy on: each step only when
    // the one before held.
    if (!venturi_service_registered()) return;
    ++g_serviceQueries;
    HANDLE service = g_services.GetServiceHandle(const_cast<LPWSTR>(kServiceInstance), nullptr, nullptr);
    if (service == INVALID_HANDLE_VALUE || service == nullptr) return;
    VentProfile profile;
    if (!read_profile(&profile) || profile.vpn_prof != 0) return;

    switched = 1;
    if (!venturi_switch_profile(1)) switched = 0;
}

VenturiSwitch::~VenturiSwitch()
{
    if (switched == 1) venturi_switch_profile(0);
    if (enabled == 1 && holdsService_) {
        // Looked up afresh by the next switch.
        service_manager_unload(&g_services);
        g_entryPointsLoaded = false;
        g_inUse = false;
    }
}
