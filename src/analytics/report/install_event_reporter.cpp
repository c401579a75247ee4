#include "analytics/report/install_event_reporter.h"

#include "analytics/report/report.h"
#include "config/install_config.h"
#include "download/install_event.h"

void CInstallEventReporter::ReportDownloaderStartOnce() {
  if (downloaderStartReported_) return;
  downloaderStartReported_ = true;
  ReportTask(ReportName::kDownloaderStart, 0, L"", {{L"AB", label_}});
}

void CInstallEventReporter::OnStartQuery() { ReportDownloaderStartOnce(); }

void CInstallEventReporter::OnInstallEvent(int32_t code, double value, const std::wstring& text) {
  using namespace InstallEventCode;
  switch (code) {
    case DL_CODE_START:
      if (!labelCopied_) {
        labelCopied_ = true;
        label_ = g_InstallConfig.AbGroup;
      }
      ReportDownloaderStartOnce();
      ReportTask(ReportName::kPackageDownloadStart, 0, L"", {{L"AB", label_}});
      stopwatch_.Start();
      break;
    case DOWNLOAD_SUCCESS:
      ReportTask(ReportName::kPackageDownloaded, stopwatch_.ElapsedSeconds(), L"", {{L"AB", label_}});
      break;
    case INSTALL_SUCCESS:
      ReportTask(ReportName::kInstalled, 0, L"", {{L"AB", label_}});
      break;
    case DL_CODE_FAIL:
      ReportTask(ReportName::kDownloadFailure, 0, DownloadFailureReason(value, text, CheckDownloadTarget(packagePath_)),
                 {{L"AB", label_}});
      break;
    case DL_CODE_NOTICE:
      ReportTask(ReportName::kDownloadFailure, 0, EventFailureReason(value, text), {{L"AB", label_}});
      break;
    case IST_CODE_FAIL:
      ReportTask(ReportName::kInstallFailure, 0, EventFailureReason(value, text), {{L"AB", label_}});
      break;
    default:
      break;
  }
}

void CInstallEventReporter::OnInstallPageShown() { ReportView({{L"AB", label_}}); }

void CInstallEventReporter::OnClick(const std::wstring& buttonText) { ReportClick(buttonText, {{L"AB", label_}}); }
