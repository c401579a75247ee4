#include "download/mt_curl_downloader.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "config/install_config.h"
#include "utils/log.h"
#include "utils/system.h"
#include "utils/text.h"

using namespace InstallEventCode;

namespace {

const wchar_t kLibCurl[] = L"LibCurl";
constexpr long kConnectTimeout = 60;
constexpr size_t kJoinBlock = 1024 * 1024;

std::wstring CurlText(int code) { return Utils::NarrowToWide(curl_easy_strerror(static_cast<CURLcode>(code)), CP_ACP); }

}  // namespace

std::vector<CMTCurlDownloader::PartRange> CMTCurlDownloader::SplitParts(int64_t fileLength) {
  std::vector<PartRange> ranges;
  if (fileLength <= 0) return ranges;
  const int64_t count = std::clamp<int64_t>(fileLength / kPartUnit, 1, kMaxParts);
  const int64_t partSize = fileLength / count;
  for (int64_t i = 0; i < count; ++i) {
    const int64_t start = i * partSize;
    const int64_t size = i == count - 1 ? fileLength - start : partSize;
    ranges.push_back({start, start + size - 1});
  }
  return ranges;
}

std::string CMTCurlDownloader::RangeText(int64_t from, int64_t to) {
  char text[64];
  std::snprintf(text, sizeof(text), "%lld-%lld", static_cast<long long>(from), static_cast<long long>(to));
  return text;
}

std::string CMTCurlDownloader::PartPath(const std::string& ansiSavePath, int index) {
  return ansiSavePath + "_" + std::to_string(index);
}

CMTCurlDownloader::CMTCurlDownloader(InstallEventCallback callback, const std::wstring& url,
                                     const std::wstring& savePath)
    : callback_(std::move(callback)),
      savePath_(savePath),
      url_(url),
      stopEvent_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  // No stale package or part may survive from an earlier run.
  Download::RemoveFile(Download::AnsiPath(savePath_));
  deletePartFiles();
}

CMTCurlDownloader::~CMTCurlDownloader() {
  abort_ = true;
  if (stopEvent_) ::SetEvent(stopEvent_.get());
  thread_.Join();
  clearParts();
  deletePartFiles();
}

void CMTCurlDownloader::Start() {
  if (abort_) return;
  thread_.Run([this] { Start_Down(); });
}

void CMTCurlDownloader::Send(int32_t code, double value, const std::wstring& text) {
  // A downloader being destroyed reports nothing more.
  if (!abort_ && callback_) callback_(code, value, text);
}

void CMTCurlDownloader::deletePartFiles() {
  const std::string save = Download::AnsiPath(savePath_);
  for (int i = 0; i < kMaxParts; ++i) Download::RemoveFile(PartPath(save, i));
}

void CMTCurlDownloader::clearParts() { parts_.clear(); }

void CMTCurlDownloader::Start_Down() {
  Send(DL_CODE_START, 1.0, L"");
  DEBUG_LOG_LINE(L"start download");
  const std::string save = Download::AnsiPath(savePath_);
  const std::string url = Download::CurlUrl(url_);

  Download::RemoveFile(save);
  {
    std::lock_guard<std::mutex> lock(progressMutex_);
    // Without progress in the last attempt nothing of it is worth resuming.
    if (lastPercent_ == 0.0) deletePartFiles();
  }

  if (realUrl_.empty() || fileLength_ < kMinLength) {
    if (!getRealDownloadUrl(url)) {
      Send(DL_CODE_FAIL, 0.0, kLibCurl);
      return;
    }
  }

  const std::vector<PartRange> ranges = SplitParts(fileLength_);
  for (size_t i = 0; i < ranges.size(); ++i) {
    auto node = std::make_unique<DownloadPartNode>();
    node->owner = this;
    node->url = realUrl_;
    node->partPath = PartPath(save, static_cast<int>(i));
    const int64_t partSize = ranges[i].end - ranges[i].start + 1;
    int64_t present =
        Download::FileExists(node->partPath) ? std::max<int64_t>(0, Download::FileSize(node->partPath)) : 0;
    if (present > partSize) {
      // More bytes than the part has: not a leftover of this part.
      Download::RemoveFile(node->partPath);
      present = 0;
    }
    node->received = present;
    node->next = ranges[i].start + present;
    node->end = ranges[i].end;
    node->handle = std::make_unique<CCurlEasy>();
    if (i == 0 && urlMd5_.size() == 32) {
      node->md5 = std::make_unique<Utils::Md5Hasher>();
      if (!node->md5->UpdateFromFile(node->partPath, present)) node->md5.reset();
    }
    if (node->next > node->end) {
      node->result = 0;
    } else {
      node->result = -1;
      node->file.reset(std::fopen(node->partPath.c_str(), "ab+"));
      if (!node->file) node->result = -2;
    }
    parts_.push_back(std::move(node));
  }

  std::vector<std::unique_ptr<Utils::Thread>> partThreads;
  for (auto& node : parts_) {
    if (node->result != -1 || abort_) continue;
    partThreads.push_back(std::make_unique<Utils::Thread>(
        node.get(), L"ABDEF", [this](void* part) { downloadThreadFun(static_cast<DownloadPartNode*>(part)); }));
    partThreads.back()->Resume();
    Download::WaitStop(stopEvent_.get(), kPartStaggerMs);
  }
  waitForFinishThreadFun(partThreads);
}

bool CMTCurlDownloader::getRealDownloadUrl(const std::string& url) {
  realUrl_.clear();
  urlMd5_.clear();
  fileLength_ = 0;
  if (!g_InstallConfig.CurlReady) return false;
  CCurlEasy easy;
  if (!easy) return false;
  CURL* h = easy.get();

  CCurlHeaders headers;
  headers.Add("Connection: keep-alive");
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
  int rc = curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  rc |= curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  rc |= curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
  rc |= easy.Secure();
  rc |= curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CCurlEasy::Discard);
  rc |= curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, kConnectTimeout);
  rc |= easy.StallRule();
  rc |= easy.StopOn(&abort_);
  if (rc != CURLE_OK) return false;
  if (easy.Perform() != CURLE_OK) return false;

  char* effective = nullptr;
  if (curl_easy_getinfo(h, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective && *effective) {
    realUrl_ = effective;
    DEBUG_LOG_LINE(L"Download File real url %s", Utils::NarrowToWide(realUrl_, CP_ACP).c_str());
    urlMd5_ = Utils::Md5FromUrl(realUrl_);
  }
  curl_off_t length = -1;
  long status = 0;
  if (curl_easy_getinfo(h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
      curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status >= 200 && status <= 399) {
    fileLength_ = length;
    DEBUG_LOG_LINE(L"Download File Length %lld", static_cast<long long>(fileLength_));
  }
  return !realUrl_.empty() && fileLength_ >= kMinLength;
}

void CMTCurlDownloader::downloadThreadFun(DownloadPartNode* node) {
  int budget = kRetryBudget;
  int result = downloadExe(node);
  while (result != 0 && budget > 0 && !abort_) {
    DEBUG_LOG_LINE(L"CurlDownLoader Code=%d", result);
    budget -= result == CURLE_PARTIAL_FILE ? 1 : 2;
    if (Download::WaitStop(stopEvent_.get(), kRetryPauseMs) || abort_) break;
    result = downloadExe(node);
  }
  node->file.reset();
}

int CMTCurlDownloader::downloadExe(DownloadPartNode* node) {
  const std::string range = RangeText(node->next, node->end);
  node->reply.Expect(node->next, fileLength_);
  CCurlEasy& easy = *node->handle;
  CURL* h = easy.get();
  if (!h) return CURLE_FAILED_INIT;

  int rc = curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  rc |= curl_easy_setopt(h, CURLOPT_URL, node->url.c_str());
  rc |= curl_easy_setopt(h, CURLOPT_TIMEOUT, 0L);
  rc |= curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  rc |= curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CMTCurlDownloader::writeFun);
  rc |= curl_easy_setopt(h, CURLOPT_WRITEDATA, node);
  rc |= curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  rc |= curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &CMTCurlDownloader::progressFun);
  rc |= curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);
  rc |= curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
  rc |= curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, kConnectTimeout);
  rc |= easy.Secure();
  rc |= easy.StallRule();
  rc |= curl_easy_setopt(h, CURLOPT_RANGE, range.c_str());
  rc |= curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &CRangeReply::HeaderFun);
  rc |= curl_easy_setopt(h, CURLOPT_HEADERDATA, &node->reply);
  if (rc != CURLE_OK) return rc;

  int result = easy.Perform();
  if (node->reply.Refused()) {
    result = CURLE_RANGE_ERROR;
  } else if (node->next > node->end) {
    // Every byte of the part arrived; what the server sent past its end
    // (and the write error that cut it off) changes nothing.
    result = CURLE_OK;
  } else if (result == CURLE_OK) {
    // An answer that ended before the part did (a shorter range, a body
    // without a length that stopped early): resume like after a cut.
    result = CURLE_PARTIAL_FILE;
  }
  if (result != CURLE_OK) {
    DEBUG_LOG_LINE(L"error:%d:%s", result, CurlText(result).c_str());
  } else {
    DEBUG_LOG_LINE(L"curl_easy_cleanup");
  }
  easy.Reset();
  if (result == CURLE_OK) node->file.reset();
  node->result = result;
  return result;
}

size_t CMTCurlDownloader::writeFun(char* data, size_t size, size_t count, void* part) {
  auto* node = static_cast<DownloadPartNode*>(part);
  if (!node || !node->file || node->owner->abort_) return 0;
  if (!node->reply.Accept()) return 0;
  if (node->next > node->end) return 0;
  const size_t room = static_cast<size_t>(node->end - node->next + 1);
  const size_t written = std::fwrite(data, 1, std::min(size * count, room), node->file.get());
  if (node->md5) node->md5->Update(data, written);
  node->next += static_cast<int64_t>(written);
  node->received += static_cast<int64_t>(written);
  return written;
}

int CMTCurlDownloader::progressFun(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* downloader = static_cast<CMTCurlDownloader*>(self);
  if (downloader->abort_) return 1;
  // Both part threads come through here: one lock keeps the once-a-second
  // gate and the percentage consistent, and the 1002 events in order.
  std::lock_guard<std::mutex> lock(downloader->progressMutex_);
  const int64_t now = static_cast<int64_t>(std::time(nullptr));
  if (now <= downloader->lastProgressTime_) return 0;
  downloader->lastProgressTime_ = now;

  double percent = 0.0;
  if (downloader->fileLength_ >= kMinLength) {
    for (const auto& node : downloader->parts_) {
      const int64_t received = node->received;
      if (received > 0) percent += static_cast<double>(received) * 100.0 / static_cast<double>(downloader->fileLength_);
    }
    if (percent > 100.0) return 0;
  }
  if (percent - downloader->lastPercent_ >= 1.0) {
    downloader->lastPercent_ = percent;
    downloader->Send(DL_CODE_PROGRESS, percent / 100.0, L"");
  }
  return 0;
}

void CMTCurlDownloader::waitForFinishThreadFun(std::vector<std::unique_ptr<Utils::Thread>>& partThreads) {
  for (auto& thread : partThreads) thread->Join();
  partThreads.clear();
  if (abort_) {
    clearParts();
    return;
  }

  for (const auto& node : parts_) {
    if (node->result != 0) {
      failAttempt(node->result);
      return;
    }
  }

  {
    std::lock_guard<std::mutex> lock(progressMutex_);
    lastPercent_ = 0.0;
  }
  const std::string save = Download::AnsiPath(savePath_);
  // The digest of part 0 was made while it was written; the join adds the
  // other part's bytes as it copies them.
  std::unique_ptr<Utils::Md5Hasher> md5 = std::move(parts_.front()->md5);
  if (md5 && (!md5->Ok() || md5->Bytes() != parts_.front()->end + 1)) md5.reset();
  if (!joinParts(save, md5.get())) {
    // The parts could not be made into the package: nothing of them is
    // trusted any more.
    Download::RemoveFile(save);
    deletePartFiles();
    failAttempt(-2);
    return;
  }

  if (urlMd5_.size() == 32) {
    const bool hashed = md5 && md5->Ok() && md5->Bytes() == fileLength_;
    const std::string fileMd5 = hashed ? md5->HexDigest() : Utils::FileMd5(save);
    if (fileMd5.size() == 32 && fileMd5 != urlMd5_) {
      Send(DL_CODE_NOTICE, 0.0, L"mtcurl文件md5校验失败");
      Download::RemoveFile(save);
      clearParts();
      if (retried_) {
        DEBUG_LOG_LINE(L"finish recv, md5 chaek failed and retry failed.");
        Send(DL_CODE_FAIL, 0.0, kLibCurl);
      } else {
        retried_ = true;
        DEBUG_LOG_LINE(L"finish recv, md5 chaek failed retry once.");
        Send(DL_CODE_RETRY, 0.0, kLibCurl);
      }
      return;
    }
  } else {
    Send(DL_CODE_NOTICE, 0.0, L"mtcurl获取url-md5失败");
  }
  DEBUG_LOG_LINE(L"finish recv");
  clearParts();
  Send(DOWNLOAD_SUCCESS, 0.0, kLibCurl);
}

bool CMTCurlDownloader::joinParts(const std::string& save, Utils::Md5Hasher* md5) {
  for (auto& node : parts_) node->file.reset();
  bool ok = true;
  {
    Download::UniqueFile out(std::fopen(PartPath(save, 0).c_str(), "ab+"));
    if (!out) ok = false;
    std::unique_ptr<char[]> block(new char[kJoinBlock]);
    for (size_t i = 1; i < parts_.size(); ++i) {
      const std::string& path = parts_[i]->partPath;
      Download::UniqueFile in(std::fopen(path.c_str(), "rb"));
      if (!in || !out) {
        ok = false;
      } else {
        size_t n;
        while ((n = std::fread(block.get(), 1, kJoinBlock, in.get())) > 0) {
          if (std::fwrite(block.get(), 1, n, out.get()) != n) {
            ok = false;
            break;
          }
          if (md5) md5->Update(block.get(), n);
        }
        if (std::ferror(in.get())) ok = false;
      }
      DEBUG_LOG_LINE(L"partPath::%s", Utils::NarrowToWide(path, CP_ACP).c_str());
    }
    if (out && std::fclose(out.release()) != 0) ok = false;
  }
  if (!ok) return false;
  Download::RemoveFile(save);
  if (std::rename(PartPath(save, 0).c_str(), save.c_str()) != 0) return false;
  deletePartFiles();
  // A joined file of another length than the probed one is not the package.
  return Download::FileSize(save) == fileLength_;
}

void CMTCurlDownloader::failAttempt(int32_t code) {
  clearParts();
  bool progressed;
  {
    std::lock_guard<std::mutex> lock(progressMutex_);
    progressed = lastPercent_ != 0.0;
    if (retried_) lastPercent_ = 0.0;
  }
  if (!progressed) deletePartFiles();
  if (!retried_) {
    retried_ = true;
    Send(DL_CODE_RETRY, code, kLibCurl);
  } else {
    Send(DL_CODE_FAIL, code, kLibCurl);
  }
}
