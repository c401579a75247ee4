#include "download_test_support.h"

#include <curl/curl.h>
#include <gtest/gtest.h>
#include <tlhelp32.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <sstream>

#include "utils/system.h"
#include "utils/text.h"

namespace dltest {
namespace {

// libcurl wants its global set-up once per process, as the installer's
// entry routine does it.
class CurlEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(curl_global_init(CURL_GLOBAL_ALL), CURLE_OK); }
  void TearDown() override { curl_global_cleanup(); }
};
[[maybe_unused]] ::testing::Environment* const kCurlEnvironment =
    ::testing::AddGlobalTestEnvironment(new CurlEnvironment);

int EnvInt(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::atoi(value) : 0;
}

size_t Collect(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

uint64_t SplitMix(uint64_t& state) {
  state += 0x9E3779B97F4A7C15ull;
  uint64_t z = state;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

void PutLe64(char* at, uint64_t v) {
  for (int i = 0; i < 8; ++i) at[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

int HttpPort() { return EnvInt("LUMAVOX_HTTP_PORT"); }
int HttpsPort() { return EnvInt("LUMAVOX_HTTPS_PORT"); }

std::string Url(const std::string& opts, const std::string& tail) {
  return "http://127.0.0.1:" + std::to_string(HttpPort()) + "/dl/" + opts + "/" + tail;
}

std::wstring WUrl(const std::string& opts, const std::string& tail) { return Narrow2Wide(Url(opts, tail)); }

std::vector<Request> ServerLog(const std::string& id) {
  std::vector<Request> log;
  CURL* h = curl_easy_init();
  if (!h) return log;
  std::string text;
  const std::string url = "http://127.0.0.1:" + std::to_string(HttpPort()) + "/_log?id=" + id;
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Collect);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &text);
  curl_easy_setopt(h, CURLOPT_TIMEOUT, 10L);
  const CURLcode rc = curl_easy_perform(h);
  curl_easy_cleanup(h);
  if (rc != CURLE_OK) return log;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    Request r;
    fields >> r.ms >> r.method >> r.path >> r.range >> r.action;
    log.push_back(r);
  }
  return log;
}

std::vector<Request> Gets(const std::vector<Request>& log) {
  std::vector<Request> gets;
  for (const Request& r : log) {
    if (r.method == "GET" && r.path.find("/software/") == std::string::npos &&
        r.path.find("/hop/") == std::string::npos)
      gets.push_back(r);
  }
  return gets;
}

std::vector<std::string> GetRanges(const std::vector<Request>& log) {
  std::vector<std::string> ranges;
  for (const Request& r : Gets(log)) ranges.push_back(r.range);
  return ranges;
}

std::string Body(int64_t size, uint64_t seed) {
  constexpr size_t kBlock = 65536;
  std::string base(kBlock, '\0');
  uint64_t state = seed;
  for (size_t i = 0; i < kBlock / 8; ++i) PutLe64(&base[i * 8], SplitMix(state));
  std::string body(static_cast<size_t>(size), '\0');
  for (size_t at = 0, index = 0; at < body.size(); at += kBlock, ++index) {
    std::string block = base;
    PutLe64(&block[0], seed);
    PutLe64(&block[8], index);
    body.replace(at, std::min(kBlock, body.size() - at), block, 0, std::min(kBlock, body.size() - at));
  }
  return body;
}

std::string Md5Hex(const std::string& data) {
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
  std::string hex;
  if (::CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
      ::CryptCreateHash(provider, CALG_MD5, 0, 0, &hash) &&
      ::CryptHashData(hash, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()), 0)) {
    BYTE digest[16];
    DWORD size = sizeof(digest);
    if (::CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0)) {
      static const char kHex[] = "0123456789abcdef";
      for (BYTE b : digest) {
        hex.push_back(kHex[b >> 4]);
        hex.push_back(kHex[b & 15]);
      }
    }
  }
  if (hash) ::CryptDestroyHash(hash);
  if (provider) ::CryptReleaseContext(provider, 0);
  return hex;
}

TempDir::TempDir() {
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH, temp);
  path_ = std::wstring(temp) + L"lumavox-dl-" + Utils::NewGuidString();
  ::CreateDirectoryW(path_.c_str(), nullptr);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(path_), ignored);
}

bool ReadFileBytes(const std::wstring& path, std::string& data) {
  data.clear();
  FILE* f = _wfopen(path.c_str(), L"rb");
  if (!f) return false;
  char block[65536];
  size_t n;
  while ((n = std::fread(block, 1, sizeof(block), f)) > 0) data.append(block, n);
  std::fclose(f);
  return true;
}

bool WriteFileBytes(const std::wstring& path, const std::string& data) {
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (!f) return false;
  const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  return std::fclose(f) == 0 && ok;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

int64_t SizeOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string Difference(const std::string& actual, const std::string& expected) {
  if (actual == expected) return "";
  size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  return "sizes " + std::to_string(actual.size()) + " and " + std::to_string(expected.size()) +
         ", first difference at byte " + std::to_string(at);
}

std::wstring Narrow2Wide(const std::string& text) { return Utils::NarrowToWide(text, CP_UTF8); }

std::wstring FileUrl(const std::wstring& path) {
  std::wstring url = L"file:///" + path;
  for (wchar_t& c : url) {
    if (c == L'\\') c = L'/';
  }
  return url;
}

EventLog::EventLog() : start_(::GetTickCount64()) {}

InstallEventCallback EventLog::Callback() {
  return [this](int32_t code, double value, const std::wstring& text) { Add(code, value, text); };
}

void EventLog::Add(int32_t code, double value, const std::wstring& text) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back({code, value, text, static_cast<double>(::GetTickCount64() - start_),
                       static_cast<int64_t>(std::time(nullptr))});
  }
  changed_.notify_all();
}

bool EventLog::WaitForRunEnds(size_t count, DWORD timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    size_t ends = 0;
    for (const Event& e : events_) ends += IsRunEnd(e.code) ? 1 : 0;
    return ends >= count;
  });
}

bool EventLog::WaitFor(int32_t code, DWORD timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    for (const Event& e : events_) {
      if (e.code == code) return true;
    }
    return false;
  });
}

std::vector<Event> EventLog::Events() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return events_;
}

size_t EventLog::Count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return events_.size();
}

bool IsRunEnd(int32_t code) {
  return code == InstallEventCode::DOWNLOAD_SUCCESS || code == InstallEventCode::DL_CODE_FAIL ||
         code == InstallEventCode::DL_CODE_RETRY;
}

std::vector<Event> RunEvents(const std::vector<Event>& events, size_t n) {
  std::vector<Event> run;
  size_t index = 0;
  for (const Event& e : events) {
    if (index == n) run.push_back(e);
    if (IsRunEnd(e.code)) {
      if (index == n) break;
      ++index;
    }
  }
  return run;
}

std::string Codes(const std::vector<Event>& events) {
  std::string codes;
  for (const Event& e : events) {
    if (e.code == InstallEventCode::DL_CODE_PROGRESS) continue;
    if (!codes.empty()) codes += " ";
    codes += std::to_string(e.code);
  }
  return codes;
}

std::string ProgressFault(const std::vector<Event>& events) {
  double last = 0.0;
  for (const Event& e : events) {
    if (e.code != InstallEventCode::DL_CODE_PROGRESS) continue;
    if (!e.text.empty()) return "a progress event with a text";
    if (!(e.value > 0.0 && e.value <= 1.0)) return "progress value " + std::to_string(e.value);
    if (e.value < last) return "progress went back from " + std::to_string(last) + " to " + std::to_string(e.value);
    last = e.value;
  }
  return "";
}

size_t ProgressCount(const std::vector<Event>& events) {
  size_t n = 0;
  for (const Event& e : events) n += e.code == InstallEventCode::DL_CODE_PROGRESS ? 1 : 0;
  return n;
}

const Event* Last(const std::vector<Event>& events, int32_t code) {
  const Event* found = nullptr;
  for (const Event& e : events) {
    if (e.code == code) found = &e;
  }
  return found;
}

std::string Describe(const std::vector<Event>& events) {
  std::string text;
  for (const Event& e : events) {
    char line[128];
    std::snprintf(line, sizeof(line), "%.0fms %d %g ", e.ms, e.code, e.value);
    text += line + Utils::WideToNarrow(e.text, CP_UTF8) + "\n";
  }
  return text;
}

int ThreadCount() {
  using QueryThread = LONG(WINAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
  static const auto query = reinterpret_cast<QueryThread>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationThread")));
  constexpr int kThreadQuerySetWin32StartAddress = 9;
  const auto* image = reinterpret_cast<const BYTE*>(::GetModuleHandleW(nullptr));
  const auto* headers =
      reinterpret_cast<const IMAGE_NT_HEADERS*>(image + reinterpret_cast<const IMAGE_DOS_HEADER*>(image)->e_lfanew);
  const BYTE* imageEnd = image + headers->OptionalHeader.SizeOfImage;

  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  int count = 0;
  const DWORD self = ::GetCurrentProcessId();
  for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != self) continue;
    bool ours = true;  // counted when its start cannot be told
    HANDLE thread = ::OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
    if (thread) {
      const BYTE* start = nullptr;
      if (query && query(thread, kThreadQuerySetWin32StartAddress, &start, sizeof(start), nullptr) == 0) {
        ours = start >= image && start < imageEnd;
      }
      ::CloseHandle(thread);
    }
    count += ours ? 1 : 0;
  }
  ::CloseHandle(snapshot);
  return count;
}

void ExpectStopsAtOnce(const std::function<std::unique_ptr<CDownloader>()>& make, EventLog& log, const StopCase& c) {
  const int threadsBefore = ThreadCount();
  std::unique_ptr<CDownloader> downloader = make();
  downloader->Start();
  if (c.waitFor) {
    ASSERT_TRUE(log.WaitFor(c.waitFor, 90000));
  }
  ::Sleep(c.delayMs);
  EXPECT_GT(ThreadCount(), threadsBefore) << "the workers are seen while they run";
  const size_t eventsBefore = log.Count();
  const ULONGLONG begin = ::GetTickCount64();
  downloader.reset();
  EXPECT_LT(::GetTickCount64() - begin, 2500u) << "the destructor stops the transfer instead of waiting for its end";
  ::Sleep(300);
  EXPECT_EQ(log.Count(), eventsBefore) << "no event after destruction";
  EXPECT_LE(ThreadCount(), threadsBefore) << "every worker thread has ended";
}

}  // namespace dltest
