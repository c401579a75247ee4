// Runs the child program under a small debugger and checks what reaches the
// debug-output channel: log records and thread names.
#include <windows.h>

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

struct ThreadName {
  DWORD threadId;
  std::string name;
};

struct Session {
  DWORD pid = 0;
  DWORD exitCode = 0;
  std::vector<std::string> records;
  std::vector<ThreadName> names;
};

std::string ReadRemote(HANDLE process, const void* address, size_t bytes, bool wide) {
  std::string out;
  if (wide) {
    std::wstring text(bytes / 2, L'\0');
    SIZE_T got = 0;
    ::ReadProcessMemory(process, address, &text[0], bytes, &got);
    text.resize(got / 2);
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return Utils::WideToNarrow(text, CP_UTF8);
  }
  out.resize(bytes);
  SIZE_T got = 0;
  ::ReadProcessMemory(process, address, &out[0], bytes, &got);
  out.resize(got);
  return out.substr(0, out.find('\0'));
}

Session RunUnderDebugger(const std::wstring& args) {
  Session s;
  std::wstring cmd = L"\"" + test::BuildPath(L"tests/fixtures/child/test_child.exe") + L"\" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr, &si,
                        &pi)) {
    ADD_FAILURE() << "cannot start the child";
    return s;
  }
  s.pid = pi.dwProcessId;
  for (bool done = false; !done;) {
    DEBUG_EVENT ev{};
    if (!::WaitForDebugEvent(&ev, 30000)) {
      ADD_FAILURE() << "no debug event for 30 s";
      ::TerminateProcess(pi.hProcess, 1);
      break;
    }
    DWORD status = DBG_CONTINUE;
    switch (ev.dwDebugEventCode) {
      case OUTPUT_DEBUG_STRING_EVENT: {
        const auto& o = ev.u.DebugString;
        const size_t bytes = o.nDebugStringLength * (o.fUnicode ? 2 : 1);
        s.records.push_back(ReadRemote(pi.hProcess, o.lpDebugStringData, bytes, o.fUnicode));
        break;
      }
      case EXCEPTION_DEBUG_EVENT: {
        const EXCEPTION_RECORD& r = ev.u.Exception.ExceptionRecord;
        if (r.ExceptionCode == 0x406D1388 && r.NumberParameters >= 3) {
          s.names.push_back(
              {static_cast<DWORD>(r.ExceptionInformation[2]),
               ReadRemote(pi.hProcess, reinterpret_cast<const void*>(r.ExceptionInformation[1]), 64, false)});
          // Hand it back: the program's own handler swallows it.
          status = DBG_EXCEPTION_NOT_HANDLED;
        } else if (r.ExceptionCode != EXCEPTION_BREAKPOINT) {
          status = DBG_EXCEPTION_NOT_HANDLED;
        }
        break;
      }
      case CREATE_PROCESS_DEBUG_EVENT:
        if (ev.u.CreateProcessInfo.hFile) ::CloseHandle(ev.u.CreateProcessInfo.hFile);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        if (ev.u.LoadDll.hFile) ::CloseHandle(ev.u.LoadDll.hFile);
        break;
      case EXIT_PROCESS_DEBUG_EVENT:
        s.exitCode = ev.u.ExitProcess.dwExitCode;
        done = true;
        break;
      default:
        break;
    }
    ::ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, status);
  }
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return s;
}

std::string Pad5(DWORD n) {
  std::string s = std::to_string(n);
  return s.size() < 5 ? std::string(5 - s.size(), '0') + s : s;
}

const std::string kStamp = R"(<\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}>)";

TEST(DebugChannel, RecordsAndThreadNamesReachAnAttachedDebugger) {
  const Session s = RunUnderDebugger(L"thread:Worker thread:- log:C:\\100%\\%s\\x");
  ASSERT_EQ(s.exitCode, 0u);

  ASSERT_EQ(s.names.size(), 2u);
  EXPECT_EQ(s.names[0].name, "Worker");
  // A thread without a name is announced as "t" and its id.
  EXPECT_EQ(s.names[1].name, "t" + std::to_string(s.names[1].threadId));

  // Each named thread logs its begin and end from its own thread.
  for (const ThreadName& t : s.names) {
    for (const char* word : {"THREAD BEGIN", "THREAD END"}) {
      const std::regex shape("<P" + Pad5(s.pid) + "><T" + Pad5(t.threadId) + ">" + kStamp +
                             R"(\(Utils::Thread::CallBack\)<\d{4}>: )" + word + "\r\n");
      int found = 0;
      for (const std::string& r : s.records) found += std::regex_match(r, shape);
      EXPECT_EQ(found, 1) << word << " of thread " << t.threadId;
    }
  }

  // Data with format characters arrives unchanged, in a record of its own.
  const std::regex pathRecord("<P" + Pad5(s.pid) + R"(><T\d{5,}>)" + kStamp +
                              R"(\(wmain\)<\d{4}>: partPath::C:\\100%\\%s\\x)" + "\r\n");
  int found = 0;
  for (const std::string& r : s.records) found += std::regex_match(r, pathRecord);
  EXPECT_EQ(found, 1);
}

}  // namespace
