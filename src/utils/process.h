#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "utils/handle.h"

namespace Utils {

// An anonymous pipe with inheritable ends. Throws Utils::Exception when the
// pipe cannot be created.
class Pipe {
 public:
  Pipe();
  UniqueHandle writeEnd;
  UniqueHandle readEnd;
};

// A hidden child process whose standard input and output are pipes of ours.
// Standard error goes to the null device, so a child that writes a lot there
// can never block on it.
class Process {
 public:
  // Longest command line the runner takes (characters, without terminator).
  static constexpr size_t kMaxCommandLine = 1023;

  Process() = default;
  ~Process() { Close(); }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // Starts the child. Throws Utils::Exception when the pipes or the process
  // cannot be created, or when the command line is longer than
  // kMaxCommandLine (it is refused, never cut).
  void Launch(const std::wstring& commandLine);
  // Closes the thread and process handles and every pipe end still open.
  void Close();

  // Read end of the child's standard output; a read fails once the child and
  // everything that inherited the write end have ended.
  HANDLE Output() const { return outPipe_ ? outPipe_->readEnd.get() : nullptr; }
  HANDLE Input() const { return inPipe_ ? inPipe_->writeEnd.get() : nullptr; }
  HANDLE ProcessHandle() const { return process_.get(); }
  DWORD ProcessId() const { return processId_; }
  const std::wstring& CommandLine() const { return commandLine_; }
  // True once the child has ended (a zero-timeout wait on its handle).
  bool HasEnded() const;
  // Exit code of an ended child; STILL_ACTIVE while it runs.
  DWORD ExitCode() const;

 private:
  std::wstring commandLine_;
  std::unique_ptr<Pipe> outPipe_;  // made by Launch
  std::unique_ptr<Pipe> inPipe_;
  UniqueHandle process_;
  UniqueHandle thread_;
  DWORD processId_ = 0;
};

// A named mutex for the single-instance check. The system object is named
// "D1A547DB89C0BC61_" followed by the given name.
class NamedMutex {
 public:
  explicit NamedMutex(std::wstring name) : name_(std::move(name)) {}
  ~NamedMutex() { Release(); }
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;

  // Creates the mutex with initial ownership; holds nothing when it existed.
  void Acquire();
  bool Held() const { return static_cast<bool>(handle_); }
  // Releases and closes a held mutex.
  void Release();
  std::wstring FullName() const;

 private:
  std::wstring name_;
  UniqueHandle handle_;
};

}  // namespace Utils
