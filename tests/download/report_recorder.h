#pragma once
// The download tests link this recorder in place of the analytics report
// functions, to see which reports the downloaders make.

#include <string>
#include <vector>

#include "analytics/report/report.h"

namespace dltest {

struct RecordedTask {
  std::wstring name;
  float elapsed;
  std::wstring reason;
  ReportProperties extra;
};

std::vector<RecordedTask> TakeRecordedTasks();

}  // namespace dltest
