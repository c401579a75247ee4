#pragma once
// The skin archive: a 7z archive packed into the executable as a custom
// resource, read once per process and kept in memory.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace SkinUI {

// Skin files are small; anything bigger than this is refused.
constexpr size_t kMaxSkinFileSize = 4u * 1024u * 1024u;

struct ArchiveEntry {
  std::wstring name;      // as stored, "/" between folders
  size_t nameLength = 0;  // characters, counting the terminator
  uint32_t index = 0;     // position in the archive
  uint64_t size = 0;
  bool extracted = false;  // false for the entry whose extraction failed
  std::vector<uint8_t> data;
};

// Reads a complete 7z archive held in memory. Every entry that is not a
// folder is extracted at once, in archive order; the first extraction error
// ends the loop and the entries read so far stay usable.
class CSevenZipArchive {
 public:
  // False when the bytes are not a readable 7z archive (no entries then).
  bool Open(const uint8_t* data, size_t size);
  const std::vector<ArchiveEntry>& Entries() const { return entries_; }
  // Result code of the failing decoder call (0 when everything was read).
  int LastResult() const { return lastResult_; }

  // "\" is taken as "/", letters match ignoring case. Null when absent.
  const ArchiveEntry* Find(const std::wstring& name) const;

 private:
  std::vector<ArchiveEntry> entries_;
  int lastResult_ = 0;
};

// The process-wide skin archive, filled from a resource of type "SKINPACK".
class CSkinArchive {
 public:
  static CSkinArchive& Instance();

  // Loads the resource and opens it unless an archive is already open.
  // False when the resource is missing, cannot be loaded or is empty: the
  // caller then builds no skin.
  bool OpenFromResource(HMODULE module, UINT resourceId);
  bool IsOpen() const;
  // Number of times an archive was actually decoded (tests check reuse).
  int OpenCount() const;

  // A skin file: at most kMaxSkinFileSize bytes. On failure returns false
  // and puts one of "Could not find ziped file", "File is empty",
  // "File too large", "Could not unzip file" into error.
  bool ReadSkinFile(const std::wstring& name, std::string& data, std::wstring& error) const;
  // Any file, no size limit; false when absent or not extracted.
  bool ReadFile(const std::wstring& name, std::vector<uint8_t>& data) const;
  std::vector<std::wstring> FileNames() const;

 private:
  CSkinArchive() = default;
  mutable std::mutex mutex_;
  bool open_ = false;
  int openCount_ = 0;
  std::vector<uint8_t> bytes_;
  CSevenZipArchive archive_;
};

}  // namespace SkinUI
