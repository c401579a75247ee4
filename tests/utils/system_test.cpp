#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <thread>

#include "test_support.h"
#include "utils/system.h"
#include "utils/text.h"

namespace {

struct VersionCase {
  Utils::OsVersionNumbers numbers;
  bool r2;
  const wchar_t* name;
};

TEST(OsVersionName, NamesEveryKernelVersion) {
  const VersionCase cases[] = {
      {{false, 0, 0, 0}, false, L"XP-"},
      {{true, 4, 10, 0}, false, L"XP-"},
      {{true, 5, 0, 2195}, false, L"2K"},
      {{true, 5, 1, 2600}, false, L"XP"},
      {{true, 5, 2, 3790}, false, L"Server 2003"},
      {{true, 5, 2, 3790}, true, L"Server 2003 R2"},
      {{true, 5, 3, 0}, false, L"XP+"},
      {{true, 6, 0, 6002}, false, L"Vista"},
      {{true, 6, 1, 7601}, false, L"7"},
      {{true, 6, 2, 9200}, false, L"8"},
      {{true, 6, 3, 9600}, false, L"8.1"},
      {{true, 6, 4, 9841}, false, L"8.1+"},
      {{true, 10, 0, 19045}, false, L"10"},
      {{true, 10, 0, 22631}, false, L"10"},
      {{true, 10, 1, 0}, false, L"10+"},
      {{true, 7, 0, 1}, false, L"7.0.1"},
      {{true, 11, 0, 22000}, false, L"11.0.22000"},
      {{true, 12, 1, 30000}, false, L"12.1.30000"},
  };
  for (const VersionCase& c : cases) {
    EXPECT_EQ(Utils::OsVersionName(c.numbers, c.r2), c.name) << c.numbers.major << "." << c.numbers.minor;
  }
}

TEST(OsVersionName, ThisMachineHasReadableNumbers) {
  const Utils::OsVersionNumbers v = Utils::ReadOsVersionNumbers();
  EXPECT_TRUE(v.valid);
  EXPECT_LE(v.build, 0xFFFFu);
  std::wstring family, name;
  Utils::GetOsVersionName(family, name);
  EXPECT_EQ(family, L"Windows");
  EXPECT_EQ(name, Utils::OsVersionName(v, ::GetSystemMetrics(SM_SERVERR2) != 0));
}

TEST(Is64BitSystem, TrueForThisSixtyFourBitProgram) { EXPECT_TRUE(Utils::Is64BitSystem()); }

TEST(TempDir, IsThePrivateFolderUnderTheTemporaryPath) {
  const std::wstring dir = Utils::GetTempDir();
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  EXPECT_EQ(dir, std::wstring(temp) + L"~ZeltoTemp.92482B06FB471E17\\");
  EXPECT_TRUE(test::FileExists(dir));
  EXPECT_EQ(Utils::GetTempDir(), dir);  // an existing folder is answered as it is
}

TEST(CreateDirectories, CreatesEveryMissingLevel) {
  test::TempDir tmp;
  const std::wstring deep = tmp / L"a\\b c\\d";
  EXPECT_TRUE(Utils::CreateDirectories(deep));
  EXPECT_TRUE(test::FileExists(deep));
  EXPECT_TRUE(Utils::CreateDirectories(deep + L"\\"));  // trailing backslash, all there
  EXPECT_TRUE(Utils::CreateDirectories(deep));
}

TEST(CreateDirectories, FailsWhereAFileIsInTheWay) {
  test::TempDir tmp;
  ASSERT_TRUE(test::WriteFileBytes(tmp / L"file", "x"));
  EXPECT_FALSE(Utils::CreateDirectories(tmp / L"file\\sub"));
}

TEST(CreateDirectories, OverlongPathCreatesNothing) {
  test::TempDir tmp;
  std::wstring path = tmp / L"first\\";
  path += std::wstring(261 - path.size(), L'x');
  ASSERT_EQ(path.size(), 261u);
  EXPECT_FALSE(Utils::CreateDirectories(path));
  EXPECT_FALSE(test::FileExists(tmp / L"first"));

  std::wstring fits = tmp / L"second\\";
  fits += std::wstring(260 - fits.size(), L'y');
  EXPECT_TRUE(Utils::CreateDirectories(fits));
}

TEST(Registry, WritesAndReadsStringValuesOnTheInstallerKey) {
  const std::wstring name = L"TestValue_" + std::to_wstring(::GetCurrentProcessId());
  const std::wstring text = L"D:\\My Apps\\\u4e2d\u6587";
  ASSERT_TRUE(Utils::WriteRegString(name, text));
  DWORD type = 0;
  std::wstring read;
  ASSERT_TRUE(Utils::ReadRegString(name, type, read));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(read, text);

  ASSERT_TRUE(Utils::WriteRegString(name, L""));
  ASSERT_TRUE(Utils::ReadRegString(name, type, read));
  EXPECT_EQ(read, L"");

  HKEY key = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, Utils::kInstallerRegistryKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  ::RegDeleteValueW(key, name.c_str());
  // A value stored without its terminator still reads back whole.
  const wchar_t raw[] = {L'a', L'b', L'c'};
  ::RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(raw), sizeof(raw));
  EXPECT_TRUE(Utils::ReadRegString(name, type, read));
  EXPECT_EQ(read, L"abc");
  ::RegDeleteValueW(key, name.c_str());
  ::RegCloseKey(key);
  EXPECT_FALSE(Utils::ReadRegString(name, type, read));
}

TEST(NewGuidString, IsThirtyTwoHexDigitsAndNew) {
  const std::wregex shape(L"[0-9A-F]{12}[0-9a-f]{4}[0-9A-F]{16}");
  std::set<std::wstring> seen;
  for (int i = 0; i < 20; ++i) {
    const std::wstring id = Utils::NewGuidString();
    EXPECT_TRUE(std::regex_match(id, shape)) << Utils::WideToNarrow(id, 65001);
    seen.insert(id);
  }
  EXPECT_EQ(seen.size(), 20u);
}

TEST(FileMd5, MatchesTheReferenceVectors) {
  const std::pair<std::string, const char*> vectors[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  test::TempDir tmp;
  for (const auto& [data, digest] : vectors) {
    const std::wstring path = tmp / L"v.bin";
    ASSERT_TRUE(test::WriteFileBytes(path, data));
    EXPECT_EQ(Utils::FileMd5(Utils::WideToNarrow(path, 0)), digest) << data;
  }
}

TEST(FileMd5, DigestsAMultiMegabyteFile) {
  std::string data(5 * 1024 * 1024 + 123, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(((i * 31 + 7) & 0xFF) ^ ((i >> 8) & 0xFF));
  test::TempDir tmp;
  ASSERT_TRUE(test::WriteFileBytes(tmp / L"big.bin", data));
  EXPECT_EQ(Utils::FileMd5(Utils::WideToNarrow(tmp / L"big.bin", 0)), "2a28543bb9a408027bb740ab4754e2c0");
}

TEST(FileMd5, MissingFileGivesEmpty) { EXPECT_EQ(Utils::FileMd5("C:\\no\\such\\file.bin"), ""); }

TEST(HardDiskManager, AnswersForAFolderAndFailsForNoDrive) {
  Utils::HardDiskManager disk;
  ASSERT_TRUE(disk.CheckFreeSpace(L"C:\\"));
  EXPECT_GT(disk.totalBytes, 0u);
  EXPECT_LE(disk.freeBytesAvailable, disk.totalBytes);

  Utils::HardDiskManager none;
  EXPECT_FALSE(none.CheckFreeSpace(L"\\\\nohost\\noshare\\"));
  EXPECT_EQ(none.freeBytesAvailable, 0u);
}

TEST(CheckNetwork, GivesFlagsAndAVerdict) {
  ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
  const uint32_t word = Utils::CheckNetwork();
  ::CoUninitialize();
  const uint32_t flags = word & 0xFFFF;
  const uint32_t verdict = word >> 16;
  EXPECT_NE(flags, 0u) << "the network list manager gave no connectivity flags";
  EXPECT_LE(verdict, 2u);
  EXPECT_EQ(Utils::IsNetworkUsable(word), verdict == 0);
}

TEST(CheckNetwork, WithoutComTheWordIsZero) {
  // The manager cannot be created on a thread without COM.
  uint32_t word = 1;
  std::thread([&word] { word = Utils::CheckNetwork(); }).join();
  EXPECT_EQ(word, 0u);
}

TEST(Identity, AnswersForThisSession) {
  // Under Wine the process counts as elevated and the account as a plain user.
  EXPECT_TRUE(Utils::IsAdminGroupMember());
  std::wstring user;
  ASSERT_TRUE(Utils::GetConsoleUserName(user));
  EXPECT_FALSE(user.empty());
  EXPECT_FALSE(Utils::IsAdminUser(L"no-such-user-here"));
}

TEST(Stopwatch, CountsFromStartAndReadsZeroWhenStopped) {
  Utils::Stopwatch w;
  EXPECT_EQ(w.ElapsedSeconds(), 0.0f);
  w.Start();
  ::Sleep(120);
  EXPECT_GE(w.ElapsedSeconds(), 0.1f);
  w.Stop();
  EXPECT_EQ(w.ElapsedSeconds(), 0.0f);
}

TEST(PumpMessages, DispatchesPendingMessagesAndKeepsAQuit) {
  static int dispatched = 0;
  WNDCLASSW wc{};
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_APP) ++dispatched;
    return ::DefWindowProcW(h, m, w, l);
  };
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"PumpTest";
  ::RegisterClassW(&wc);
  HWND w = ::CreateWindowW(L"PumpTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(w, nullptr);
  ::PostMessageW(w, WM_APP, 0, 0);
  ::PostMessageW(w, WM_APP, 0, 0);
  Utils::PumpMessages(w);
  EXPECT_EQ(dispatched, 2);

  ::PostQuitMessage(7);
  const ULONGLONG begin = ::GetTickCount64();
  Utils::PumpMessages(w);
  EXPECT_LT(::GetTickCount64() - begin, 1000u);
  MSG msg;
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
  ::DestroyWindow(w);
}

}  // namespace
