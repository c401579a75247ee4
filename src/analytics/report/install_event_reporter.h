#pragma once
// The install funnel as one main window reports it: pipeline events,
// the start query, page changes and button clicks become the catalogue's
// task, view and click reports under the window's A/B label.

#include <cstdint>
#include <string>

#include "analytics/report/report.h"
#include "utils/system.h"

class CInstallEventReporter {
 public:
  // packagePath: where the package is downloaded, checked when a download
  // fails for good.
  explicit CInstallEventReporter(std::wstring packagePath = L"") : packagePath_(std::move(packagePath)) {}

  void SetPackagePath(const std::wstring& path) { packagePath_ = path; }
  const std::wstring& Label() const { return label_; }

  // A pipeline event (download start, complete, failure, notice, install
  // success or failure); other codes report nothing.
  void OnInstallEvent(int32_t code, double value, const std::wstring& text);
  // The window's start query (message 1224): the downloader start, once.
  void OnStartQuery();
  // The window shows its installing page.
  void OnInstallPageShown();
  void OnClick(const std::wstring& buttonText);

 private:
  void ReportDownloaderStartOnce();

  std::wstring packagePath_;
  std::wstring label_ = L"IN";
  bool labelCopied_ = false;
  bool downloaderStartReported_ = false;
  Utils::Stopwatch stopwatch_;
};
