#pragma once
// The installer's report functions: the only way into usage analytics.
// Each does nothing while analytics are off or no tracker exists.

#include <map>
#include <string>

using ReportProperties = std::map<std::wstring, std::wstring>;  // only "AB" is read

void InitAnalytics();
void ReleaseAnalytics();
void ReportTask(const std::wstring& taskName, float elapsedSeconds, const std::wstring& reason,
                const ReportProperties& extra);
void ReportClick(const std::wstring& buttonText, const ReportProperties& extra);
void ReportView(const ReportProperties& extra);
void ReportCrash();
