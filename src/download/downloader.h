#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "download/install_event.h"

// A package downloader. Start begins (or begins again) the download on a
// worker thread and returns at once; results arrive only through the
// callback given at construction (events 1001 to 1006).
class CDownloader {
 public:
  virtual ~CDownloader() = default;
  virtual void Start() = 0;
};

// 2: CWinDownloader, 3: CMTCurlDownloader, anything else: CCurlDownloader.
std::unique_ptr<CDownloader> CreateDownloader(int32_t downloadType, InstallEventCallback callback,
                                              const std::wstring& url, const std::wstring& savePath);
