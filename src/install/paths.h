#pragma once
// Small path helpers of the install component.

#include <string>

namespace InstallPaths {

// One backslash between folder and name, none when the folder already ends
// in one, and the name alone when the folder is empty.
std::wstring Join(const std::wstring& folder, const std::wstring& name);

// True when a file (not a folder) exists at the path.
bool FileExists(const std::wstring& path);

// The path with its last component removed ("D:\P\uninst.ep" -> "D:\P",
// "D:\uninst.ep" -> "D:\"); empty when there is no folder part.
std::wstring ParentFolder(const std::wstring& path);

// The file name and extension of a path, without its folder.
std::wstring FileName(const std::wstring& path);

// True when the relative path from one folder to the other is ".", as the
// system computes it (without regard to letter case).
bool SameFolder(const std::wstring& from, const std::wstring& to);

}  // namespace InstallPaths
