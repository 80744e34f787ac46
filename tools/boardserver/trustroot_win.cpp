#include "tools/boardserver/trustroot_win.h"

#include <windows.h>
#include <wincrypt.h>

namespace boardserver {

bool trust_root_certificate(const std::string& der, std::string* why)
{
    if (der.empty()) {
        *why = "no certificate";
        return false;
    }
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    if (!store) {
        *why = "the machine root store cannot be opened";
        return false;
    }
    BOOL ok = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                               static_cast<DWORD>(der.size()), CERT_STORE_ADD_USE_EXISTING, nullptr);
    CertCloseStore(store, 0);
    if (!ok) *why = "the certificate cannot be added to the root store";
    return ok != FALSE;
}

}  // namespace boardserver
