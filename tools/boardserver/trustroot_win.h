// A root certificate made trusted in the machine's root store of the Wine
// prefix, for the TLS of the tests and the demonstration (the test root of
// tools/testcerts.sh): programs started in the prefix trust it from then on.
#pragma once
#include <string>

namespace boardserver {

// `der`: the certificate's DER bytes. False, with the reason in `why`, when
// it cannot be added; adding it again is no change.
bool trust_root_certificate(const std::string& der, std::string* why);

}  // namespace boardserver
