// Switching the Venturi compression proxy off for the time of a post and back
// on afterwards, through the proxy client's configuration database on the
// loopback address and the platform's service manager. Every failure is
// silent and leaves the proxy as it was: the post goes on either way.
#pragma once
#include <cstddef>
#include <cstdint>

// Created on the posting worker at the start of a post, destroyed when the
// post ends, whatever way it ends.
class VenturiSwitch {
public:
    // `ventCtrl` is the VentCtrl setting; with 0 nothing at all is touched.
    explicit VenturiSwitch(uint8_t ventCtrl);
    // Restores the profile if this object switched it.
    virtual ~VenturiSwitch();
    VenturiSwitch(const VenturiSwitch&) = delete;
    VenturiSwitch& operator=(const VenturiSwitch&) = delete;

    uint8_t enabled;    // VentCtrl when created
    uint8_t switched;   // this object changed the profile and must restore it

private:
    // Only the switch that took the in-use mark gives it back: a second switch
    // created meanwhile must not release the first one's hold on its end.
    uint8_t holdsService_;
};

// Process-wide state, readable for tests.
bool venturi_switch_in_use();
bool venturi_entry_points_loaded();

// The library the service-manager entry points are looked up in; nullptr
// puts back the platform's core library. For tests.
void venturi_set_service_library(const wchar_t* library);

// What the switch has reached out to since the last reset: registry keys
// opened, look-ups of the service-manager entry points, GetServiceHandle
// calls and connections attempted to the configuration database.
struct VenturiActivity {
    long registryReads;
    long entryPointLookups;
    long serviceQueries;
    long connections;
};
VenturiActivity venturi_activity();
void venturi_activity_reset();

// The pieces the switch is made of.

// TCP port of the configuration database: "DBPORT" under
// HKLM\Software\Venturi\Venturi Configurator, low 16 bits; 8975 when absent.
constexpr uint16_t kVentDefaultPort = 8975;
uint16_t venturi_db_port();

// HKLM\Services\VentSM has "Prefix" equal to "VSM": the client is registered.
bool venturi_service_registered();

// One query exchange: connect, send within kVentSendLimitMs, receive within
// kVentReceiveLimitMs into `reply` (zero-filled first; all but its last byte
// may be filled), shut down and close.
constexpr unsigned kVentSendLimitMs = 4000;
constexpr unsigned kVentReceiveLimitMs = 8000;
enum class VentQueryResult {
    NotSent,    // no connection, or the request did not go out whole in time
    NoReply,    // sent, but no whole reply came back
    Replied,    // a whole reply is in the buffer
};
VentQueryResult venturi_query(const char* request, size_t length, char* reply, size_t capacity,
                              size_t* received);

// Switches the profile to `value` (0 or 1): finds the row of "VSLookupParams",
// sets the value, marks the row modified. True when all of it went out.
bool venturi_switch_profile(int value);
