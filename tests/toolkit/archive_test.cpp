// The skin archive: look-ups, the file outcomes, reuse across windows,
// damaged archives, and what a window does when its skin cannot be had.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_window.h"
#include "toolkit/skin_archive.h"

using SkinUI::CSevenZipArchive;
using SkinUI::CSkinArchive;

namespace {

std::vector<uint8_t> PackBytes() {
  HMODULE self = ::GetModuleHandleW(nullptr);
  HRSRC info = ::FindResourceW(self, MAKEINTRESOURCEW(147), L"SKINPACK");
  const auto* p = static_cast<const uint8_t*>(::LockResource(::LoadResource(self, info)));
  return std::vector<uint8_t>(p, p + ::SizeofResource(self, info));
}

void OpenPack() { ASSERT_TRUE(CSkinArchive::Instance().OpenFromResource(::GetModuleHandleW(nullptr), 147)); }

}  // namespace

TEST(SkinArchive, FindsNamesIgnoringCaseWithBackslashesAsSlashes) {
  OpenPack();
  struct Case {
    const wchar_t* asked;
    const wchar_t* found;  // null: not found
  } cases[] = {
      {L"ExitTipWnd.xml", L"exitTipWnd.xml"},
      {L"MainWnd.xml", L"mainWnd.xml"},
      {L"MESSAGEBOX2WND.XML", L"MessageBox2Wnd.xml"},
      {L"res\\mainWnd\\bg1.png", L"res/mainWnd/bg1.png"},
      {L"RES\\MAINWND\\BG1.PNG", L"res/mainWnd/bg1.png"},
      {L"res/mainWnd\\bg1.png", L"res/mainWnd/bg1.png"},
      {L"exitTipWnd.xm", nullptr},
      {L"exitTipWnd.xml ", nullptr},
      {L"\\exitTipWnd.xml", nullptr},
      {L"res\\mainWnd", nullptr},  // a folder is not an entry
      {L"", nullptr},
  };
  std::vector<uint8_t> data;
  std::vector<uint8_t> bytes = PackBytes();
  CSevenZipArchive archive;
  ASSERT_TRUE(archive.Open(bytes.data(), bytes.size()));
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "asked: \"" << std::string(c.asked, c.asked + wcslen(c.asked)) << "\"");
    const SkinUI::ArchiveEntry* e = archive.Find(c.asked);
    if (c.found == nullptr) {
      EXPECT_EQ(e, nullptr);
      EXPECT_FALSE(CSkinArchive::Instance().ReadFile(c.asked, data));
    } else {
      ASSERT_NE(e, nullptr);
      EXPECT_EQ(e->name, c.found);
      EXPECT_TRUE(CSkinArchive::Instance().ReadFile(c.asked, data));
      EXPECT_EQ(data.size(), e->size);
    }
  }
}

TEST(SkinArchive, HoldsEveryFileInOrderWithItsSize) {
  std::vector<uint8_t> bytes = PackBytes();
  CSevenZipArchive archive;
  ASSERT_TRUE(archive.Open(bytes.data(), bytes.size()));
  EXPECT_EQ(archive.LastResult(), 0);
  uint32_t lastIndex = 0;
  int skins = 0;
  for (const SkinUI::ArchiveEntry& e : archive.Entries()) {
    EXPECT_TRUE(e.extracted) << "entry " << e.index;
    EXPECT_EQ(e.data.size(), e.size);
    EXPECT_EQ(e.nameLength, e.name.size() + 1);
    EXPECT_GE(e.index, lastIndex);
    EXPECT_EQ(e.name.find(L'\\'), std::wstring::npos);
    lastIndex = e.index;
    if (e.name.size() > 4 && e.name.substr(e.name.size() - 4) == L".xml") ++skins;
  }
  EXPECT_GE(skins, 6);
  const SkinUI::ArchiveEntry* main = archive.Find(L"mainWnd.xml");
  ASSERT_NE(main, nullptr);
  const std::string head(main->data.begin(), main->data.begin() + 5);
  EXPECT_EQ(head, "<?xml");
}

TEST(SkinArchive, SkinFileOutcomes) {
  OpenPack();
  struct Case {
    const wchar_t* file;
    bool ok;
    const wchar_t* error;
    size_t size;
  } cases[] = {
      {L"exitTipWnd.xml", true, L"", 0},          {L"limit.xml", true, L"", 4u * 1024 * 1024},  // exactly the limit
      {L"huge.xml", false, L"File too large", 0},                                               // one byte over
      {L"empty.xml", false, L"File is empty", 0}, {L"nothere.xml", false, L"Could not find ziped file", 0},
  };
  for (const Case& c : cases) {
    std::string data = "stale";
    std::wstring error = L"stale";
    const bool ok = CSkinArchive::Instance().ReadSkinFile(c.file, data, error);
    EXPECT_EQ(ok, c.ok) << std::string(c.file, c.file + wcslen(c.file));
    EXPECT_EQ(error, c.error);
    if (c.ok && c.size != 0) {
      EXPECT_EQ(data.size(), c.size);
    }
    if (!c.ok) {
      EXPECT_TRUE(data.empty());
    }
  }
}

TEST(SkinArchive, OpenedOnceForThreeWindows) {
  const int before = CSkinArchive::Instance().OpenCount();
  {
    CTestWindow a(L"ExitTipWnd.xml"), b(L"MessageBox1Wnd.xml"), c(L"MainWnd.xml");
    ASSERT_TRUE(a.Open());
    ASSERT_TRUE(b.Open());
    ASSERT_TRUE(c.Open());
    EXPECT_TRUE(a.IsSkinBuilt() && b.IsSkinBuilt() && c.IsSkinBuilt());
  }
  EXPECT_LE(before, 1);
  EXPECT_EQ(CSkinArchive::Instance().OpenCount(), 1);
}

TEST(SkinArchive, DamagedArchivesGiveDefinedOutcomes) {
  const std::vector<uint8_t> good = PackBytes();
  ASSERT_GT(good.size(), 64u);
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    bool opens;
  };
  std::vector<Case> cases;
  cases.push_back({"no bytes", {}, false});
  cases.push_back({"not an archive", std::vector<uint8_t>(1000, 0x5A), false});
  cases.push_back({"signature only", std::vector<uint8_t>(good.begin(), good.begin() + 32), false});
  cases.push_back({"cut in half", std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2), false});
  std::vector<uint8_t> header = good;
  header[header.size() - 10] ^= 0xFF;  // the header sits at the end
  cases.push_back({"damaged header", header, false});
  std::vector<uint8_t> packed = good;
  for (size_t i = 40; i < 48; ++i) packed[i] ^= 0xFF;  // the packed stream starts after 32 bytes
  cases.push_back({"damaged data", packed, true});

  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    CSevenZipArchive archive;
    EXPECT_EQ(archive.Open(c.bytes.data(), c.bytes.size()), c.opens);
    if (!c.opens) {
      EXPECT_TRUE(archive.Entries().empty());
      EXPECT_NE(archive.LastResult(), 0);
      continue;
    }
    // The solid block does not decode: the first entry that needs it is
    // recorded as not extracted and the loop stops there (empty files, which
    // need no decoding, may come before it).
    EXPECT_NE(archive.LastResult(), 0);
    ASSERT_FALSE(archive.Entries().empty());
    CSevenZipArchive whole;
    ASSERT_TRUE(whole.Open(good.data(), good.size()));
    EXPECT_LT(archive.Entries().size(), whole.Entries().size());
    EXPECT_FALSE(archive.Entries().back().extracted);
    EXPECT_TRUE(archive.Entries().back().data.empty());
    for (size_t i = 0; i + 1 < archive.Entries().size(); ++i) {
      EXPECT_TRUE(archive.Entries()[i].extracted);
      EXPECT_EQ(archive.Entries()[i].size, 0u);
    }
  }
}

TEST(SkinArchive, MissingResourceLeavesTheWindowEmpty) {
  CTestWindow w(L"exitTipWnd.xml", 999);
  ASSERT_TRUE(w.Open());
  EXPECT_FALSE(w.IsSkinBuilt());
  EXPECT_EQ(w.PaintManager().GetRoot(), nullptr);
  EXPECT_EQ(w.initCalls, 0);
  EXPECT_TRUE(::IsWindow(w.GetHWND()));
}

namespace {

struct ProbeOutcome {
  DWORD exitCode = 0xFFFFFFFF;
  bool sawBox = false;
  std::wstring boxText;
  bool boxOwned = true;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM param) {
  auto* target = reinterpret_cast<std::pair<DWORD, HWND>*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  wchar_t cls[64] = {}, title[64] = {};
  ::GetClassNameW(hwnd, cls, 64);
  ::GetWindowTextW(hwnd, title, 64);
  if (pid == target->first && std::wstring(cls) == L"#32770" && std::wstring(title) == L"SkinUI") {
    target->second = hwnd;
    return FALSE;
  }
  return TRUE;
}

ProbeOutcome RunProbe(const std::wstring& args) {
  ProbeOutcome out;
  std::wstring cmd = L"\"" + BuildDir() + L"tests\\toolkit\\toolkit_probe.exe\" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return out;
  std::pair<DWORD, HWND> target{pi.dwProcessId, nullptr};
  const DWORD start = ::GetTickCount();
  while (::WaitForSingleObject(pi.hProcess, 50) == WAIT_TIMEOUT && ::GetTickCount() - start < 20000) {
    target.second = nullptr;
    ::EnumWindows(FindBox, reinterpret_cast<LPARAM>(&target));
    if (target.second != nullptr) {
      out.sawBox = true;
      wchar_t text[128] = {};
      ::GetDlgItemTextW(target.second, 0xFFFF, text, 128);
      out.boxText = text;
      out.boxOwned = ::GetWindow(target.second, GW_OWNER) != nullptr;
      ::PostMessageW(target.second, WM_COMMAND, IDOK, 0);
      break;
    }
  }
  if (::WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) ::TerminateProcess(pi.hProcess, 99);
  ::GetExitCodeProcess(pi.hProcess, &out.exitCode);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return out;
}

}  // namespace

TEST(SkinArchive, SkinThatCannotBeBuiltShowsTheErrorAndEndsWithCodeOne) {
  const wchar_t* broken[] = {L"nothere.xml", L"broken.xml", L"noroot.xml", L"nocontrol.xml", L"empty.xml", L"huge.xml"};
  for (const wchar_t* skin : broken) {
    SCOPED_TRACE(std::string(skin, skin + wcslen(skin)));
    const ProbeOutcome o = RunProbe(skin);
    EXPECT_TRUE(o.sawBox);
    EXPECT_EQ(o.boxText, L"加载资源文件失败");
    EXPECT_FALSE(o.boxOwned);
    EXPECT_EQ(o.exitCode, 1u);
  }
  // The same program builds a good skin, and stays empty without archive.
  EXPECT_EQ(RunProbe(L"ExitTipWnd.xml").exitCode, 0u);
  const ProbeOutcome empty = RunProbe(L"ExitTipWnd.xml 999");
  EXPECT_FALSE(empty.sawBox);
  EXPECT_EQ(empty.exitCode, 3u);
}
