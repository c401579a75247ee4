// md5_bench <file>: prints the seconds Utils::FileMd5 took and the digest.
#include <windows.h>

#include <cstdio>
#include <string>

#include "utils/system.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: md5_bench <file>\n");
    return 2;
  }
  LARGE_INTEGER frequency, begin, end;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&begin);
  const std::string digest = Utils::FileMd5(argv[1]);
  ::QueryPerformanceCounter(&end);
  std::printf("%.6f %s\n", static_cast<double>(end.QuadPart - begin.QuadPart) / frequency.QuadPart,
              digest.c_str());
  return digest.empty() ? 1 : 0;
}
