#pragma once
// The single-connection downloader: one CurlClient transfer with resume,
// retried inside the run while a budget lasts, then checked against the MD5
// that the final URL carries.

#include <atomic>
#include <string>

#include "download/curl_client.h"
#include "download/downloader.h"
#include "download/run_thread.h"
#include "utils/handle.h"

class CCurlDownloader : public CDownloader {
 public:
  static constexpr int kRetryBudget = 12;
  static constexpr unsigned kRetryPauseMs = 500;

  CCurlDownloader(InstallEventCallback callback, const std::wstring& url, const std::wstring& savePath);
  // Stops a running transfer and waits for it; no event follows. Not from
  // inside the callback.
  ~CCurlDownloader() override;

  void Start() override;

 private:
  static void progressHook(void* self, double speed, double unused, double percent);
  void dlThreadFun();
  void Send(int32_t code, double value, const std::wstring& text);

  InstallEventCallback callback_;
  std::wstring savePath_;
  std::wstring url_;
  CurlClient client_;
  bool retried_ = false;
  std::atomic<bool> abort_{false};
  Utils::UniqueHandle stopEvent_;  // wakes the pause between retries at destruction
  CRunThread thread_;
};
