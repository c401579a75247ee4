#include "install/child_output_reader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "utils/exception.h"
#include "utils/log.h"
#include "utils/process.h"
#include "utils/text.h"

std::string CLineAssembler::Feed(const char* data, size_t size) {
  std::string lines;
  for (size_t i = 0; i < size; ++i) {
    const char c = data[i];
    if (c == '\n') {
      if (!cut_) lines += pending_ + '\n';
      pending_.clear();
      dropping_ = false;
      cut_ = false;
      continue;
    }
    if (dropping_) continue;
    if (c == '\0') {
      // A NUL ends the text of its line, as it would end a C string.
      dropping_ = true;
      continue;
    }
    pending_.push_back(c);
    if (pending_.size() >= kMaxLineBytes) {
      pending_.push_back('\n');
      lines += pending_;
      pending_.clear();
      dropping_ = true;
      cut_ = true;
    }
  }
  return lines;
}

std::string CLineAssembler::Flush() {
  dropping_ = false;
  cut_ = false;
  return std::exchange(pending_, std::string());
}

std::wstring DecodeChildOutput(const std::string& bytes, int32_t codePage) {
  UINT cp = CP_ACP;
  if (codePage == CP_UTF8) {
    cp = CP_UTF8;
  } else if (codePage > 0 && codePage <= 0xFFFF && ::IsValidCodePage(static_cast<UINT>(codePage))) {
    cp = static_cast<UINT>(codePage);
  } else if (codePage != 0) {
    DEBUG_LOG_LINE(L"code page %d not available, decoding with the ANSI code page", codePage);
  }
  return Utils::NarrowToWide(bytes, cp);
}

bool CChildOutputReader::Run(const Utils::Process& child, const int32_t& codePage, const ChunkParser& parse,
                             const Options& options) {
  bool verdictSeen = false;
  CLineAssembler lines;
  char buffer[kReadSize];
  const HANDLE output = child.Output();

  auto handle = [&](const std::string& bytes) {
    if (bytes.empty()) return 0;
    const int verdict = parse(DecodeChildOutput(bytes, codePage));
    if (verdict != 0) verdictSeen = true;
    return verdict;
  };

  // Once the child has ended, only what the pipe held at that moment is
  // read: a program that inherited the pipe could otherwise keep us here by
  // writing for ever.
  uint64_t leftAfterEnd = std::numeric_limits<uint64_t>::max();
  for (;;) {
    const bool ended = child.HasEnded();
    DWORD available = 0;
    const bool open = output && ::PeekNamedPipe(output, nullptr, 0, nullptr, &available, nullptr);
    if (ended && leftAfterEnd == std::numeric_limits<uint64_t>::max()) leftAfterEnd = open ? available : 0;
    const uint64_t want = std::min<uint64_t>({available, kReadSize, leftAfterEnd});
    if (open && want > 0) {
      DWORD got = 0;
      // Never more than the pipe holds, so the read returns at once.
      if (!::ReadFile(output, buffer, static_cast<DWORD>(want), &got, nullptr) && got == 0) break;
      if (ended) leftAfterEnd -= got;
      if (handle(lines.Feed(buffer, got)) != 0 && options.stopAtVerdict) return true;
      continue;
    }
    if (ended) break;
    if (!open) {
      // Every writer has closed the pipe; nothing more can come.
      break;
    }
    ::WaitForSingleObject(child.ProcessHandle(), options.idleWaitMs);
  }
  handle(lines.Flush());
  return verdictSeen;
}

void CChildOutputReader::WaitForEnd(const Utils::Process& child, DWORD pollMs) {
  char buffer[kReadSize];
  const HANDLE output = child.Output();
  while (::WaitForSingleObject(child.ProcessHandle(), pollMs) == WAIT_TIMEOUT) {
    DWORD available = 0;
    while (output && ::PeekNamedPipe(output, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
      DWORD got = 0;
      if (!::ReadFile(output, buffer, std::min<DWORD>(available, kReadSize), &got, nullptr) || got == 0) break;
    }
  }
}

CChildOutputReader::Outcome CChildOutputReader::RunChild(std::unique_ptr<Utils::Process>& process,
                                                         const std::wstring& commandLine, const int32_t& codePage,
                                                         const ChunkParser& parse, const Options& options,
                                                         const wchar_t* what) {
  Outcome outcome;
  process = std::make_unique<Utils::Process>();
  try {
    process->Launch(commandLine);
  } catch (const Utils::Exception& e) {
    const DWORD error = ::GetLastError();
    DEBUG_LOG_LINE(L"cannot start the %s (%s, error %lu): %s", what, Utils::NarrowToWide(e.what(), 0).c_str(), error,
                   commandLine.c_str());
    process.reset();
    return outcome;
  }
  outcome.launched = true;
  outcome.verdictSeen = Run(*process, codePage, parse, options);
  WaitForEnd(*process, options.idleWaitMs);
  outcome.exitCode = process->ExitCode();
  process.reset();
  return outcome;
}
