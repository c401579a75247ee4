#include "report_recorder.h"

#include <mutex>

namespace {

std::mutex g_mutex;
std::vector<dltest::RecordedTask> g_tasks;

}  // namespace

void InitAnalytics() {}
void ReleaseAnalytics() {}

void ReportTask(const std::wstring& taskName, float elapsedSeconds, const std::wstring& reason,
                const ReportProperties& extra) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_tasks.push_back({taskName, elapsedSeconds, reason, extra});
}

void ReportClick(const std::wstring&, const ReportProperties&) {}
void ReportView(const ReportProperties&) {}
void ReportCrash() {}

namespace dltest {

std::vector<RecordedTask> TakeRecordedTasks() {
  std::lock_guard<std::mutex> lock(g_mutex);
  std::vector<RecordedTask> tasks;
  tasks.swap(g_tasks);
  return tasks;
}

}  // namespace dltest
