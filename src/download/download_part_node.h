#pragma once
// One part of a segmented download: its own part file, its own connection,
// and where the next byte goes.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "download/curl_easy.h"
#include "download/download_util.h"
#include "download/range_reply.h"
#include "utils/md5_hasher.h"

class CMTCurlDownloader;

struct DownloadPartNode {
  Download::UniqueFile file;          // the part file, opened for appending; null once complete
  int64_t next = 0;                   // absolute offset of the next byte to receive
  int64_t end = 0;                    // absolute offset of the part's last byte
  std::unique_ptr<CCurlEasy> handle;  // reused across the part's retries
  std::string url;                    // the final URL
  std::string partPath;
  int32_t result = -1;               // -1 waiting, 0 complete, -2 part file error, else curl's result
  std::atomic<int64_t> received{0};  // bytes in the part file; read by the progress gate of both parts
  CMTCurlDownloader* owner = nullptr;
  CRangeReply reply;  // the answer to the current range request
  // Part 0 only, when there is a digest to check: the part's bytes hashed as
  // they are written, so that the digest need not read the package again.
  std::unique_ptr<Utils::Md5Hasher> md5;
};
