#include "download/curl_downloader.h"
#include "download/downloader.h"
#include "download/mt_curl_downloader.h"
#include "download/win_downloader.h"

std::unique_ptr<CDownloader> CreateDownloader(int32_t downloadType, InstallEventCallback callback,
                                              const std::wstring& url, const std::wstring& savePath) {
  switch (downloadType) {
    case 2:
      return std::make_unique<CWinDownloader>(std::move(callback), url, savePath);
    case 3:
      return std::make_unique<CMTCurlDownloader>(std::move(callback), url, savePath);
    default:
      return std::make_unique<CCurlDownloader>(std::move(callback), url, savePath);
  }
}
