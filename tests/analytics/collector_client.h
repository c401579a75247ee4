#pragma once
// The test side of the local collector (tests/fixtures/collector), and small
// helpers the analytics tests share.

#include <cstddef>
#include <string>
#include <vector>

namespace testing_analytics {

// A variable of the process environment, empty when unset.
std::string Env(const char* name);

struct CollectorRequest {
  int status = 0;
  size_t records = 0;
  size_t bodyBytes = 0;
  size_t jsonBytes = 0;
  std::string path, contentType, userAgent;
};

class CollectorClient {
 public:
  // The collector named by LUMAVOX_COLLECTOR_URL / LUMAVOX_COLLECTOR_CONTROL.
  CollectorClient();
  // A collector by its collection URL (its control URL is derived).
  explicit CollectorClient(const std::string& collectUrl);

  bool available() const { return !control_.empty(); }
  const std::string& url() const { return url_; }

  std::vector<std::string> Records() const;  // raw JSON text, in arrival order
  std::vector<CollectorRequest> Requests() const;
  // mode: ok, fail or slow; count: for the next posts only; refusalBytes:
  // the size of a refusal's body.
  void SetMode(const std::string& mode, int count = -1, int refusalBytes = -1) const;
  void Clear() const;

 private:
  std::string Get(const std::string& path) const;
  std::string url_, control_;
};

// The record text with the random "_track_id" (and, when asked, "time")
// replaced by N, so records can be compared whole.
std::string Normalized(const std::string& record, bool time = false);
// The raw JSON text of a property value inside a record, empty when absent.
std::string PropertyJson(const std::string& record, const std::string& key);

// A fresh folder under the temporary path, removed with everything in it.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& name);
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }  // ANSI, ends with "\"
 private:
  std::string path_;
};

// Points the tracker of this test program at a folder of its own: a
// Set.ini beside the program names the identity INI inside a scratch folder,
// and LUMAVOX_ANALYTICS_URL names the collection endpoint. Both go away with
// the sandbox. Each analytics test program lives in a folder of its own, so
// the Set.ini is never shared.
class AnalyticsSandbox {
 public:
  AnalyticsSandbox(const std::string& name, const std::string& url,
                   const std::string& appName = "lumavoxapp.downloader");
  ~AnalyticsSandbox();
  AnalyticsSandbox(const AnalyticsSandbox&) = delete;
  AnalyticsSandbox& operator=(const AnalyticsSandbox&) = delete;
  const std::string& dataFolder() const { return dir_.path(); }
  std::string iniPath() const { return dir_.path() + appName_ + "_ZTSConfigure.ini"; }
  std::string stagingPath() const { return dir_.path() + appName_ + "_ZTSStaging.txt"; }
  std::string logPath() const { return dir_.path() + appName_ + "_ZTSLog.txt"; }
  std::string Ini(const char* section, const char* key) const;

 private:
  ScratchDir dir_;
  std::string appName_;
  std::string settings_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
bool FileExists(const std::string& path);
std::vector<std::string> Lines(const std::string& text);

}  // namespace testing_analytics
