// What the programs find in their own resources: the packed skins, the icon
// group, the version and the manifest, read back through the system and the
// 7z reader the way the installer reads them.
#include <gtest/gtest.h>
#include <windows.h>

extern "C" {
#include <lzma/7z.h>
#include <lzma/7zAlloc.h>
#include <lzma/7zCrc.h>
}

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

const char* const kSkins[] = {"mainWnd.xml",        "exitTipWnd.xml",    "NetworkTipWnd.xml", "InstalledPathTipWnd.xml",
                              "MessageBox1Wnd.xml", "MessageBox2Wnd.xml"};

const char* const kImages[] = {"res/common/closebtn1.png",
                               "res/common/closebtn2.png",
                               "res/common/closebtn3.png",
                               "res/common/closebtnM_1.png",
                               "res/common/closebtnM_2.png",
                               "res/common/closebtnM_3.png",
                               "res/common/minbtn1.png",
                               "res/common/minbtn2.png",
                               "res/common/minbtn3.png",
                               "res/mainWnd/backBtn1.png",
                               "res/mainWnd/backBtn2.png",
                               "res/mainWnd/backBtn3.png",
                               "res/mainWnd/bg1.png",
                               "res/mainWnd/bg2.png",
                               "res/mainWnd/bg3.png",
                               "res/mainWnd/bg4.png",
                               "res/mainWnd/Cb1.png",
                               "res/mainWnd/Cb2.png",
                               "res/mainWnd/customeBtn1.png",
                               "res/mainWnd/customeBtn2.png",
                               "res/mainWnd/customeBtn3.png",
                               "res/mainWnd/finished.png",
                               "res/mainWnd/ilogo.png",
                               "res/mainWnd/installDirEdit.png",
                               "res/mainWnd/installPrg1.png",
                               "res/mainWnd/installPrg2.png",
                               "res/mainWnd/logo.png",
                               "res/mainWnd/tipLbl.png",
                               "res/MessageBoxWnd/icoNetwork.png",
                               "res/MessageBoxWnd/icoQuest.png",
                               "res/MessageBoxWnd/icoWarn.png"};

std::string_view ResourceBytes(const wchar_t* type, const wchar_t* name, WORD language) {
  HRSRC info = FindResourceExW(nullptr, type, name, language);
  if (!info) return {};
  HGLOBAL data = LoadResource(nullptr, info);
  return {static_cast<const char*>(LockResource(data)), SizeofResource(nullptr, info)};
}

std::string_view ResourceBytes(const wchar_t* type, const wchar_t* name) {
  HRSRC info = FindResourceW(nullptr, name, type);
  if (!info) return {};
  return {static_cast<const char*>(LockResource(LoadResource(nullptr, info))), SizeofResource(nullptr, info)};
}

// The archive as a seekable stream over the resource's bytes.
struct MemoryStream {
  ISeekInStream vt;
  std::string_view bytes;
  size_t pos = 0;

  explicit MemoryStream(std::string_view data) : bytes(data) {
    vt.Read = [](ISeekInStreamPtr p, void* buf, size_t* size) -> SRes {
      auto* self = reinterpret_cast<MemoryStream*>(const_cast<ISeekInStream*>(p));
      *size = std::min(*size, self->bytes.size() - self->pos);
      std::memcpy(buf, self->bytes.data() + self->pos, *size);
      self->pos += *size;
      return SZ_OK;
    };
    vt.Seek = [](ISeekInStreamPtr p, Int64* pos, ESzSeek origin) -> SRes {
      auto* self = reinterpret_cast<MemoryStream*>(const_cast<ISeekInStream*>(p));
      Int64 base = origin == SZ_SEEK_SET ? 0 : origin == SZ_SEEK_CUR ? Int64(self->pos) : Int64(self->bytes.size());
      Int64 target = base + *pos;
      if (target < 0 || target > Int64(self->bytes.size())) return SZ_ERROR_PARAM;
      self->pos = size_t(target);
      *pos = target;
      return SZ_OK;
    };
  }
};

struct ArchiveEntry {
  std::string name;
  bool folder;
  std::string data;
};

// Opens the embedded archive and extracts everything; fails the test on any error.
void ReadArchive(std::string_view bytes, std::vector<ArchiveEntry>* entries, UInt32* blocks) {
  ISzAlloc alloc = {[](ISzAllocPtr, size_t size) { return std::malloc(size); },
                    [](ISzAllocPtr, void* address) { std::free(address); }};
  MemoryStream stream(bytes);
  CLookToRead2 look;
  LookToRead2_CreateVTable(&look, False);
  std::vector<Byte> buffer(1 << 14);
  look.buf = buffer.data();
  look.bufSize = buffer.size();
  look.realStream = &stream.vt;
  LookToRead2_INIT(&look);
  CrcGenerateTable();

  CSzArEx db;
  SzArEx_Init(&db);
  ASSERT_EQ(SzArEx_Open(&db, &look.vt, &alloc, &alloc), SZ_OK);
  *blocks = db.db.NumFolders;
  UInt32 blockIndex = 0xFFFFFFFF;
  Byte* out = nullptr;
  size_t outSize = 0;
  for (UInt32 i = 0; i < db.NumFiles; ++i) {
    std::vector<UInt16> name(SzArEx_GetFileNameUtf16(&db, i, nullptr));
    SzArEx_GetFileNameUtf16(&db, i, name.data());
    ArchiveEntry entry{std::string(name.begin(), name.end() - 1), SzArEx_IsDir(&db, i) != 0, {}};
    if (!entry.folder) {
      size_t offset = 0, processed = 0;
      ASSERT_EQ(SzArEx_Extract(&db, &look.vt, i, &blockIndex, &out, &outSize, &offset, &processed, &alloc, &alloc),
                SZ_OK)
          << entry.name;
      entry.data.assign(reinterpret_cast<const char*>(out) + offset, processed);
    }
    entries->push_back(std::move(entry));
  }
  ISzAlloc_Free(&alloc, out);
  SzArEx_Free(&db, &alloc);
}

bool SkinWritten(const char* name) {
  const char* source = std::getenv("LUMAVOX_SOURCE_DIR");
  if (!source) return true;
  std::string path = std::string("Z:") + source + "/resources/skin/" + name;
  std::replace(path.begin(), path.end(), '/', '\\');
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(SkinArchive, HoldsTheSkinsAndImagesInOneBlock) {
  std::string_view bytes =
      ResourceBytes(L"SKINPACK", MAKEINTRESOURCEW(147), MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
  ASSERT_FALSE(bytes.empty()) << "no SKINPACK 147 in Chinese (PRC)";

  std::vector<ArchiveEntry> entries;
  UInt32 blocks = 0;
  ReadArchive(bytes, &entries, &blocks);
  EXPECT_EQ(blocks, 1u);

  std::set<std::string> files, folders;
  for (const ArchiveEntry& e : entries) {
    (e.folder ? folders : files).insert(e.name);
    if (e.folder) continue;
    const bool xml = e.name.size() > 4 && e.name.compare(e.name.size() - 4, 4, ".xml") == 0;
    EXPECT_EQ(e.data.compare(0, xml ? 5 : 8, xml ? "<?xml" : "\x89PNG\r\n\x1a\n"), 0) << e.name;
  }
  EXPECT_EQ(folders, (std::set<std::string>{"res", "res/common", "res/mainWnd", "res/MessageBoxWnd"}));

  std::set<std::string> expected(std::begin(kImages), std::end(kImages));
  std::string missing;
  for (const char* skin : kSkins) {
    if (SkinWritten(skin))
      expected.insert(skin);
    else
      missing += std::string(" ") + skin;
  }
  EXPECT_EQ(files, expected);
  if (!missing.empty()) GTEST_SKIP() << "images checked; skins not written yet:" << missing;
  EXPECT_EQ(files.size(), 37u);
}

TEST(IconGroup, Has16To256PixelImagesThatLoad) {
  std::string_view group = ResourceBytes(RT_GROUP_ICON, MAKEINTRESOURCEW(145));
  ASSERT_GE(group.size(), 6u);
  WORD count = 0;
  std::memcpy(&count, group.data() + 4, 2);
  ASSERT_EQ(group.size(), 6u + 14u * count);
  std::set<int> sides;
  for (WORD i = 0; i < count; ++i) {
    const auto* entry = reinterpret_cast<const BYTE*>(group.data() + 6 + 14 * i);
    EXPECT_EQ(entry[0], entry[1]) << "square images only";
    sides.insert(entry[0] == 0 ? 256 : entry[0]);
  }
  for (int side : {16, 24, 32, 48, 256}) {
    EXPECT_EQ(sides.count(side), 1u) << side;
    HICON icon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(145), IMAGE_ICON, side, side, LR_DEFAULTCOLOR));
    ASSERT_NE(icon, nullptr) << side;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP colour{};
    GetObjectW(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, side);
    EXPECT_EQ(colour.bmBitsPixel, 32) << side;
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
}

std::wstring VersionString(const std::vector<char>& block, const wchar_t* field) {
  struct {
    WORD language, codePage;
  }* translation = nullptr;
  UINT size = 0;
  if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &size))
    return L"<no translation>";
  wchar_t path[128];
  swprintf(path, 128, L"\\StringFileInfo\\%04x%04x\\%ls", translation->language, translation->codePage, field);
  wchar_t* value = nullptr;
  if (!VerQueryValueW(block.data(), path, reinterpret_cast<void**>(&value), &size)) return L"<missing>";
  return value;
}

TEST(AppResources, VersionNamesLumavox179OfZeltoSoft) {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::vector<char> block(GetFileVersionInfoSizeW(exe, nullptr));
  ASSERT_FALSE(block.empty());
  ASSERT_TRUE(GetFileVersionInfoW(exe, 0, DWORD(block.size()), block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(7, 1));
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, 9));
  EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(7, 1));
  EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(0, 9));
  EXPECT_EQ(VersionString(block, L"ProductName"), L"Lumavox");
  EXPECT_EQ(VersionString(block, L"CompanyName"), L"ZeltoSoft");
  EXPECT_EQ(VersionString(block, L"FileVersion"), L"1.7.9");
  EXPECT_EQ(VersionString(block, L"ProductVersion"), L"1.7.9");
  EXPECT_EQ(VersionString(block, L"FileDescription"), L"Lumavox \u5b89\u88c5\u7a0b\u5e8f");
}

TEST(AppResources, ManifestAsksForAdministratorAndCommonControls6) {
  std::string manifest(ResourceBytes(RT_MANIFEST, MAKEINTRESOURCEW(1)));
  ASSERT_FALSE(manifest.empty());
  EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
  for (const char* os : {"e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
                         "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
                         "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"})
    EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"{") + os + "}\"/>"), std::string::npos) << os;

  // The loader honours the manifest: the process's activation context sends
  // comctl32.dll to the side-by-side version 6 assembly.
  ACTCTX_SECTION_KEYED_DATA redirect{};
  redirect.cbSize = sizeof redirect;
  EXPECT_TRUE(
      FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll", &redirect));
}

}  // namespace
