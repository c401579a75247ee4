// The certificate chain and host name of a curl connection, checked with the
// system's own chain engine and trust store.
// curl's header brings winsock2.h, which must come before windows.h.
#include "utils/tls_check.h"

#include <windows.h>
#define SECURITY_WIN32
#include <security.h>

#include <schannel.h>
#include <wincrypt.h>

#include <cstring>
#include <memory>
#include <string>

#include "utils/text.h"

namespace Utils {
namespace {

struct CertContextFree {
  void operator()(PCCERT_CONTEXT c) const { ::CertFreeCertificateContext(c); }
};
struct ChainFree {
  void operator()(PCCERT_CHAIN_CONTEXT c) const { ::CertFreeCertificateChain(c); }
};
struct CurlUrlFree {
  void operator()(CURLU* u) const { curl_url_cleanup(u); }
};
struct CurlStringFree {
  void operator()(char* s) const { curl_free(s); }
};

std::wstring RequestHost(CURL* handle) {
  char* url = nullptr;
  if (curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &url) != CURLE_OK || !url) return L"";
  std::unique_ptr<CURLU, CurlUrlFree> parsed(curl_url());
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url, 0) != CURLUE_OK) return L"";
  char* rawHost = nullptr;
  if (curl_url_get(parsed.get(), CURLUPART_HOST, &rawHost, 0) != CURLUE_OK || !rawHost) return L"";
  std::unique_ptr<char, CurlStringFree> host(rawHost);
  std::string text(host.get());
  if (text.size() > 2 && text.front() == '[' && text.back() == ']') text = text.substr(1, text.size() - 2);
  return Utils::NarrowToWide(text, CP_UTF8);
}

}  // namespace

bool IsServerCertificateTrusted(CURL* handle) {
  const char* scheme = nullptr;
  if (curl_easy_getinfo(handle, CURLINFO_SCHEME, &scheme) != CURLE_OK || !scheme) return false;
  if (_stricmp(scheme, "https") != 0) return true;

  curl_tlssessioninfo* session = nullptr;
  if (curl_easy_getinfo(handle, CURLINFO_TLS_SSL_PTR, &session) != CURLE_OK || !session ||
      session->backend != CURLSSLBACKEND_SCHANNEL || !session->internals)
    return false;

  PCCERT_CONTEXT rawCert = nullptr;
  if (::QueryContextAttributesW(static_cast<CtxtHandle*>(session->internals), SECPKG_ATTR_REMOTE_CERT_CONTEXT,
                                &rawCert) != SEC_E_OK ||
      !rawCert)
    return false;
  std::unique_ptr<const CERT_CONTEXT, CertContextFree> cert(rawCert);

  const std::wstring host = RequestHost(handle);
  if (host.empty()) return false;

  LPSTR usages[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
  CERT_CHAIN_PARA chainPara = {};
  chainPara.cbSize = sizeof(chainPara);
  chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
  chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
  chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  PCCERT_CHAIN_CONTEXT rawChain = nullptr;
  // Intermediates the server sent are in the certificate's own store.
  if (!::CertGetCertificateChain(nullptr, cert.get(), nullptr, cert->hCertStore, &chainPara, 0, nullptr, &rawChain) ||
      !rawChain)
    return false;
  std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainFree> chain(rawChain);

  // Revocation is Schannel's business; an unknown revocation state is no
  // reason to refuse here. Every other problem of the chain is: some chain
  // policies let a partial chain (no trusted root at all) through.
  constexpr DWORD kRevocationOnly = CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;
  if ((chain->TrustStatus.dwErrorStatus & ~kRevocationOnly) != 0) return false;

  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl = {};
  ssl.cbSize = sizeof(ssl);
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.pwszServerName = const_cast<wchar_t*>(host.c_str());
  CERT_CHAIN_POLICY_PARA policy = {};
  policy.cbSize = sizeof(policy);
  policy.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS status = {};
  status.cbSize = sizeof(status);
  if (!::CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policy, &status)) return false;
  return status.dwError == 0;
}

}  // namespace Utils
