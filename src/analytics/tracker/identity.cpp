#include "analytics/tracker/identity.h"

#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <chrono>
#include <cstdio>
#include <random>

#include "utils/system.h"
#include "utils/text.h"

namespace zelto {
namespace analytics {

namespace {

constexpr char kBase[] = "Base";
constexpr DWORD kValueBytes = 128;

std::string ReplaceSlashes(std::string s) {
  for (char& c : s) {
    if (c == '/') c = '\\';
  }
  return s;
}

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void MakeFolders(const std::string& ansiPath) { Utils::CreateDirectories(Utils::NarrowToWide(ansiPath, CP_ACP)); }

std::string ReadValue(const std::string& ini, const char* section, const char* key, DWORD size = kValueBytes) {
  std::string buffer(size, '\0');
  const DWORD n = ::GetPrivateProfileStringA(section, key, "", &buffer[0], size, ini.c_str());
  buffer.resize(n);
  return buffer;
}

std::string SpecialFolder(int csidl) {
  char path[MAX_PATH] = {};
  if (!::SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE)) return "";
  char shortPath[MAX_PATH] = {};
  const DWORD n = ::GetShortPathNameA(path, shortPath, MAX_PATH);
  // File systems without 8.3 names answer with nothing; the long form serves.
  return n > 0 && n < MAX_PATH ? std::string(shortPath) : std::string(path);
}

}  // namespace

std::string SettingsFileBesideProgram() {
  char module[MAX_PATH] = {};
  const DWORD n = ::GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string folder = ReplaceSlashes(std::string(module, n));
  const size_t slash = folder.rfind('\\');
  folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder + "Set.ini";
}

AnalyticsPaths LocateAnalyticsFiles(const std::string& settingsFile, const std::string& appName,
                                    const OsVersion& version) {
  // The application name is UTF-8; the file functions here take ANSI text.
  const std::string name = Utils::WideToNarrow(Utils::NarrowToWide(appName, CP_UTF8), CP_ACP);
  AnalyticsPaths paths;
  std::string configured;
  if (Exists(settingsFile)) configured = ReplaceSlashes(ReadValue(settingsFile, "Install", "ZTAnalyticsIni"));
  const size_t slash = configured.rfind('\\');
  // A bare file name, a folder without a file name or a relative path
  // (which the INI functions would look for in the Windows folder) names no
  // INI file.
  if (slash != std::string::npos && slash + 1 < configured.size() && !::PathIsRelativeA(configured.c_str())) {
    paths.iniPath = configured;
    paths.dataFolder = configured.substr(0, slash + 1);
    if (!Exists(paths.dataFolder)) MakeFolders(paths.dataFolder);
  } else {
    const bool windows7OrLater = version.valid && (version.major > 6 || (version.major == 6 && version.minor != 0));
    const std::string base = SpecialFolder(windows7OrLater ? CSIDL_LOCAL_APPDATA : CSIDL_COMMON_DOCUMENTS);
    paths.dataFolder = base + "\\ZTLocal\\";
    if (!Exists(paths.dataFolder)) MakeFolders(paths.dataFolder);
    paths.dataFolder += name + "\\";
    if (!Exists(paths.dataFolder)) MakeFolders(paths.dataFolder);
    paths.iniPath = paths.dataFolder + name + "_" + "ZTSConfigure.ini";
  }
  paths.logPath = paths.dataFolder + name + "_" + "ZTSLog.txt";
  paths.stagingPath = paths.dataFolder + name + "_" + "ZTSStaging.txt";
  return paths;
}

Identity LoadIdentity(const std::string& iniPath) {
  Identity id;
  if (Exists(iniPath)) {
    id.distinctId = ReadValue(iniPath, kBase, "DistinctId");
    id.primaryDistinctId = ReadValue(iniPath, kBase, "PrimaryDistinctId");
    if (id.primaryDistinctId.empty()) id.primaryDistinctId = id.distinctId;
    id.userId = ReadValue(iniPath, kBase, "UserId");
    id.vipLevel = static_cast<int>(::GetPrivateProfileIntA(kBase, "UserVipLevel", 0, iniPath.c_str()));
    id.isLogined = ReadValue(iniPath, kBase, "isLogined") == "OK";
    id.url = ReadValue(iniPath, kBase, "URL");
  }
  if (id.distinctId.empty()) {
    id.distinctId = NewDistinctId();
    SaveIdentity(iniPath, id);
  }
  return id;
}

void SaveIdentity(const std::string& iniPath, const Identity& id) {
  const char* ini = iniPath.c_str();
  ::WritePrivateProfileStringA(kBase, "isLogined", id.isLogined ? "OK" : "NG", ini);
  ::WritePrivateProfileStringA(kBase, "UserId", id.userId.c_str(), ini);
  ::WritePrivateProfileStringA(kBase, "DistinctId", id.distinctId.c_str(), ini);
  ::WritePrivateProfileStringA(kBase, "PrimaryDistinctId", id.primaryDistinctId.c_str(), ini);
  ::WritePrivateProfileStringA(kBase, "UserVipLevel", std::to_string(id.vipLevel).c_str(), ini);
  ::WritePrivateProfileStringA(kBase, "URL", id.url.c_str(), ini);
}

std::string NewDistinctId(const GuidSource& source) {
  const GuidSource ask = source ? source : GuidSource([](GUID* g) { return ::CoCreateGuid(g); });
  GUID guid{};
  ask(&guid);  // the first answer is not used
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (SUCCEEDED(ask(&guid))) {
      char text[40];
      std::snprintf(text, sizeof text, "%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                    static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                    guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
      return text;
    }
  }
  std::mt19937 random(static_cast<std::mt19937::result_type>(
      std::chrono::high_resolution_clock::now().time_since_epoch().count() ^ ::GetCurrentProcessId()));
  std::uniform_int_distribution<unsigned> draw(0, 2147483646u);
  unsigned v[8];
  for (unsigned& x : v) x = draw(random);
  v[3] = (v[3] & 0xFFF) | 0x4000;
  v[4] = (v[4] % 0x3FFF) + 0x8000;
  char text[96];
  std::snprintf(text, sizeof text, "%x%x-%x-%x-%x-%x%x%x", v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
  return text;
}

}  // namespace analytics
}  // namespace zelto
