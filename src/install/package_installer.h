#pragma once
// Runs the downloaded product package silently and reads its output
// protocol.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "download/install_event.h"

namespace Utils {
class Process;
class Thread;
}  // namespace Utils

class CPackageInstaller {
 public:
  struct Version {
    int32_t major = 0;
    int32_t minor = 0;
    int32_t patch = 0;
  };

  // packageArg is the package path in double quotes.
  CPackageInstaller(InstallEventCallback callback, std::wstring packageArg, std::wstring installDir);
  // Waits for the worker, and so for the package to end.
  ~CPackageInstaller();
  CPackageInstaller(const CPackageInstaller&) = delete;
  CPackageInstaller& operator=(const CPackageInstaller&) = delete;

  // The options of the next run; set before every Start.
  void SetOptions(const std::wstring& installDir, bool desktopShortcut, bool quickLaunchShortcut, bool userIsAdmin,
                  bool processIsAdmin);
  // Composes the command line, waits for the previous run to end, and runs
  // the package on a new worker thread. whenFinished, if given, is called on
  // that thread once the run is over and the package process has ended (or
  // could not be started).
  void Start(std::function<void()> whenFinished = nullptr);

  // The silent-install command line from the current options and the
  // configuration's extra installer arguments.
  std::wstring BuildCommandLine() const;
  // Parses one decoded chunk of the package's output, raising its events;
  // returns the chunk's verdict (0, 1 success, 1000 failure).
  int ParseOutput(const std::wstring& chunk);

  const std::wstring& CommandLine() const { return commandLine_; }
  int32_t CodePage() const { return codePage_; }
  Version InstalledVersion() const { return installedVersion_; }

 private:
  void Run();
  void Raise(int32_t code, double value, const std::wstring& text = std::wstring());

  InstallEventCallback callback_;
  std::wstring packageArg_;
  std::wstring installDir_;
  std::wstring commandLine_;
  bool quickLaunchShortcut_ = false;
  bool desktopShortcut_ = false;
  int32_t codePage_ = 0;
  std::unique_ptr<Utils::Thread> thread_;
  std::unique_ptr<Utils::Process> process_;
  Version installedVersion_;
  bool userIsAdmin_ = false;
  bool processIsAdmin_ = false;
  std::function<void()> finished_;
};
