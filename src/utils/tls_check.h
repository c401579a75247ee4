#pragma once
// A check of a TLS server that does not rely on the TLS library alone.

#include <curl/curl.h>

namespace Utils {

// For the connection of a curl handle that has just connected (call it from
// curl's pre-request callback): true for plain HTTP; for HTTPS, true only
// when the server's certificate chains to a root of the system's trust store
// and is valid for the host of the request. Schannel verifies the server on
// Windows, but not every Schannel does (Wine's accepts any certificate), and
// what travels over these connections is run with administrator rights or
// carries device identifiers.
bool IsServerCertificateTrusted(CURL* handle);

}  // namespace Utils
