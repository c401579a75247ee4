#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"
#include "utils/exception.h"
#include "utils/process.h"

namespace {

std::wstring Child(const std::wstring& args) {
  return L"\"" + test::BuildPath(L"tests/fixtures/child/test_child.exe") + L"\" " + args;
}

// Reads until the pipe fails; the time it took in milliseconds goes to *ms.
std::string ReadToEnd(HANDLE pipe, ULONGLONG* ms = nullptr) {
  const ULONGLONG begin = ::GetTickCount64();
  std::string out;
  char buffer[1024];
  DWORD n = 0;
  while (::ReadFile(pipe, buffer, sizeof(buffer), &n, nullptr) && n > 0) out.append(buffer, n);
  if (ms) *ms = ::GetTickCount64() - begin;
  return out;
}

TEST(Process, ChildOutputArrivesAndTheReadFailsAfterItEnds) {
  Utils::Process p;
  p.Launch(Child(L"out:Progress=0.5\\n out:State=Success\\r\\n exit:3"));
  EXPECT_EQ(ReadToEnd(p.Output()), "Progress=0.5\nState=Success\r\n");
  ::WaitForSingleObject(p.ProcessHandle(), 10000);
  EXPECT_TRUE(p.HasEnded());
  EXPECT_EQ(p.ExitCode(), 3u);
  p.Close();
  EXPECT_EQ(p.Output(), nullptr);
  EXPECT_EQ(p.ProcessHandle(), nullptr);
}

TEST(Process, RunningChildIsNotTakenForEnded) {
  Utils::Process p;
  p.Launch(Child(L"sleep:500"));
  EXPECT_FALSE(p.HasEnded());
  EXPECT_EQ(p.ExitCode(), static_cast<DWORD>(STILL_ACTIVE));
  ReadToEnd(p.Output());
  ::WaitForSingleObject(p.ProcessHandle(), 10000);
  EXPECT_TRUE(p.HasEnded());
}

TEST(Process, CodePageBytesArriveUnchanged) {
  Utils::Process p;
  p.Launch(Child(L"cp:936 out:\u4e2d out:\\xff"));
  EXPECT_EQ(ReadToEnd(p.Output()), "\xD6\xD0\xFF");
}

TEST(Process, LotsOfStandardErrorNeverBlocksTheChild) {
  Utils::Process p;
  p.Launch(Child(L"err:4194304 out:done"));
  EXPECT_EQ(ReadToEnd(p.Output()), "done");
  EXPECT_EQ(::WaitForSingleObject(p.ProcessHandle(), 20000), WAIT_OBJECT_0);
}

TEST(Process, GrandchildThatInheritedTheOutputKeepsThePipeOpen) {
  Utils::Process p;
  p.Launch(Child(L"out:early grandchild:1500"));
  ASSERT_EQ(::WaitForSingleObject(p.ProcessHandle(), 10000), WAIT_OBJECT_0);
  // The child has ended, but its grandchild still holds the write end: no
  // end of file until the grandchild ends too.
  ULONGLONG ms = 0;
  EXPECT_EQ(ReadToEnd(p.Output(), &ms), "early");
  EXPECT_GE(ms, 1000u);
}

TEST(Process, TwoChildrenLaunchedAtOnceDoNotShareOutput) {
  // A child that lives long must not hold a short one's pipe open.
  Utils::Process slow;
  Utils::Process quick;
  slow.Launch(Child(L"sleep:3000"));
  quick.Launch(Child(L"out:quick"));
  ULONGLONG ms = 0;
  EXPECT_EQ(ReadToEnd(quick.Output(), &ms), "quick");
  EXPECT_LT(ms, 2500u);
  ::WaitForSingleObject(slow.ProcessHandle(), 10000);
}

TEST(Process, CommandLineLimitIsEnforcedNotTruncated) {
  const std::wstring base = Child(L"out:x ");
  std::wstring fits = base + std::wstring(Utils::Process::kMaxCommandLine - base.size(), L'a');
  ASSERT_EQ(fits.size(), 1023u);
  Utils::Process ok;
  EXPECT_NO_THROW(ok.Launch(fits));
  EXPECT_EQ(ReadToEnd(ok.Output()), "x");

  Utils::Process tooLong;
  EXPECT_THROW(tooLong.Launch(fits + L"a"), Utils::Exception);
  EXPECT_EQ(tooLong.ProcessHandle(), nullptr);
}

TEST(Process, MissingProgramThrows) {
  Utils::Process p;
  EXPECT_THROW(p.Launch(L"\"C:\\no\\such\\program.exe\" /S"), Utils::Exception);
  EXPECT_EQ(p.Output(), nullptr);
}

TEST(NamedMutex, SecondAcquisitionHoldsNothing) {
  const std::wstring name = L"LumavoxTest_" + std::to_wstring(::GetCurrentProcessId());
  Utils::NamedMutex first(name);
  EXPECT_EQ(first.FullName(), L"D1A547DB89C0BC61_" + name);
  first.Acquire();
  ASSERT_TRUE(first.Held());

  Utils::NamedMutex again(name);
  again.Acquire();
  EXPECT_FALSE(again.Held());

  // Another process finds it taken; after release it can take it.
  auto otherProcessHolds = [&] {
    Utils::Process p;
    p.Launch(Child(L"mutex:" + name));
    ReadToEnd(p.Output());
    ::WaitForSingleObject(p.ProcessHandle(), 10000);
    return p.ExitCode() == 0;
  };
  EXPECT_FALSE(otherProcessHolds());
  first.Release();
  EXPECT_FALSE(first.Held());
  EXPECT_TRUE(otherProcessHolds());
}

}  // namespace
