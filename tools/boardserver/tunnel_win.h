// Byte pipes between two loopback sockets: the board server's CONNECT tunnel
// (to a TLS front of the board or of the engine) and the tests' relay.
#pragma once
#include <winsock2.h>

#include <atomic>
#include <cstdint>

#include "base/handles.h"

namespace boardserver {

// A blocking connection to 127.0.0.1:port; invalid when refused.
UniqueSocket connect_loopback(uint16_t port);

// Copies bytes both ways until either side closes or `stopping` is set; each
// close is passed on as a shutdown of the other side's sending direction.
void pipe_sockets(SOCKET a, SOCKET b, const std::atomic<bool>& stopping);

}  // namespace boardserver
