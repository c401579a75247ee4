#include "download/win_downloader.h"

#include <objbase.h>

#include "download/download_util.h"
#include "utils/text.h"

using namespace InstallEventCode;

namespace {

const wchar_t kServiceName[] = L"URLDownloadToFile";
constexpr DWORD kWatchIntervalMs = 200;

class ComApartment {
 public:
  ComApartment() : hr_(::CoInitialize(nullptr)) {}
  ~ComApartment() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT hr_;
};

}  // namespace

CWinDownloader::CWinDownloader(InstallEventCallback callback, const std::wstring& url, const std::wstring& savePath)
    : callback_(std::move(callback)),
      savePath_(savePath),
      url_(url),
      stopEvent_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      thread_(this, L"ABDEF", [this](void*) { dlThreadFun(); }) {}

CWinDownloader::~CWinDownloader() {
  bindCallback_.Abort();
  if (stopEvent_) ::SetEvent(stopEvent_.get());
  thread_.Join();
}

void CWinDownloader::Start() {
  // The run thread reads the callback copy; it is given once, before the
  // thread starts.
  if (started_) return;
  started_ = true;
  bindCallback_.SetCallback(callback_);
  thread_.Resume();
}

void CWinDownloader::Send(int32_t code, double value, const std::wstring& text) {
  if (!bindCallback_.Aborted() && callback_) callback_(code, value, text);
}

void CWinDownloader::watchFun(HANDLE runEnded) {
  const HANDLE events[] = {runEnded, stopEvent_.get()};
  for (;;) {
    const DWORD woke = ::WaitForMultipleObjects(stopEvent_ ? 2 : 1, events, FALSE, kWatchIntervalMs);
    if (woke == WAIT_OBJECT_0) return;
    if (woke == WAIT_OBJECT_0 + 1 || bindCallback_.Aborted() || bindCallback_.IdleMs() > kStallMs) {
      bindCallback_.AbortBinding();
    }
  }
}

void CWinDownloader::dlThreadFun() {
  const ComApartment com;
  Send(DL_CODE_START, 1.0, L"");
  if (savePath_.empty()) {
    Send(DL_CODE_FAIL, 1.0, L"");
    return;
  }
  const std::wstring url = Download::IsFileUrl(url_) ? url_ : Utils::UrlEncode(url_);

  // The service has no stall limit of its own and cannot be stopped from
  // its callbacks while no data arrives: a watcher stops the binding.
  Utils::UniqueHandle runEnded(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  Utils::Thread watcher(runEnded.get(), L"ABDEF", [this](void* event) { watchFun(static_cast<HANDLE>(event)); });
  watcher.Resume();

  for (int attempt = 1; attempt <= kAttempts && !bindCallback_.Aborted(); ++attempt) {
    bindCallback_.BeginAttempt();
    HRESULT hr = ::URLDownloadToFileW(nullptr, url.c_str(), savePath_.c_str(), 0, &bindCallback_);
    if (SUCCEEDED(hr)) hr = bindCallback_.CheckAnswer(savePath_);
    if (SUCCEEDED(hr)) {
      Send(DOWNLOAD_SUCCESS, 0.0, kServiceName);
      break;
    }
    // Whatever the service left there (an error page, a cut body) is no package.
    ::DeleteFileW(savePath_.c_str());
    if (Download::WaitStop(stopEvent_.get(), kPauseMs)) break;
    if (attempt == kAttempts) Send(DL_CODE_FAIL, static_cast<double>(static_cast<int32_t>(hr)), kServiceName);
  }
  ::SetEvent(runEnded.get());
  watcher.Join();
}
