#include "download/run_thread.h"

#include <windows.h>

#include <algorithm>

namespace {

bool IsCallingThread(const std::unique_ptr<Utils::Thread>& thread) {
  return thread && thread->ThreadId() == ::GetCurrentThreadId();
}

}  // namespace

void CRunThread::Run(std::function<void()> body) {
  if (IsCallingThread(current_)) retired_.push_back(std::move(current_));
  current_.reset();
  // Threads that started a later run have ended by now or soon will.
  retired_.erase(std::remove_if(retired_.begin(), retired_.end(),
                                [](const std::unique_ptr<Utils::Thread>& t) { return !IsCallingThread(t); }),
                 retired_.end());
  current_ = std::make_unique<Utils::Thread>(nullptr, L"ABDEF", [body = std::move(body)](void*) { body(); });
  current_->Resume();
}

void CRunThread::Join() {
  current_.reset();
  retired_.clear();
}
