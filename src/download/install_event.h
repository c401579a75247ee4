#pragma once
// The events every long-running worker of the installer reports, and the
// callback they report through (it may be called from any thread).

#include <cstdint>
#include <functional>
#include <string>

using InstallEventCallback = std::function<void(int32_t code, double value, const std::wstring& text)>;

namespace InstallEventCode {
enum : int32_t {
  DL_CODE_START = 1001,
  DL_CODE_PROGRESS = 1002,
  DOWNLOAD_SUCCESS = 1003,
  DL_CODE_FAIL = 1004,
  DL_CODE_RETRY = 1005,
  DL_CODE_NOTICE = 1006,

  IST_CODE_START = 2001,
  IST_CODE_PROGRESS = 2002,
  INSTALL_SUCCESS = 2003,
  IST_CODE_FAIL = 2004,

  IST_INFO_INST_PATH = 3000,
  IST_INFO_EXE_PATH = 3001,
  IST_INFO_UNINST_EXE = 3002,
  IST_INFO_UNINST_EP = 3003,
  IST_INFO_START_URL = 3004,
  IST_INFO_STARTUP_STYLE = 3005,
  IST_INFO_TOP_SHOW_DETENTION = 3007,
  IST_INFO_FINISH_CLOSE_DETENTION = 3008,
  IST_INFO_MESSAGE = 3009,

  UNIST_CODE_START = 5001,
  UNIST_CODE_PROGRESS = 5002,
  UNIST_CODE_SUCCESS = 5003,
  UNIST_CODE_FAIL = 5004,
  UNIST_CODE_ERROR = 5005,
};
}  // namespace InstallEventCode
