#include "download/curl_downloader.h"

#include "download/download_util.h"
#include "utils/log.h"
#include "utils/system.h"

using namespace InstallEventCode;

namespace {
const wchar_t kLibCurl[] = L"LibCurl";
}

CCurlDownloader::CCurlDownloader(InstallEventCallback callback, const std::wstring& url, const std::wstring& savePath)
    : callback_(std::move(callback)),
      savePath_(savePath),
      url_(url),
      client_(url, savePath, this, &CCurlDownloader::progressHook),
      stopEvent_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  // Every downloader starts from nothing.
  Download::RemoveFile(Download::AnsiPath(client_.GetFilePath(true)));
}

CCurlDownloader::~CCurlDownloader() {
  abort_ = true;
  client_.Abort();
  if (stopEvent_) ::SetEvent(stopEvent_.get());
  thread_.Join();
}

void CCurlDownloader::Start() {
  if (abort_) return;
  thread_.Run([this] { dlThreadFun(); });
}

void CCurlDownloader::Send(int32_t code, double value, const std::wstring& text) {
  // A downloader being destroyed reports nothing more.
  if (!abort_ && callback_) callback_(code, value, text);
}

void CCurlDownloader::progressHook(void* self, double speed, double, double percent) {
  if (speed > 0.0 && percent <= 100.0)
    static_cast<CCurlDownloader*>(self)->Send(DL_CODE_PROGRESS, percent / 100.0, L"");
}

void CCurlDownloader::dlThreadFun() {
  Send(DL_CODE_START, 1.0, L"");
  if (savePath_.empty()) {
    Send(DL_CODE_FAIL, 1.0, L"");
    return;
  }

  int budget = kRetryBudget;
  int result = client_.Start();
  while (result != 0) {
    if (abort_) return;
    budget -= result == CURLE_PARTIAL_FILE ? 1 : 2;
    if (budget <= 0) {
      Send(DL_CODE_FAIL, result, kLibCurl);
      return;
    }
    DEBUG_LOG_LINE(L"CurlDownLoader Code=%d", result);
    if (Download::WaitStop(stopEvent_.get(), kRetryPauseMs) || abort_) return;
    result = client_.Start();
  }

  const std::string urlMd5 = Utils::Md5FromUrl(client_.RealUrl());
  if (urlMd5.size() == 32) {
    const std::string fileMd5 = Utils::FileMd5(Download::AnsiPath(savePath_));
    if (fileMd5.size() == 32 && fileMd5 != urlMd5) {
      Send(DL_CODE_NOTICE, 0.0, L"curl文件md5校验失败");
      if (retried_) {
        Send(DL_CODE_FAIL, 0.0, kLibCurl);
      } else {
        retried_ = true;
        Send(DL_CODE_RETRY, 0.0, kLibCurl);
      }
      return;
    }
  } else {
    Send(DL_CODE_NOTICE, 0.0, L"curl获取url-md5失败");
  }
  Send(DOWNLOAD_SUCCESS, 0.0, kLibCurl);
}
