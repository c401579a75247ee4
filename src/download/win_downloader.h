#pragma once
// The downloader built on the system's URL download service
// (URLDownloadToFileW): three attempts a second apart, progress through
// CBindCallback. It runs once per downloader.

#include <atomic>
#include <string>

#include "download/bind_callback.h"
#include "download/downloader.h"
#include "utils/handle.h"
#include "utils/thread.h"

class CWinDownloader : public CDownloader {
 public:
  static constexpr int kAttempts = 3;
  static constexpr unsigned kPauseMs = 1000;
  // A binding without any sign of life for this long has stalled and is
  // stopped, like a curl transfer below 1 byte per second for 5 seconds.
  static constexpr unsigned kStallMs = 5000;

  CWinDownloader(InstallEventCallback callback, const std::wstring& url, const std::wstring& savePath);
  // Stops a running binding and waits for the thread; no event follows.
  // Not from inside the callback.
  ~CWinDownloader() override;

  // The first call starts the run; later calls do nothing.
  void Start() override;

 private:
  void dlThreadFun();
  void watchFun(HANDLE runEnded);
  void Send(int32_t code, double value, const std::wstring& text);

  CBindCallback bindCallback_;
  InstallEventCallback callback_;
  std::wstring savePath_;
  std::wstring url_;
  bool started_ = false;
  Utils::UniqueHandle stopEvent_;  // set at destruction
  Utils::Thread thread_;           // created suspended
};
