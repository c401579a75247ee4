// Every downloader refuses a server whose certificate the system does not
// trust, or that names another host, and downloads from one it trusts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "download/downloader.h"
#include "download_test_support.h"
#include "utils/process.h"

#include <wincrypt.h>

using namespace dltest;

namespace {

constexpr DWORD kRunTimeoutMs = 90000;
const char kAuthorityPrefix[] = "Lumavox Test Authority";

const char* Mode() {
  const char* value = std::getenv("LUMAVOX_TLS_CHILD");
  return value ? value : "";
}

HCERTSTORE OpenMachineRoot() {
  return ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
}

// Adds the test server's authority to the machine's root store. The store is
// closed at once: only then is it written where other processes see it.
bool AddAuthority() {
  std::string unixPath = std::getenv("LUMAVOX_TEST_CA") ? std::getenv("LUMAVOX_TEST_CA") : "";
  std::wstring path = L"Z:" + Narrow2Wide(unixPath);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  std::string pem;
  if (!ReadFileBytes(path, pem)) return false;
  DWORD size = 0;
  if (!::CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr))
    return false;
  std::string der(size, '\0');
  if (!::CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, reinterpret_cast<BYTE*>(&der[0]), &size,
                              nullptr, nullptr))
    return false;
  HCERTSTORE store = OpenMachineRoot();
  if (!store) return false;
  const bool added =
      ::CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()), size,
                                         CERT_STORE_ADD_REPLACE_EXISTING, nullptr) != FALSE;
  ::CertCloseStore(store, 0);
  return added;
}

// Removes every test authority (this run's and any a broken run left).
// Wine keeps the machine's added roots under the registry key below and
// does not always drop them through the store, so the key goes as well.
void RemoveAuthorities() {
  HCERTSTORE store = OpenMachineRoot();
  if (!store) return;
  std::vector<PCCERT_CONTEXT> found;
  PCCERT_CONTEXT cert = nullptr;
  while ((cert = ::CertEnumCertificatesInStore(store, cert)) != nullptr) {
    char name[256] = {};
    ::CertGetNameStringA(cert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, sizeof(name));
    if (std::string(name).rfind(kAuthorityPrefix, 0) == 0) found.push_back(::CertDuplicateCertificateContext(cert));
  }
  for (PCCERT_CONTEXT old : found) {  // not while enumerating: that restarts the enumeration
    BYTE hash[20];
    DWORD size = sizeof(hash);
    if (::CertGetCertificateContextProperty(old, CERT_SHA1_HASH_PROP_ID, hash, &size)) {
      wchar_t key[128] = L"Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\";
      for (DWORD i = 0; i < size; ++i) std::swprintf(key + wcslen(key), 3, L"%02X", hash[i]);
      ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, key);
    }
    ::CertDeleteCertificateFromStore(old);
  }
  ::CertCloseStore(store, 0);
}

std::wstring HttpsUrl(const std::string& host, const std::string& id) {
  return Narrow2Wide("https://" + host + ":" + std::to_string(HttpsPort()) + "/dl/id=" + id +
                     ",size=1500000,seed=9/software/206");
}

struct Outcome {
  std::string codes;
  std::vector<Event> events;
};

Outcome Download(int32_t type, const std::wstring& url, const std::wstring& save) {
  EventLog log;
  {
    std::unique_ptr<CDownloader> downloader = CreateDownloader(type, log.Callback(), url, save);
    downloader->Start();
    log.WaitForRunEnds(1, kRunTimeoutMs);
  }
  const std::vector<Event> events = log.Events();
  return {Codes(events), events};
}

const int32_t kTypes[] = {1, 2, 3};  // CCurlDownloader, CWinDownloader, CMTCurlDownloader

// First, in this process, before any test authority is trusted.
TEST(UntrustedServer, FailsWithoutARequest) {
  if (*Mode()) GTEST_SKIP();
  ASSERT_GT(HttpsPort(), 0) << "run through the server wrapper with --https";
  RemoveAuthorities();
  for (int32_t type : kTypes) {
    const std::string id = "tls" + std::to_string(type) + "_untrusted";
    TempDir dir;
    const std::wstring save = dir.File(L"package.exe");
    const Outcome untrusted = Download(type, HttpsUrl("localhost", id), save);
    EXPECT_EQ(untrusted.codes, "1001 1004") << type << "\n" << Describe(untrusted.events);
    EXPECT_TRUE(ServerLog(id).empty()) << type << ": no request reaches an untrusted server";
    EXPECT_FALSE(Exists(save)) << type;
  }
}

// The child processes: the system reads its trusted roots once per process.
TEST(TlsChild, Act) {
  const std::string mode = Mode();
  if (mode == "add") {
    EXPECT_TRUE(AddAuthority());
  } else if (mode == "remove") {
    RemoveAuthorities();
  } else {
    GTEST_SKIP();
  }
}

TEST(TlsChild, TrustedServerWorksUnderItsOwnNameOnly) {
  if (std::string(Mode()) != "check") GTEST_SKIP();
  for (int32_t type : kTypes) {
    const std::string tag = "tls" + std::to_string(type) + "_";
    TempDir dir;
    const std::wstring save = dir.File(L"package.exe");

    const Outcome misnamed = Download(type, HttpsUrl("127.0.0.1", tag + "misnamed"), save);
    EXPECT_EQ(misnamed.codes, "1001 1004") << type << "\n" << Describe(misnamed.events);
    EXPECT_TRUE(ServerLog(tag + "misnamed").empty()) << type;

    const Outcome trusted = Download(type, HttpsUrl("localhost", tag + "trusted"), save);
    EXPECT_EQ(trusted.codes, "1001 1003") << type << "\n" << Describe(trusted.events);
    std::string data;
    EXPECT_TRUE(ReadFileBytes(save, data)) << type;
    EXPECT_EQ(Difference(data, Body(1500000, 9)), "") << type;
  }
}

// Runs this program again with one test and a mode; its output on failure.
std::string RunChild(const wchar_t* mode, const wchar_t* filter, DWORD& exitCode) {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  ::SetEnvironmentVariableW(L"LUMAVOX_TLS_CHILD", mode);
  Utils::Process child;
  child.Launch(L"\"" + std::wstring(self) + L"\" --gtest_filter=" + filter);
  ::SetEnvironmentVariableW(L"LUMAVOX_TLS_CHILD", nullptr);
  std::string output;
  char block[4096];
  DWORD got = 0;
  while (::ReadFile(child.Output(), block, sizeof(block), &got, nullptr) && got > 0) output.append(block, got);
  ::WaitForSingleObject(child.ProcessHandle(), INFINITE);
  exitCode = child.ExitCode();
  return output;
}

TEST(TrustedServer, InChildProcesses) {
  if (*Mode()) GTEST_SKIP();
  DWORD code = 1;
  std::string output = RunChild(L"add", L"TlsChild.Act", code);
  ASSERT_EQ(code, 0u) << output;
  output = RunChild(L"check", L"TlsChild.TrustedServerWorksUnderItsOwnNameOnly", code);
  EXPECT_EQ(code, 0u) << output;
  EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
  const std::string removeOutput = RunChild(L"remove", L"TlsChild.Act", code);
  EXPECT_EQ(code, 0u) << removeOutput;
}

}  // namespace
