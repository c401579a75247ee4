#pragma once
// The reading loop both child runners wrap around their protocol reader.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace Utils {
class Process;
}

// Cuts a child's output byte stream into complete lines. A line split
// between two reads, or a multi-byte character split between them, waits
// here for the rest; so does an unfinished last line until the output ends.
class CLineAssembler {
 public:
  // Longest line kept (bytes). An overlong line is handed on cut to this
  // length and the rest of it, up to its LF, is dropped.
  static constexpr size_t kMaxLineBytes = 4096;

  // Takes the bytes of one read and returns the complete lines among them
  // (each with its LF), or nothing.
  std::string Feed(const char* data, size_t size);
  // The unfinished last line, once the output has ended (no LF added).
  std::string Flush();

 private:
  std::string pending_;
  bool dropping_ = false;  // inside the rest of an overlong line or after a NUL
  bool cut_ = false;       // the current line was handed on already, cut
};

// Decodes bytes of a child's output with the code page it announced: 0 is
// the ANSI code page, and so is a code page this system does not have,
// because decoding with it would silently drop every later line.
std::wstring DecodeChildOutput(const std::string& bytes, int32_t codePage);

class CChildOutputReader {
 public:
  // Parses one decoded chunk; returns its verdict (0 none, 1 success, 1000
  // failure).
  using ChunkParser = std::function<int(const std::wstring& chunk)>;

  struct Options {
    // Leave at once after the first chunk with a verdict (package runner).
    bool stopAtVerdict = false;
    // How long to wait for the child's end while its pipe is empty (ms).
    DWORD idleWaitMs = 100;
  };

  // Reads the child's standard output and hands every chunk of complete
  // lines to parse, decoded with codePage as it stands at that moment (the
  // parser may change it). Reads never block: only what the pipe already
  // holds is read, so a program that inherited the pipe from the child and
  // keeps it open cannot hold the loop. Once the child has ended, what it
  // wrote before is still read, and an unfinished last line is parsed.
  // Returns when the child has ended (or, with stopAtVerdict, at the first
  // verdict); returns whether a verdict was seen. Does not wait for the child.
  static bool Run(const Utils::Process& child, const int32_t& codePage, const ChunkParser& parse,
                  const Options& options);

  // Waits, without a time limit, for the child to end. What it still writes
  // meanwhile is read and dropped, so that a child that goes on writing
  // after its verdict cannot block on a full pipe while we wait for it.
  static void WaitForEnd(const Utils::Process& child, DWORD pollMs);

  struct Outcome {
    bool launched = false;
    bool verdictSeen = false;
    DWORD exitCode = 0;  // of an ended child
  };
  // The whole run of one child: starts it with its command line into
  // process (which holds it while it runs), reads it (Run), waits for its
  // end (WaitForEnd) and releases it. A launch failure is logged, naming the
  // child with what.
  static Outcome RunChild(std::unique_ptr<Utils::Process>& process, const std::wstring& commandLine,
                          const int32_t& codePage, const ChunkParser& parse, const Options& options,
                          const wchar_t* what);

  // The bytes read by one read at most.
  static constexpr DWORD kReadSize = 1024;
};
