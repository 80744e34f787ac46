// The TLS side of the loopback board server for the tests. The platform's
// TLS library makes no server side under Wine, so a private Apache started by
// tools/tlsfront.sh (once a test process, stopped at its exit) answers HTTPS
// with the certificates of tools/testcerts.sh and hands every request on to
// a relay of this process, which passes it to the board server a test named.
// The test root is installed into the process's machine root store first.
#pragma once
#include <cstdint>
#include <string>

enum class TestCert { Server, Expired, WrongHost, Untrusted };

// The front's port answering with `cert`; 0, with the reason in `why`, when
// the root or the front could not be had.
uint16_t tls_front_port(TestCert cert, std::string* why);

// The test root of tools/testcerts.sh in the machine's root store (of the
// Wine prefix: programs started from the test trust it too); false, with the
// reason in `why`, when it cannot be had.
bool install_test_root(std::string* why);

// The board server that requests through the front reach from now on.
void tls_front_relay_to(uint16_t boardPort);
