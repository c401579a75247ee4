#pragma once
// The segmented downloader: up to two parallel range requests, each into
// its own part file on its own thread, resumed after failures; then the
// parts are joined and checked against the MD5 the final URL carries. One
// whole-download retry (1005) per downloader.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "download/download_part_node.h"
#include "download/downloader.h"
#include "download/run_thread.h"
#include "utils/handle.h"
#include "utils/thread.h"

class CMTCurlDownloader : public CDownloader {
 public:
  static constexpr int64_t kPartUnit = 10 * 1024 * 1024;
  static constexpr int kMaxParts = 2;
  static constexpr int kRetryBudget = 12;
  static constexpr unsigned kRetryPauseMs = 400;
  static constexpr unsigned kPartStaggerMs = 100;
  static constexpr int64_t kMinLength = 256;  // a shorter probed length is no package

  struct PartRange {
    int64_t start;
    int64_t end;  // inclusive
  };
  // The split rule: length / 10 MiB parts, at least one, at most two; each
  // part gets length / count bytes, the last also the remainder.
  static std::vector<PartRange> SplitParts(int64_t fileLength);
  // The Range text of a request for bytes from..to.
  static std::string RangeText(int64_t from, int64_t to);
  // The part file of part index: the save path + "_" + index.
  static std::string PartPath(const std::string& ansiSavePath, int index);

  CMTCurlDownloader(InstallEventCallback callback, const std::wstring& url, const std::wstring& savePath);
  // Stops the running attempt, waits for all its threads and deletes the
  // part files; no event follows. Not from inside the callback.
  ~CMTCurlDownloader() override;

  void Start() override;

 private:
  void Start_Down();
  bool getRealDownloadUrl(const std::string& url);
  void downloadThreadFun(DownloadPartNode* node);
  int downloadExe(DownloadPartNode* node);
  void waitForFinishThreadFun(std::vector<std::unique_ptr<Utils::Thread>>& partThreads);
  bool joinParts(const std::string& ansiSavePath, Utils::Md5Hasher* md5);
  void failAttempt(int32_t code);
  void clearParts();
  void deletePartFiles();
  void Send(int32_t code, double value, const std::wstring& text);
  static size_t writeFun(char* data, size_t size, size_t count, void* node);
  static int progressFun(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

  std::vector<std::unique_ptr<DownloadPartNode>> parts_;
  InstallEventCallback callback_;
  std::wstring savePath_;
  std::wstring url_;
  std::string realUrl_;
  int64_t fileLength_ = -1;
  std::string urlMd5_;
  // The progress gate: both part threads pass through it.
  std::mutex progressMutex_;
  double lastPercent_ = 0.0;  // 0.0: no progress reported in this attempt
  int64_t lastProgressTime_ = 0;
  bool retried_ = false;
  std::atomic<bool> abort_{false};
  Utils::UniqueHandle stopEvent_;  // wakes pauses at destruction
  CRunThread thread_;
};
