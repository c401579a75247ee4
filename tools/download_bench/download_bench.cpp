// The benchmark's Windows side: runs one downloader to its end, restarting
// it after 1005 as the pipeline does, and prints what the script measures.
//
//   download_bench <downloadType> <url> <savePath>
//
// Output, one "key value" per line:
//   result <code> <value>      the last event
//   elapsed_ms <ms>            from the first Start to the last event
//   end_epoch_ms <ms>          wall-clock time of the last event (ms since 1970)
//   progress_events <n>
//   working_set_start <bytes>  the process as it entered main
//   working_set_before <bytes> the process before the download began (libcurl set up)
//   peak_working_set <bytes>   the peak of the whole process up to the end
// Exit code 0 when the download ended with 1003.
#include <winsock2.h>

#include <windows.h>

#include <psapi.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include <curl/curl.h>

#include "download/downloader.h"

namespace {

double EpochMs() {
  FILETIME ft;
  ::GetSystemTimePreciseAsFileTime(&ft);
  const unsigned long long ticks = (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return static_cast<double>(ticks - 116444736000000000ull) / 10000.0;  // 100 ns since 1601 -> ms since 1970
}

double NowMs() {
  LARGE_INTEGER counter, frequency;
  ::QueryPerformanceCounter(&counter);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

size_t WorkingSet(bool peak) {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters))) return 0;
  return peak ? counters.PeakWorkingSetSize : counters.WorkingSetSize;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: download_bench <downloadType> <url> <savePath>\n");
    return 2;
  }
  const size_t atStart = WorkingSet(false);
  if (curl_global_init(CURL_GLOBAL_ALL) != CURLE_OK) return 3;

  std::mutex mutex;
  std::condition_variable changed;
  int32_t lastCode = 0;
  double lastValue = 0.0;
  double endEpoch = 0.0;
  double endNow = 0.0;
  int progressEvents = 0;
  bool runEnded = false;

  auto callback = [&](int32_t code, double value, const std::wstring&) {
    std::lock_guard<std::mutex> lock(mutex);
    if (code == 1002) ++progressEvents;
    if (code == 1003 || code == 1004 || code == 1005) {
      lastCode = code;
      lastValue = value;
      endEpoch = EpochMs();
      endNow = NowMs();
      runEnded = true;
      changed.notify_all();
    }
  };

  const size_t before = WorkingSet(false);
  {
    std::unique_ptr<CDownloader> downloader = CreateDownloader(_wtoi(argv[1]), callback, argv[2], argv[3]);
    const double begin = NowMs();
    for (int run = 0; run < 2; ++run) {
      {
        std::lock_guard<std::mutex> lock(mutex);
        runEnded = false;
      }
      downloader->Start();
      std::unique_lock<std::mutex> lock(mutex);
      changed.wait(lock, [&] { return runEnded; });
      if (lastCode != 1005) break;
    }
    std::printf("result %d %g\n", lastCode, lastValue);
    std::printf("elapsed_ms %.1f\n", endNow - begin);
    std::printf("end_epoch_ms %.3f\n", endEpoch);
    std::printf("progress_events %d\n", progressEvents);
    std::printf("working_set_start %zu\n", atStart);
    std::printf("working_set_before %zu\n", before);
    std::printf("peak_working_set %zu\n", WorkingSet(true));
  }
  curl_global_cleanup();
  return lastCode == 1003 ? 0 : 1;
}
