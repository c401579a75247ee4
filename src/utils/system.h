#pragma once
// Questions the installer asks of the machine. Every query answers with a
// neutral value (false, empty, 0) instead of throwing.

#include <windows.h>

#include <cstdint>
#include <string>

namespace Utils {

class HardDiskManager {
 public:
  virtual ~HardDiskManager() = default;
  // Fills the three counts for the directory; false (and a log record) when
  // the system cannot answer.
  bool CheckFreeSpace(const std::wstring& directory);

  uint64_t freeBytesAvailable = 0;
  uint64_t totalBytes = 0;
  uint64_t totalFreeBytes = 0;
};

// Network state word: low 16 bits the connectivity flags of the network list
// manager, high 16 bits the verdict (0 internet, 1 no connectivity, 2 no
// internet). The calling thread must have initialised COM.
uint32_t CheckNetwork();
constexpr bool IsNetworkUsable(uint32_t word) { return word < 0x10000; }

// Kernel version numbers; valid is false when they cannot be read.
struct OsVersionNumbers {
  bool valid = false;
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;  // low 16 bits only
};
OsVersionNumbers ReadOsVersionNumbers();
// The version-name table, for given numbers (isR2: the R2 system metric).
std::wstring OsVersionName(const OsVersionNumbers& v, bool isR2);
// family is always "Windows".
void GetOsVersionName(std::wstring& family, std::wstring& name);

bool Is64BitSystem();

// The private temporary folder "~ZeltoTemp.92482B06FB471E17\" under the
// user's temporary path, created if needed; empty when it cannot be made.
std::wstring GetTempDir();

// Creates every missing folder along the path; paths longer than 260
// characters fail without creating anything.
bool CreateDirectories(const std::wstring& path);

// String values under HKEY_CURRENT_USER\Software\ZeltoSoft\lumavoxapp.
extern const wchar_t* const kInstallerRegistryKey;
bool WriteRegString(const std::wstring& name, const std::wstring& value);
bool ReadRegString(const std::wstring& name, DWORD& type, std::wstring& value);

// 32 hexadecimal digits of a new GUID (third group lower case).
std::wstring NewGuidString();

// MD5 of a file as 32 lower-case hex digits; empty when it cannot be read.
std::string FileMd5(const std::string& ansiPath);
// The next-to-last path segment of a URL (the package digest by convention).
std::string Md5FromUrl(const std::string& url);

bool IsAdminGroupMember();
bool IsAdminUser(const std::wstring& userName);
bool GetConsoleUserName(std::wstring& userName);

// Tick-count stopwatch.
class Stopwatch {
 public:
  void Start();
  void Stop() { running_ = false; }
  bool Running() const { return running_; }
  float ElapsedSeconds() const;  // 0 when not running

 private:
  uint64_t start_ = 0;
  bool running_ = false;
};

// Dispatches the thread's pending messages for about 100 ms, while the window
// (if one is given) exists. A WM_QUIT taken is posted again.
bool PumpMessages(HWND window);

}  // namespace Utils
