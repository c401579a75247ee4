#pragma once
// What the download tests share: the local package server (its URLs, its
// request log, the bodies it generates), a recorder of download events, and
// temporary folders.

// winsock2.h goes before windows.h, as curl's header wants it.
#include <winsock2.h>

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "download/downloader.h"
#include "download/install_event.h"

namespace dltest {

// ---- the server ----------------------------------------------------------

int HttpPort();   // LUMAVOX_HTTP_PORT
int HttpsPort();  // LUMAVOX_HTTPS_PORT, 0 without HTTPS
// "http://127.0.0.1:<port>/dl/<opts>/<tail>"
std::string Url(const std::string& opts, const std::string& tail = "software/206");
std::wstring WUrl(const std::string& opts, const std::string& tail = "software/206");

struct Request {
  double ms = 0;
  std::string method;
  std::string path;
  std::string range;  // the Range header, "-" without one
  std::string action;
};
std::vector<Request> ServerLog(const std::string& id);
std::vector<Request> Gets(const std::vector<Request>& log);
std::vector<std::string> GetRanges(const std::vector<Request>& log);

// The server's generated body: 64 KiB blocks of one splitmix64 stream, each
// block starting with the seed and its index.
std::string Body(int64_t size, uint64_t seed);
std::string Md5Hex(const std::string& data);

// ---- files -----------------------------------------------------------------

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::wstring& Path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

bool ReadFileBytes(const std::wstring& path, std::string& data);
bool WriteFileBytes(const std::wstring& path, const std::string& data);
bool Exists(const std::wstring& path);
int64_t SizeOf(const std::wstring& path);  // -1 when missing
// "" when equal, else where and how they differ.
std::string Difference(const std::string& actual, const std::string& expected);
std::wstring Narrow2Wide(const std::string& text);
// A file:/// URL for a Windows path.
std::wstring FileUrl(const std::wstring& path);

// ---- events ------------------------------------------------------------------

struct Event {
  int32_t code;
  double value;
  std::wstring text;
  double ms;       // since the recorder was made
  int64_t second;  // calendar time in whole seconds
};

class EventLog {
 public:
  EventLog();
  InstallEventCallback Callback();
  // Waits until count events ending a run (1003, 1004, 1005) arrived.
  bool WaitForRunEnds(size_t count, DWORD timeoutMs);
  // Waits until an event of that code arrived.
  bool WaitFor(int32_t code, DWORD timeoutMs);
  std::vector<Event> Events() const;
  size_t Count() const;

 private:
  void Add(int32_t code, double value, const std::wstring& text);
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Event> events_;
  ULONGLONG start_;
};

bool IsRunEnd(int32_t code);
// The events of run n (0-based): from its 1001 to its end event.
std::vector<Event> RunEvents(const std::vector<Event>& events, size_t n);
// The codes without progress events, e.g. "1001 1006 1003".
std::string Codes(const std::vector<Event>& events);
// Every 1002 has an empty text and a value in (0, 1], rising: "" or the fault.
std::string ProgressFault(const std::vector<Event>& events);
size_t ProgressCount(const std::vector<Event>& events);
const Event* Last(const std::vector<Event>& events, int32_t code);
std::string Describe(const std::vector<Event>& events);

// Threads of this process that run code of this program (not of a system
// library): the download workers must all be gone after destruction, while
// the system's URL service may keep threads of its own for a while.
int ThreadCount();

// A moment at which a running downloader is destroyed.
struct StopCase {
  const char* name;
  std::string extra;  // server options for the download
  int32_t waitFor;    // destroy after this event (0: after the delay alone)
  DWORD delayMs;      // and after this pause
};
// Makes and starts a downloader reporting to log, destroys it at the case's
// moment, and checks that the destruction stops the transfer instead of
// waiting for its end, that the workers were seen running and are all gone,
// and that no event follows.
void ExpectStopsAtOnce(const std::function<std::unique_ptr<CDownloader>()>& make, EventLog& log, const StopCase& c);

}  // namespace dltest
