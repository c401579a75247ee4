// Placeholder bodies until the tracker layer lands: every report is dropped,
// which is also what happens when analytics are off.
#include "analytics/report/report.h"

void InitAnalytics() {}
void ReleaseAnalytics() {}
void ReportTask(const std::wstring&, float, const std::wstring&, const ReportProperties&) {}
void ReportClick(const std::wstring&, const ReportProperties&) {}
void ReportView(const ReportProperties&) {}
void ReportCrash() {}
