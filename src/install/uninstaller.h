#pragma once
// Removes the installed version by running its uninstaller silently and
// reading its output protocol.

#include <cstdint>
#include <memory>
#include <string>

#include "download/install_event.h"
#include "install/install_environment.h"

namespace Utils {
class Process;
class Thread;
}  // namespace Utils

class CUnInstaller {
 public:
  // exePath: the copy of the uninstaller to run; oldInstallDir: the folder
  // of the installed version.
  CUnInstaller(InstallEventCallback callback, std::wstring exePath, std::wstring oldInstallDir,
               InstallEnvironment environment = InstallEnvironment::System());
  // Waits for the worker, and so for the uninstaller to end.
  ~CUnInstaller();
  CUnInstaller(const CUnInstaller&) = delete;
  CUnInstaller& operator=(const CUnInstaller&) = delete;

  // Composes the command line and runs the removal on a worker thread. Once
  // per runner.
  void Start();

  // The quoted uninstaller path, the silent switch, the rights of the user
  // and of this process, and "_?=" with the installed folder, last and
  // unquoted (the uninstaller takes the rest of the line as the folder).
  std::wstring BuildCommandLine() const;
  // Parses one decoded chunk of the uninstaller's output, raising its
  // events; returns the chunk's verdict (0, 1 success, 1000 failure).
  int ParseOutput(const std::wstring& chunk);

  const std::wstring& CommandLine() const { return commandLine_; }
  int32_t CodePage() const { return codePage_; }

 private:
  void Run();

  InstallEventCallback callback_;
  std::wstring commandLine_;
  std::wstring exePath_;
  std::wstring oldInstallDir_;
  int32_t codePage_ = 0;
  std::unique_ptr<Utils::Thread> thread_;
  std::unique_ptr<Utils::Process> process_;
  InstallEnvironment environment_;
};
