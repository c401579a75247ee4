#include "utils/process.h"

#include <mutex>
#include <vector>

#include "utils/exception.h"

namespace Utils {
namespace {

// CreateProcess with inheritance hands every inheritable handle of the
// process to the child. Launches are serialised so that a child's pipe ends
// are inheritable only while that one child is being created; otherwise a
// child started at the same moment by another runner could inherit them and
// keep the other child's output open.
std::mutex& LaunchMutex() {
  static std::mutex m;
  return m;
}

void MakeInheritable(HANDLE h, bool inheritable) {
  ::SetHandleInformation(h, HANDLE_FLAG_INHERIT, inheritable ? HANDLE_FLAG_INHERIT : 0);
}

}  // namespace

Pipe::Pipe() {
  SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  if (!::CreatePipe(&read, &write, &sa, 0)) throw Exception();
  readEnd.reset(read);
  writeEnd.reset(write);
}

void Process::Launch(const std::wstring& commandLine) {
  if (commandLine.size() > kMaxCommandLine) throw Exception(L"command line too long");
  Close();
  commandLine_ = commandLine;

  std::lock_guard<std::mutex> lock(LaunchMutex());
  outPipe_ = std::make_unique<Pipe>();
  inPipe_ = std::make_unique<Pipe>();
  MakeInheritable(outPipe_->readEnd.get(), false);
  MakeInheritable(inPipe_->writeEnd.get(), false);

  // Standard error is connected to nothing: nobody reads it, and a pipe
  // nobody reads would block a child that writes a lot there.
  SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
  UniqueFileHandle nul(
      ::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr));

  STARTUPINFOW si{};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  si.hStdInput = inPipe_->readEnd.get();
  si.hStdOutput = outPipe_->writeEnd.get();
  si.hStdError = nul ? nul.get() : nullptr;

  std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back(L'\0');
  PROCESS_INFORMATION pi{};
  const BOOL created = ::CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);

  // Our copies of the child's ends go in every case: once the child and
  // whatever inherited them are gone, a read on the output fails.
  outPipe_->writeEnd.reset();
  inPipe_->readEnd.reset();
  if (!created) {
    outPipe_.reset();
    inPipe_.reset();
    throw Exception();
  }
  process_.reset(pi.hProcess);
  thread_.reset(pi.hThread);
  processId_ = pi.dwProcessId;
}

void Process::Close() {
  thread_.reset();
  process_.reset();
  outPipe_.reset();
  inPipe_.reset();
  processId_ = 0;
}

bool Process::HasEnded() const {
  if (!process_) return true;
  return ::WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0;
}

DWORD Process::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (process_) ::GetExitCodeProcess(process_.get(), &code);
  return code;
}

std::wstring NamedMutex::FullName() const { return L"D1A547DB89C0BC61_" + name_; }

void NamedMutex::Acquire() {
  if (handle_) return;
  HANDLE h = ::CreateMutexW(nullptr, TRUE, FullName().c_str());
  const DWORD error = ::GetLastError();
  if (!h) return;
  if (error == ERROR_ALREADY_EXISTS) {
    ::CloseHandle(h);
    return;
  }
  handle_.reset(h);
}

void NamedMutex::Release() {
  if (!handle_) return;
  ::ReleaseMutex(handle_.get());
  handle_.reset();
}

}  // namespace Utils
