// Headless install driver: runs the whole download-and-install job the way
// the installer window does, without the window, and prints every event as
// it arrives. A developer's tool for trying a package and the tool the
// end-to-end tests drive.
//
//   install_driver.exe -downloadurl=URL [installer switches] [options]
//
// The installer's own switches (-downloadurl=, -downloadtype=, -instcmd=,
// ...) are applied as the installer applies them. Options:
//   --dir=FOLDER              install into FOLDER (default: the installer's
//                             default folder)
//   --custom-dir=FOLDER       FOLDER as chosen on the custom-install page
//                             (\lumavoxapp is added unless it is the default)
//   --desktop=true|false      desktop shortcut (default true)
//   --quicklaunch=true|false  quick-launch shortcut (default true)
//   --old-uninstaller=PATH    the installed version's uninstaller record; by
//                             default it comes from the registry record, as
//                             the window reads it ("" for none)
//   --user-admin=true|false, --process-admin=true|false
//                             the rights passed to the package (default: this
//                             machine's answers)
//   --no-records              do not write the install records
//   --timestamps              add the time of each event (FILETIME: 100 ns
//                             units since 1601, UTC) as a last field
//   --timeout=SECONDS         give up after this long (exit code 3)
//
// Output, UTF-8, one record per line, fields separated by tabs (control
// characters and "%" in texts are written as "%" and two hex digits, so a CR
// at the end of a text shows as %0D):
//   folder <folder>           old-uninstaller <path>
//   event <code> <value> <text> [<time>]
//   records settings|registry <folder>     launch <product>
//   result success|failure|timeout <code>
// Exit code: 0 installed, 1 failed, 2 bad arguments, 3 timed out.

// curl's headers bring in winsock2.h, which must come before windows.h.
#include <winsock2.h>

#include <windows.h>

#include <shellapi.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include <curl/curl.h>

#include "config/install_config.h"
#include "install/download_installer.h"
#include "install/install_event_message.h"
#include "install/install_records.h"
#include "utils/system.h"
#include "utils/text.h"

using namespace InstallEventCode;

namespace {

constexpr UINT_PTR kTimeoutTimer = 1;

// The event record posted to the driver's window, with the moment the
// worker raised it.
struct StampedEvent : InstallEvent {
  uint64_t time = 0;
};

uint64_t Now() {
  FILETIME ft;
  ::GetSystemTimePreciseAsFileTime(&ft);
  return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

void Print(const std::wstring& line) {
  const std::string bytes = Utils::WideToNarrow(line + L"\n", CP_UTF8);
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// Control characters and "%" as "%" and two hex digits, so every record
// stays on one line and paths stay readable.
std::wstring Escape(const std::wstring& text) {
  static const wchar_t kHex[] = L"0123456789ABCDEF";
  std::wstring out;
  for (wchar_t c : text) {
    if (c < 0x20 || c == 0x7F || c == L'%') {
      out += L'%';
      out += kHex[(c >> 4) & 15];
      out += kHex[c & 15];
    } else {
      out += c;
    }
  }
  return out;
}

std::wstring Number(double value) {
  char text[64] = {};
  const auto result = std::to_chars(text, text + sizeof(text) - 1, value);
  *result.ptr = '\0';
  return Utils::NarrowToWide(text, CP_UTF8);
}

struct Options {
  std::map<std::wstring, std::wstring> values;  // "--name" -> value
  bool Has(const wchar_t* name) const { return values.count(name) != 0; }
  std::wstring Get(const wchar_t* name, const std::wstring& fallback = L"") const {
    const auto it = values.find(name);
    return it == values.end() ? fallback : it->second;
  }
};

bool ParseBool(const std::wstring& text, bool& out) {
  if (text == L"true") return out = true, true;
  if (text == L"false") return out = false, true;
  return false;
}

// What the window keeps between events, and what it does with them.
class Job {
 public:
  Job(const InstallRecords& records, std::wstring folder, bool writeRecords, bool timestamps)
      : records_(records), installedFolder_(std::move(folder)), writeRecords_(writeRecords), timestamps_(timestamps) {}

  // Returns true when the event ends the job.
  bool Handle(HWND window, const StampedEvent& e) {
    std::wstring line = L"event\t" + std::to_wstring(e.code) + L"\t" + Number(e.value) + L"\t" + Escape(e.text);
    if (timestamps_) line += L"\t" + std::to_wstring(e.time);
    Print(line);
    switch (e.code) {
      case IST_CODE_START:
        WriteSettings();
        return false;
      case IST_INFO_INST_PATH:
        installedFolder_ = e.text;
        return false;
      case IST_INFO_EXE_PATH:
        productExe_ = e.text;
        return false;
      case IST_INFO_UNINST_EP:
        uninstallerRecord_ = e.text;
        return false;
      case IST_INFO_START_URL:
        startUrl_ = e.text;
        return false;
      case IST_INFO_STARTUP_STYLE:
        startupStyle_ = static_cast<int>(e.value);
        return false;
      case INSTALL_SUCCESS:
        if (writeRecords_) {
          records_.WriteRegistry(installedFolder_, uninstallerRecord_);
          Print(L"records\tregistry\t" + Escape(installedFolder_));
        }
        WriteSettings();
        if (writeRecords_ && startupStyle_ == 1) {
          Print(L"launch\t" + Escape(productExe_));
          records_.LaunchProduct(startUrl_, productExe_, window);
        }
        return Finish(true, e.code);
      case IST_CODE_FAIL:
      case DL_CODE_FAIL:
      case UNIST_CODE_FAIL:
      case UNIST_CODE_ERROR:
        return Finish(false, e.code);
      default:
        return false;
    }
  }

  bool done() const { return done_; }
  bool succeeded() const { return succeeded_; }

 private:
  void WriteSettings() {
    if (!writeRecords_) return;
    records_.WriteSettings(installedFolder_);
    Print(L"records\tsettings\t" + Escape(installedFolder_));
  }

  bool Finish(bool success, int32_t code) {
    if (done_) return true;
    done_ = true;
    succeeded_ = success;
    Print(std::wstring(L"result\t") + (success ? L"success" : L"failure") + L"\t" + std::to_wstring(code));
    return true;
  }

  const InstallRecords& records_;
  std::wstring installedFolder_;
  std::wstring productExe_;
  std::wstring uninstallerRecord_;
  std::wstring startUrl_;
  int startupStyle_ = 0;
  bool writeRecords_;
  bool timestamps_;
  bool done_ = false;
  bool succeeded_ = false;
};

Job* g_job = nullptr;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INSTALL_EVENT) {
    std::unique_ptr<StampedEvent> event(reinterpret_cast<StampedEvent*>(lParam));
    // Events after the end (a package still reporting) are printed too.
    if (g_job && g_job->Handle(window, *event)) ::PostQuitMessage(0);
    return 0;
  }
  if (message == WM_TIMER && wParam == kTimeoutTimer) {
    Print(L"result\ttimeout\t0");
    // The workers may wait for a child that never ends; do not wait for them.
    ::ExitProcess(3);
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

int Usage(const std::wstring& problem) {
  Print(L"error\t" + Escape(problem));
  Print(
      L"usage: install_driver.exe -downloadurl=URL [--dir=FOLDER | --custom-dir=FOLDER] [--desktop=true|false]"
      L" [--quicklaunch=true|false] [--old-uninstaller=PATH] [--user-admin=true|false]"
      L" [--process-admin=true|false] [--no-records] [--timestamps] [--timeout=SECONDS]");
  return 2;
}

int Run() {
  // The installer's own switches, then the driver's options.
  g_InstallConfig.ApplySwitches();
  Options options;
  {
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    for (int i = 1; argv && i < argc; ++i) {
      const std::wstring arg = argv[i];
      if (arg.compare(0, 2, L"--") != 0) {
        if (arg.empty() || arg[0] != L'-') {
          ::LocalFree(argv);
          return Usage(L"unknown argument " + arg);
        }
        continue;  // an installer switch
      }
      const size_t eq = arg.find(L'=');
      options.values[arg.substr(0, eq)] = eq == std::wstring::npos ? L"" : arg.substr(eq + 1);
    }
    if (argv) ::LocalFree(argv);
  }
  static const wchar_t* const kKnown[] = {
      L"--dir",        L"--custom-dir",    L"--desktop",    L"--quicklaunch", L"--old-uninstaller",
      L"--user-admin", L"--process-admin", L"--no-records", L"--timestamps",  L"--timeout"};
  for (const auto& [name, value] : options.values) {
    bool known = false;
    for (const wchar_t* k : kKnown) known = known || name == k;
    if (!known) return Usage(L"unknown option " + name);
  }
  if (g_InstallConfig.DownloadUrl.empty()) return Usage(L"no download URL");

  bool desktop = true, quickLaunch = true;
  if (options.Has(L"--desktop") && !ParseBool(options.Get(L"--desktop"), desktop))
    return Usage(L"--desktop takes true or false");
  if (options.Has(L"--quicklaunch") && !ParseBool(options.Get(L"--quicklaunch"), quickLaunch))
    return Usage(L"--quicklaunch takes true or false");

  const InstallRecords records;
  const InstallRecords::Existing existing = records.ReadExisting();
  const InstallRecords::DefaultDir defaults = records.DefaultInstallDir(existing);
  bool userIsAdmin = defaults.userIsAdmin, processIsAdmin = defaults.processIsAdmin;
  if (options.Has(L"--user-admin") && !ParseBool(options.Get(L"--user-admin"), userIsAdmin))
    return Usage(L"--user-admin takes true or false");
  if (options.Has(L"--process-admin") && !ParseBool(options.Get(L"--process-admin"), processIsAdmin))
    return Usage(L"--process-admin takes true or false");

  std::wstring folder = defaults.folder;
  if (options.Has(L"--dir")) folder = options.Get(L"--dir");
  if (options.Has(L"--custom-dir")) folder = records.CustomInstallDir(options.Get(L"--custom-dir"), existing);
  if (folder.empty() || !Utils::CreateDirectories(folder)) return Usage(L"invalid install folder " + folder);

  std::wstring oldUninstaller =
      records.KeepsOldVersion(folder, existing.installDir) ? std::wstring() : existing.uninstallerPath;
  if (options.Has(L"--old-uninstaller")) oldUninstaller = options.Get(L"--old-uninstaller");

  DWORD timeoutMs = 0;
  if (options.Has(L"--timeout")) {
    const std::wstring t = options.Get(L"--timeout");
    wchar_t* end = nullptr;
    const unsigned long seconds = std::wcstoul(t.c_str(), &end, 10);
    if (t.empty() || *end != L'\0' || seconds == 0 || seconds > 86400) return Usage(L"--timeout takes seconds");
    timeoutMs = static_cast<DWORD>(seconds * 1000);
  }

  Print(L"folder\t" + Escape(folder));
  Print(L"old-uninstaller\t" + Escape(oldUninstaller));

  WNDCLASSW wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"LumavoxInstallDriver";
  ::RegisterClassW(&wc);
  HWND window =
      ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  if (!window) {
    Print(L"error\tno message window");
    return 1;
  }
  if (timeoutMs) ::SetTimer(window, kTimeoutTimer, timeoutMs, nullptr);

  Job job(records, folder, !options.Has(L"--no-records"), options.Has(L"--timestamps"));
  g_job = &job;
  {
    auto post = [window](int32_t code, double value, const std::wstring& text) {
      auto event = std::make_unique<StampedEvent>();
      event->time = Now();
      event->code = code;
      event->value = value;
      event->text = text;
      if (::PostMessageW(window, WM_INSTALL_EVENT, 0, reinterpret_cast<LPARAM>(event.get()))) event.release();
    };
    // The rights given here go to the uninstaller's command line as well.
    InstallEnvironment environment = InstallEnvironment::System();
    environment.userIsAdmin = [userIsAdmin] { return userIsAdmin; };
    environment.processIsAdmin = [processIsAdmin] { return processIsAdmin; };
    CDownloadInstaller installer(post, L"", L"", L"", true, true, true, environment);
    installer.SetParams(g_InstallConfig.DownloadUrl, oldUninstaller, folder, desktop, quickLaunch, userIsAdmin,
                        processIsAdmin);
    installer.Start();

    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    // Leaving the block waits for the workers, and so for a package that
    // reported its verdict but still runs.
  }
  // What the workers raised while they ended.
  MSG msg;
  while (::PeekMessageW(&msg, window, WM_INSTALL_EVENT, WM_INSTALL_EVENT, PM_REMOVE)) ::DispatchMessageW(&msg);
  g_job = nullptr;
  ::DestroyWindow(window);
  return job.succeeded() ? 0 : 1;
}

}  // namespace

int wmain() {
  g_InstallConfig.CurlReady = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;
  const int code = Run();
  curl_global_cleanup();
  return code;
}
