#include "download/curl_client.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <cwchar>

#include "analytics/report/report.h"
#include "download/curl_easy.h"
#include "download/download_util.h"
#include "utils/log.h"
#include "utils/text.h"

namespace {

constexpr long kConnectTimeout = 60;

std::wstring CurlText(int code) { return Utils::NarrowToWide(curl_easy_strerror(static_cast<CURLcode>(code)), CP_ACP); }

}  // namespace

CurlClient::CurlClient(const std::wstring& url, const std::wstring& savePath, void* owner, ProgressFn progressFn)
    : url_(url), savePath_(savePath), owner_(owner), progressFn_(progressFn) {}

CurlClient::~CurlClient() {
  abort_ = true;
  Download::RemoveFile(Download::AnsiPath(GetFilePath(true)));
}

std::wstring CurlClient::GetFilePath(bool part) const { return part ? savePath_ + L".part" : savePath_; }

int CurlClient::Start() {
  DEBUG_LOG_LINE(L"start download");
  const std::string partPath = Download::AnsiPath(GetFilePath(true));
  const std::string savePath = Download::AnsiPath(savePath_);
  const std::string url = Download::CurlUrl(url_);

  if (realUrl_.empty() || totalLength_ < kMinLength) {
    std::unique_ptr<CCurlEasy> head = Head(url);
    realUrl_ = GetRealUrl(head.get());
    totalLength_ = GetDownloadFileLength(head.get());
  }
  if (realUrl_.empty() || totalLength_ < kMinLength) {
    realUrl_ = GetRealUrl_Str(url);
    if (!realUrl_.empty()) totalLength_ = GetDownloadFileLength_Str(realUrl_);
  }

  int result = totalLength_ < kMinLength ? kTooShort : Transfer(partPath);
  DEBUG_LOG_LINE(L"error:%d:%s", result, CurlText(result).c_str());

  if (result == 0) {
    Download::RemoveFile(savePath);
    if (std::rename(partPath.c_str(), savePath.c_str()) != 0) result = CURLE_WRITE_ERROR;
  }
  DEBUG_LOG_LINE(L"end download");
  return result;
}

int CurlClient::Transfer(const std::string& partPath) {
  CCurlEasy easy;
  if (!easy) return kNoHandle;
  Download::UniqueFile file(std::fopen(partPath.c_str(), "ab+"));
  if (!file) {
    errorText_ = Download::ErrnoText(errno);
    return kPartFileError;
  }
  CURL* h = easy.get();
  handle_ = h;

  CCurlHeaders headers;
  headers.Add("Connection: keep-alive");
  headers.Add("Accept-Encoding: gzip, deflate");
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(h, CURLOPT_TCP_KEEPALIVE, 1L);
  curl_easy_setopt(h, CURLOPT_TCP_KEEPIDLE, 10L);
  curl_easy_setopt(h, CURLOPT_TCP_KEEPINTVL, 10L);
  curl_easy_setopt(h, CURLOPT_TIMEOUT, 0L);
  int rc = curl_easy_setopt(h, CURLOPT_URL, realUrl_.c_str());
  rc |= curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  rc |= curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CurlClient::WriteFun);
  rc |= curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
  rc |= curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  rc |= curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &CurlClient::ProgressCallback);
  rc |= curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);
  rc |= curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
  rc |= curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, kConnectTimeout);
  // A stalled connection must not hold the install for ever: it becomes a
  // curl error that goes through the owner's retry budget.
  rc |= easy.StallRule();
  rc |= easy.Secure();
  rc |= curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &CRangeReply::HeaderFun);
  rc |= curl_easy_setopt(h, CURLOPT_HEADERDATA, &reply_);

  resumeOffset_ = Download::FileSize(partPath);
  if (resumeOffset_ > totalLength_) {
    // Longer than the package: not a leftover of this download.
    file.reset(std::fopen(partPath.c_str(), "wb+"));
    if (!file) {
      errorText_ = Download::ErrnoText(errno);
      handle_ = nullptr;
      return kPartFileError;
    }
    resumeOffset_ = 0;
  }
  if (resumeOffset_ > 0) rc |= curl_easy_setopt(h, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(resumeOffset_));
  reply_.Expect(resumeOffset_ > 0 ? resumeOffset_ : 0, totalLength_);

  int result = rc;
  if (result == CURLE_OK && resumeOffset_ != totalLength_) {
    file_ = file.get();
    result = easy.Perform();
    file_ = nullptr;
  }
  if (reply_.Refused()) result = CURLE_RANGE_ERROR;
  handle_ = nullptr;
  if (std::fclose(file.release()) != 0 && result == CURLE_OK) result = CURLE_WRITE_ERROR;

  if (result == CURLE_OK) {
    // Only a part file of exactly the probed length is the package: a body
    // cut short without notice stays for a resume, a longer one is useless.
    const int64_t size = Download::FileSize(partPath);
    if (size != totalLength_) {
      if (size > totalLength_) Download::RemoveFile(partPath);
      result = CURLE_PARTIAL_FILE;
    }
  }
  return result;
}

size_t CurlClient::WriteFun(char* data, size_t size, size_t count, void* self) {
  auto* client = static_cast<CurlClient*>(self);
  if (!client->file_ || !client->reply_.Accept()) return 0;
  return std::fwrite(data, 1, size * count, client->file_);
}

int CurlClient::ProgressCallback(void* self, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
  auto* client = static_cast<CurlClient*>(self);
  if (client->abort_) return 1;
  const int64_t seconds = static_cast<int64_t>(std::time(nullptr));
  if (seconds <= client->lastProgressTime_) return 0;
  client->lastProgressTime_ = seconds;

  curl_off_t speedBytes = 0;
  if (client->handle_) curl_easy_getinfo(client->handle_, CURLINFO_SPEED_DOWNLOAD_T, &speedBytes);
  const double speed = static_cast<double>(speedBytes);

  double percent = 0.0;
  if (client->totalLength_ > kMinLength) {
    percent = static_cast<double>(now + client->resumeOffset_) / static_cast<double>(client->totalLength_) * 100.0;
  } else {
    if (now <= 0 || total <= 0) return 0;
    percent = static_cast<double>(now) * 100.0 / static_cast<double>(total);
  }
  if (percent == 0.0) return 0;
  if (client->progressFn_) client->progressFn_(client->owner_, speed, 0.0, percent);
  if (total != 0) {
    DEBUG_LOG(L" %dM %dM   progress:%f%%  speed:%f \n", static_cast<int>(now / Download::kMiB),
              static_cast<int>(total / Download::kMiB), static_cast<double>(static_cast<float>(percent)),
              static_cast<double>(static_cast<float>(speed / 1024.0)));
  }
  return 0;
}

CURLcode CurlClient::ProbeOptions(CCurlEasy& easy, const std::string& url) {
  CURL* h = easy.get();
  int rc = curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  rc |= curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
  rc |= curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CCurlEasy::Discard);
  rc |= curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, kConnectTimeout);
  // A probe that stalls ends like a stalled transfer, and stops with the client.
  rc |= easy.StallRule();
  rc |= easy.StopOn(&abort_);
  rc |= easy.Secure();
  return static_cast<CURLcode>(rc);
}

std::unique_ptr<CCurlEasy> CurlClient::Head(const std::string& url) {
  auto easy = std::make_unique<CCurlEasy>();
  if (!*easy) {
    DEBUG_LOG_LINE(L"error:%d:%s", 0, CurlText(0).c_str());
    return nullptr;
  }
  int code = ProbeOptions(*easy, url);
  code |= curl_easy_setopt(easy->get(), CURLOPT_FOLLOWLOCATION, 1L);
  if (code == CURLE_OK) {
    code = easy->Perform();
    if (code != CURLE_OK) DEBUG_LOG(L"error:%d:%s", code, CurlText(code).c_str());
  }
  DEBUG_LOG_LINE(L"error:%d:%s", code, CurlText(code).c_str());
  return easy;
}

std::string CurlClient::GetRealUrl(CCurlEasy* handle) {
  if (!handle || !*handle) return "";
  char* effective = nullptr;
  if (curl_easy_getinfo(handle->get(), CURLINFO_EFFECTIVE_URL, &effective) != CURLE_OK || !effective) return "";
  return effective;
}

int64_t CurlClient::GetDownloadFileLength(CCurlEasy* handle) {
  const bool usable = handle && *handle;
  curl_off_t length = -1;
  const CURLcode code =
      usable ? curl_easy_getinfo(handle->get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) : CURLE_FAILED_INIT;
  DEBUG_LOG_LINE(L"error:%d:%s", static_cast<int>(code), CurlText(code).c_str());
  long status = 0;
  if (usable && curl_easy_getinfo(handle->get(), CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status >= 200 &&
      status <= 399)
    return length;
  ReportSizeFailure(status);
  return -1;
}

int64_t CurlClient::GetDownloadFileLength_Str(const std::string& url) {
  int64_t length = -1;
  int code = CURLE_OK;
  CCurlEasy easy;
  if (easy) {
    code = ProbeOptions(easy, url);
    code |= curl_easy_setopt(easy.get(), CURLOPT_HEADER, 1L);
    if (code == CURLE_OK) {
      easy.Perform();
      curl_off_t probed = -1;
      curl_easy_getinfo(easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &probed);
      length = probed;
      long status = 0;
      code = curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status);
      // Unlike the check after the first probe, 400 passes here.
      if (code != CURLE_OK || status < 200 || status > 400) ReportSizeFailure(status);
    }
  }
  DEBUG_LOG_LINE(L"error:%d:%s", code, CurlText(code).c_str());
  return length;
}

std::string CurlClient::GetRealUrl_Str(const std::string& url) {
  CCurlEasy easy;
  if (!easy) return url;
  int code = ProbeOptions(easy, url);
  code |= curl_easy_setopt(easy.get(), CURLOPT_FOLLOWLOCATION, 1L);
  if (code != CURLE_OK) return url;
  code = easy.Perform();
  if (code != CURLE_OK) {
    DEBUG_LOG(L"error:%d:%s", code, CurlText(code).c_str());
    return url;
  }
  char* effective = nullptr;
  if (curl_easy_getinfo(easy.get(), CURLINFO_EFFECTIVE_URL, &effective) != CURLE_OK || !effective || !*effective)
    return url;
  return effective;
}

void CurlClient::ReportSizeFailure(long status) {
  if (abort_) return;  // a probe stopped by its owner says nothing about the server
  wchar_t reason[200] = {};
  std::swprintf(reason, 200, L"1.获取文件大小的状态码为=%ld；", status);
  ReportTask(L"下载失败原因", 0.0f, reason, {{L"AB", L"IN"}});
}
