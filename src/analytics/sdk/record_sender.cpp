#include "analytics/sdk/record_sender.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "utils/tls_check.h"

namespace collect {

namespace {

size_t AppendBody(char* data, size_t size, size_t count, void* user) {
  auto* body = static_cast<std::string*>(user);
  const size_t n = size * count;
  // Only the start is kept: the body serves a diagnostic line, and a
  // misbehaving server must not make the process buffer without bound.
  if (body->size() < RecordSender::kMaxKeptBodyBytes) {
    body->append(data, std::min(n, RecordSender::kMaxKeptBodyBytes - body->size()));
  }
  return n;
}

std::string Trim(const std::string& s) {
  const char* blanks = " \t\r\n";
  const size_t first = s.find_first_not_of(blanks);
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

size_t ParseHeader(char* data, size_t size, size_t count, void* user) {
  auto* headers = static_cast<std::map<std::string, std::string>*>(user);
  const size_t n = size * count;
  const std::string line(data, n);
  const size_t colon = line.find(':');
  if (colon == std::string::npos) {
    const std::string key = Trim(line);
    if (!key.empty()) (*headers)[key] = "present";
  } else {
    (*headers)[Trim(line.substr(0, colon))] = Trim(line.substr(colon + 1));
  }
  return n;
}

// With the system's trust store, the server is checked once more by the
// system's own chain engine before the records go out: not every Schannel
// verifies (Wine's accepts any certificate).
struct ServerCheck {
  CURL* handle = nullptr;
  bool refused = false;
};

int CheckServer(void* data, char*, char*, int, int) {
  auto* check = static_cast<ServerCheck*>(data);
  if (Utils::IsServerCertificateTrusted(check->handle)) return CURL_PREREQFUNC_OK;
  check->refused = true;
  return CURL_PREREQFUNC_ABORT;
}

}  // namespace

HttpResponse RecordSender::Post(const std::string& url, const std::string& contentType, const std::string& body,
                                const std::map<std::string, std::string>& headers) {
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
  if (!curl) throw std::runtime_error("Couldn't initialize curl handle");
  CURL* h = curl.get();

  HttpResponse response;
  char error[CURL_ERROR_SIZE] = {};
  std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> list(nullptr, &curl_slist_free_all);
  auto addHeader = [&list](const std::string& line) {
    if (curl_slist* grown = curl_slist_append(list.get(), line.c_str())) {
      list.release();
      list.reset(grown);
    }
  };
  for (const auto& [key, value] : headers) addHeader(key + ": " + value);
  if (!contentType.empty()) addHeader("Content-Type: " + contentType);

  // Records carry device identifiers, so the endpoint's certificate and
  // host name are checked; a plain-HTTP endpoint has neither to check.
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
  ServerCheck check{h};
  if (!caFile_.empty()) {
    curl_easy_setopt(h, CURLOPT_CAINFO, caFile_.c_str());
  } else {
    curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, &CheckServer);
    curl_easy_setopt(h, CURLOPT_PREREQDATA, &check);
  }
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &AppendBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &response.body);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &ParseHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &response.headers);
  if (list) curl_easy_setopt(h, CURLOPT_HTTPHEADER, list.get());
  curl_easy_setopt(h, CURLOPT_USERAGENT, "ZtCollect CPP SDK 0.9");
  curl_easy_setopt(h, CURLOPT_TIMEOUT, kTimeoutSeconds);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(h, CURLOPT_POST, 1L);
  curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.data());
  curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));

  const CURLcode code = curl_easy_perform(h);
  if (code == CURLE_OK) {
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &response.status);
  } else {
    response.status = -1;
    response.body = check.refused ? "the server's certificate is not trusted for its host"
                    : error[0]    ? error
                                  : curl_easy_strerror(code);
  }
  return response;
}

}  // namespace collect
