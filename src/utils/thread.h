#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "utils/handle.h"

namespace Utils {

// A worker thread that is created suspended, announces its name to
// debuggers and logs its start and end. Destroying the object waits for the
// thread; it must not be destroyed from its own thread.
class Thread {
 public:
  using Body = std::function<void(void*)>;

  Thread(void* param, const std::wstring& name, Body body);
  ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  bool Resume();
  void Join();

  DWORD ThreadId() const { return threadId_; }
  HANDLE Handle() const { return handle_.get(); }
  // The name announced to debuggers: the ANSI form of the name, or "t" and
  // the thread id when the name is empty.
  std::string DebuggerName() const;

 private:
  static DWORD WINAPI CallBack(LPVOID self);

  DWORD threadId_ = 0;
  UniqueHandle handle_;
  Body body_;
  void* param_ = nullptr;
  std::wstring name_;
  bool started_ = false;
  bool skipBody_ = false;  // set only before a never-resumed thread is let go
};

}  // namespace Utils
