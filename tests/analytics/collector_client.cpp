#include "analytics/collector_client.h"

// libcurl brings winsock2.h, which must come before windows.h.
#include <curl/curl.h>

#include <windows.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>

namespace testing_analytics {

std::string Env(const char* name) {
  char buffer[2048] = {};
  const DWORD n = ::GetEnvironmentVariableA(name, buffer, sizeof buffer);
  return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

CollectorClient::CollectorClient() : url_(Env("LUMAVOX_COLLECTOR_URL")), control_(Env("LUMAVOX_COLLECTOR_CONTROL")) {}

CollectorClient::CollectorClient(const std::string& collectUrl) : url_(collectUrl) {
  const size_t path = url_.find("/sa");
  if (path != std::string::npos) control_ = url_.substr(0, path) + "/_control";
}

namespace {

size_t Collect(char* data, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

}  // namespace

std::string CollectorClient::Get(const std::string& path) const {
  std::string body;
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
  const std::string url = control_ + path;
  curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &Collect);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &body);
  curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, 10L);
  curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
  // Only the test's look at a collector it started itself; the product
  // never turns these checks off.
  curl_easy_setopt(curl.get(), CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(curl.get(), CURLOPT_SSL_VERIFYHOST, 0L);
  const CURLcode code = curl_easy_perform(curl.get());
  long status = 0;
  curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
  EXPECT_EQ(code, CURLE_OK) << url;
  EXPECT_EQ(status, 200) << url;
  return body;
}

std::vector<std::string> CollectorClient::Records() const { return Lines(Get("/records")); }

std::vector<CollectorRequest> CollectorClient::Requests() const {
  std::vector<CollectorRequest> out;
  for (const std::string& line : Lines(Get("/requests"))) {
    std::vector<std::string> f;
    std::stringstream s(line);
    for (std::string field; std::getline(s, field, '\t');) f.push_back(field);
    f.resize(7);
    CollectorRequest r;
    r.status = std::atoi(f[0].c_str());
    r.records = std::strtoul(f[1].c_str(), nullptr, 10);
    r.bodyBytes = std::strtoul(f[2].c_str(), nullptr, 10);
    r.jsonBytes = std::strtoul(f[3].c_str(), nullptr, 10);
    r.path = f[4];
    r.contentType = f[5];
    r.userAgent = f[6];
    out.push_back(r);
  }
  return out;
}

void CollectorClient::SetMode(const std::string& mode, int count, int refusalBytes) const {
  Get("/mode?set=" + mode + (count >= 0 ? "&count=" + std::to_string(count) : "") +
      (refusalBytes >= 0 ? "&body=" + std::to_string(refusalBytes) : ""));
}

void CollectorClient::Clear() const { Get("/clear"); }

std::string Normalized(const std::string& record, bool time) {
  std::string out = std::regex_replace(record, std::regex("\"_track_id\":[0-9]+"), "\"_track_id\":N");
  if (time) out = std::regex_replace(out, std::regex("\"time\":[0-9]+"), "\"time\":N");
  return out;
}

std::string PropertyJson(const std::string& record, const std::string& key) {
  // Keys are never escaped and values of the properties object are flat, so
  // a value ends at the first ',' or '}' outside a string.
  const std::string needle = "\"" + key + "\":";
  const size_t properties = record.find("\"properties\":{");
  if (properties == std::string::npos) return "";
  size_t at = record.find(needle, properties);
  if (at == std::string::npos) return "";
  at += needle.size();
  size_t end = at;
  bool inString = false;
  int depth = 0;
  for (; end < record.size(); ++end) {
    const char c = record[end];
    if (inString) {
      if (c == '\\')
        ++end;
      else if (c == '"')
        inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[') {
      ++depth;
    } else if (c == ']') {
      --depth;
    } else if ((c == ',' || c == '}') && depth == 0) {
      break;
    }
  }
  return record.substr(at, end - at);
}

ScratchDir::ScratchDir(const std::string& name) {
  char temp[MAX_PATH + 1] = {};
  ::GetTempPathA(MAX_PATH, temp);
  path_ = std::string(temp) + "lumavox-test-" + name + "-" + std::to_string(::GetCurrentProcessId()) + "\\";
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
  std::filesystem::create_directories(path_, ec);
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

AnalyticsSandbox::AnalyticsSandbox(const std::string& name, const std::string& url, const std::string& appName)
    : dir_(name), appName_(appName) {
  char module[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, module, MAX_PATH);
  settings_ = module;
  settings_ = settings_.substr(0, settings_.rfind('\\') + 1) + "Set.ini";
  ::WritePrivateProfileStringA("Install", "ZTAnalyticsIni", iniPath().c_str(), settings_.c_str());
  ::SetEnvironmentVariableA("LUMAVOX_ANALYTICS_URL", url.c_str());
}

AnalyticsSandbox::~AnalyticsSandbox() {
  ::DeleteFileA(settings_.c_str());
  ::SetEnvironmentVariableA("LUMAVOX_ANALYTICS_URL", nullptr);
}

std::string AnalyticsSandbox::Ini(const char* section, const char* key) const {
  char value[512] = {};
  ::GetPrivateProfileStringA(section, key, "", value, sizeof value, iniPath().c_str());
  return value;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

bool FileExists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace testing_analytics
