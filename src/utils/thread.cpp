#include "utils/thread.h"

#include "utils/log.h"
#include "utils/text.h"

namespace Utils {
namespace {

constexpr DWORD kSetThreadNameException = 0x406D1388;

LONG CALLBACK SwallowThreadName(EXCEPTION_POINTERS* info) {
  return info->ExceptionRecord->ExceptionCode == kSetThreadNameException ? EXCEPTION_CONTINUE_EXECUTION
                                                                         : EXCEPTION_CONTINUE_SEARCH;
}

// The debugger convention for naming threads: a debugger reads the name from
// the exception's arguments; without one, the handler swallows it.
void AnnounceThreadName(DWORD threadId, const std::string& name) {
  const ULONG_PTR info[4] = {0x1000, reinterpret_cast<ULONG_PTR>(name.c_str()), threadId, 0};
  PVOID handler = ::AddVectoredExceptionHandler(1, SwallowThreadName);
  ::RaiseException(kSetThreadNameException, 0, 4, info);
  if (handler) ::RemoveVectoredExceptionHandler(handler);
}

}  // namespace

Thread::Thread(void* param, const std::wstring& name, Body body) : body_(std::move(body)), param_(param), name_(name) {
  handle_.reset(::CreateThread(nullptr, 0, &Thread::CallBack, this, CREATE_SUSPENDED, &threadId_));
  if (handle_) AnnounceThreadName(threadId_, DebuggerName());
}

Thread::~Thread() { Join(); }

std::string Thread::DebuggerName() const {
  if (name_.empty()) return "t" + std::to_string(threadId_);
  return WideToNarrow(name_, 0);
}

bool Thread::Resume() {
  if (!handle_) return false;
  if (::ResumeThread(handle_.get()) == static_cast<DWORD>(-1)) return false;
  started_ = true;
  return true;
}

void Thread::Join() {
  if (!handle_) return;
  if (!started_) {
    // Never resumed: let it run to its end without its body, so that waiting
    // cannot hang on a thread that will never start.
    skipBody_ = true;
    ::ResumeThread(handle_.get());
  }
  ::WaitForSingleObject(handle_.get(), INFINITE);
  handle_.reset();
  threadId_ = static_cast<DWORD>(-1);
}

DWORD WINAPI Thread::CallBack(LPVOID param) {
  auto* self = static_cast<Thread*>(param);
  DEBUG_LOG_LINE(L"THREAD BEGIN");
  if (!self->skipBody_ && self->body_) self->body_(self->param_);
  DEBUG_LOG_LINE(L"THREAD END");
  return 0;
}

}  // namespace Utils
