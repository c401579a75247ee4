#include <gtest/gtest.h>

#include <atomic>

#include "utils/thread.h"

namespace {

TEST(Thread, StartsSuspendedAndRunsOnResume) {
  std::atomic<int> runs{0};
  Utils::Thread t(&runs, L"ABDEF", [](void* p) { ++*static_cast<std::atomic<int>*>(p); });
  ASSERT_NE(t.Handle(), nullptr);
  ::Sleep(50);
  EXPECT_EQ(runs, 0) << "ran before Resume";
  ASSERT_TRUE(t.Resume());
  t.Join();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(t.Handle(), nullptr);
  EXPECT_EQ(t.ThreadId(), static_cast<DWORD>(-1));
  t.Join();  // a second join is harmless
}

TEST(Thread, BodyRunsOnItsOwnThreadWithItsParameter) {
  struct Seen {
    DWORD thread = 0;
    void* param = nullptr;
  } seen;
  Utils::Thread t(&seen, L"", [&seen](void* p) {
    seen.thread = ::GetCurrentThreadId();
    seen.param = p;
  });
  const DWORD id = t.ThreadId();
  t.Resume();
  t.Join();
  EXPECT_EQ(seen.thread, id);
  EXPECT_EQ(seen.param, &seen);
}

TEST(Thread, DestructorWaitsForTheBody) {
  std::atomic<bool> finished{false};
  {
    Utils::Thread t(nullptr, L"slow", [&finished](void*) {
      ::Sleep(300);
      finished = true;
    });
    t.Resume();
  }
  EXPECT_TRUE(finished);
}

TEST(Thread, NeverResumedThreadIsLetGoWithoutRunningItsBody) {
  std::atomic<bool> ran{false};
  {
    Utils::Thread t(nullptr, L"idle", [&ran](void*) { ran = true; });
  }
  EXPECT_FALSE(ran);
}

TEST(Thread, DebuggerNameIsTheNameOrTAndTheId) {
  Utils::Thread named(nullptr, L"UnInstaller", [](void*) {});
  EXPECT_EQ(named.DebuggerName(), "UnInstaller");
  Utils::Thread unnamed(nullptr, L"", [](void*) {});
  EXPECT_EQ(unnamed.DebuggerName(), "t" + std::to_string(unnamed.ThreadId()));
}

}  // namespace
