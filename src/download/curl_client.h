#pragma once
// Fetches one file over HTTP(S) (or a file:/// URL) into a local path with a
// single libcurl transfer. HEAD probes learn the final URL after redirects
// and the length, which must be at least 1 MiB. The body goes to the part
// file (save path + ".part"), which an earlier run's leftover resumes, and
// is renamed to the save path only when the transfer succeeded and has the
// probed length.

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "download/range_reply.h"

class CCurlEasy;

class CurlClient {
 public:
  // Called at most once per second while the transfer runs, with
  // (owner, speed in bytes per second, 0.0, percent).
  using ProgressFn = void (*)(void* owner, double speed, double unused, double percent);

  // The client's own failure codes; anything positive is a curl result.
  static constexpr int kPartFileError = -996;
  static constexpr int kNoHandle = -997;
  static constexpr int kTooShort = -998;
  static constexpr int64_t kMinLength = 1024 * 1024;

  CurlClient(const std::wstring& url, const std::wstring& savePath, void* owner, ProgressFn progressFn);
  // Deletes the part file. The owner stops and waits for a running Start first.
  ~CurlClient();
  CurlClient(const CurlClient&) = delete;
  CurlClient& operator=(const CurlClient&) = delete;

  std::wstring GetFilePath(bool part) const;

  // Probes (unless an earlier run learnt a good URL and length) and
  // downloads; blocks until the transfer ends. 0 on success.
  int Start();
  // Makes a running Start end soon (its transfer fails); may be called from
  // any thread. It stays set.
  void Abort() { abort_ = true; }

  static int ProgressCallback(void* client, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t);

  // A performed HEAD request following redirects, for the caller to query;
  // null when no handle could be made.
  std::unique_ptr<CCurlEasy> Head(const std::string& url);
  static std::string GetRealUrl(CCurlEasy* handle);
  // The probed content length when the status is 200 to 399, else -1.
  int64_t GetDownloadFileLength(CCurlEasy* handle);
  // A separate HEAD request (no redirects) for the content length.
  int64_t GetDownloadFileLength_Str(const std::string& url);
  // A separate HEAD request following redirects: the final URL, or url.
  std::string GetRealUrl_Str(const std::string& url);

  const std::string& RealUrl() const { return realUrl_; }
  int64_t TotalLength() const { return totalLength_; }
  int64_t ResumeOffset() const { return resumeOffset_; }
  const std::wstring& ErrorText() const { return errorText_; }

 private:
  static size_t WriteFun(char* data, size_t size, size_t count, void* self);
  CURLcode ProbeOptions(CCurlEasy& easy, const std::string& url);
  int Transfer(const std::string& partPath);
  void ReportSizeFailure(long status);

  std::wstring url_;
  std::wstring savePath_;
  void* owner_;
  CURL* handle_ = nullptr;  // the running transfer's handle
  ProgressFn progressFn_;
  int64_t totalLength_ = -1;
  int64_t resumeOffset_ = -1;
  int64_t lastProgressTime_ = 0;
  std::atomic<bool> abort_{false};
  std::wstring errorText_;
  std::string realUrl_;

  FILE* file_ = nullptr;  // the part file while the transfer runs
  CRangeReply reply_;
};
