#pragma once
// One HTTP POST per call, over libcurl, to the collection endpoint.

#include <map>
#include <string>

namespace collect {

struct HttpResponse {
  long status = -1;  // -1 when the transfer itself failed
  std::string body;  // the response body, or libcurl's error text
  std::map<std::string, std::string> headers;
};

class RecordSender {
 public:
  // caFile: a PEM bundle whose certificates alone are trusted for the
  // endpoint; empty trusts the system's store.
  explicit RecordSender(std::string url, std::string caFile = "") : url_(std::move(url)), caFile_(std::move(caFile)) {}
  virtual ~RecordSender() = default;
  RecordSender(const RecordSender&) = delete;
  RecordSender& operator=(const RecordSender&) = delete;

  const std::string& url() const { return url_; }

  // Throws std::runtime_error("Couldn't initialize curl handle") when no
  // handle can be made; every other failure is in the response.
  virtual HttpResponse Post(const std::string& url, const std::string& contentType, const std::string& body,
                            const std::map<std::string, std::string>& headers);

  static constexpr long kTimeoutSeconds = 3;
  static constexpr size_t kMaxKeptBodyBytes = 64 * 1024;

 private:
  std::string url_;
  std::string caFile_;
};

}  // namespace collect
