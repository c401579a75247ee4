#pragma once
// What the install component asks of the machine. Tests give other answers
// where they need the other branch of a question (an administrator account,
// no application-data folder, another clock).

#include <windows.h>

#include <functional>
#include <string>

struct InstallEnvironment {
  // The account of the user at the interactive console has administrator
  // privilege (false when no user name can be obtained).
  std::function<bool()> userIsAdmin;
  // The installer process is a member of the Administrators group.
  std::function<bool()> processIsAdmin;
  // The value of an environment variable; empty when it is not set.
  std::function<std::wstring(const wchar_t* name)> environmentVariable;
  // A shell special folder (CSIDL); empty when the system cannot give it.
  std::function<std::wstring(int csidl)> specialFolder;
  // Full path of the running installer executable.
  std::function<std::wstring()> executablePath;
  // The current local time.
  std::function<SYSTEMTIME()> localTime;
  // The installer's private temporary folder, with its trailing backslash;
  // empty when it cannot be made.
  std::function<std::wstring()> tempDir;
  // Opens a URL or a program with the shell verb "open".
  std::function<void(const std::wstring& target, int showCommand)> shellOpen;

  // The answers of this machine.
  static InstallEnvironment System();
};
