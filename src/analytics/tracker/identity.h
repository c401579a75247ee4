#pragma once
// Where the tracker keeps its files, and the device identity it keeps in
// its INI file between runs. Paths are ANSI text for the system's ANSI calls.

#include <windows.h>

#include <functional>
#include <string>

#include "analytics/tracker/environment.h"

namespace zelto {
namespace analytics {

struct AnalyticsPaths {
  std::string dataFolder;   // ends with "\"
  std::string iniPath;      // the identity INI file
  std::string logPath;      // the tracker's log file
  std::string stagingPath;  // unsent records between runs
};

// The settings file beside the running program: its folder + "Set.ini".
std::string SettingsFileBesideProgram();

// A "ZTAnalyticsIni" path (section "Install") in the settings file names
// the identity INI and so the data folder; otherwise the default layout
// under the local application-data folder (the shared documents folder
// before Windows 7) applies: ZTLocal\<appName>\. Missing folders are made.
AnalyticsPaths LocateAnalyticsFiles(const std::string& settingsFile, const std::string& appName,
                                    const OsVersion& version);

struct Identity {
  bool isLogined = false;
  std::string userId;
  std::string distinctId;
  std::string primaryDistinctId;
  int vipLevel = 0;
  std::string url;  // the server URL the identity belongs to
};

// Reads section "Base"; with no distinct id stored a new one is made and
// saved at once.
Identity LoadIdentity(const std::string& iniPath);
void SaveIdentity(const std::string& iniPath, const Identity& identity);

// A new distinct id: an upper-case GUID text, or, when the system gives no
// GUID in ten attempts, a random text of the same shape. The source is the
// system's GUID call unless another is given.
using GuidSource = std::function<HRESULT(GUID*)>;
std::string NewDistinctId(const GuidSource& source = nullptr);

}  // namespace analytics
}  // namespace zelto
