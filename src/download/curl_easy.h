#pragma once
// Owners for libcurl resources, and the rules every transfer of the package
// follows whatever the downloader: the server certificate and host name are
// checked against the system's trust store, a transfer slower than 1 byte
// per second for 5 seconds fails, and a stop flag ends it at once.

#include <curl/curl.h>

#include <atomic>

class CCurlEasy {
 public:
  static constexpr long kLowSpeedLimit = 1;  // bytes per second
  static constexpr long kLowSpeedTime = 5;   // seconds

  CCurlEasy();
  ~CCurlEasy();
  // Not movable: curl keeps a pointer to the object for the certificate check.
  CCurlEasy(const CCurlEasy&) = delete;
  CCurlEasy& operator=(const CCurlEasy&) = delete;

  CURL* get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

  // Peer and host verification, and our own check of the certificate chain
  // against the system store before any request goes out. Set again after
  // Reset. Returns the OR of the option results.
  CURLcode Secure();
  CURLcode StallRule();
  // For transfers without a progress function of their own (the probes).
  CURLcode StopOn(const std::atomic<bool>* stop);

  // curl_easy_perform; a request stopped because the certificate was not
  // trusted gives CURLE_PEER_FAILED_VERIFICATION.
  CURLcode Perform();
  // curl_easy_reset: every option is cleared, the connection is kept.
  void Reset();

  // A write function that takes and drops everything.
  static size_t Discard(char* data, size_t size, size_t count, void* user);

 private:
  static int PreRequest(void* self, char* primaryIp, char* localIp, int primaryPort, int localPort);
  static int StopCheck(void* stop, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

  CURL* handle_;
  bool certificateRefused_ = false;
};

class CCurlHeaders {
 public:
  CCurlHeaders() = default;
  ~CCurlHeaders() { curl_slist_free_all(list_); }
  CCurlHeaders(const CCurlHeaders&) = delete;
  CCurlHeaders& operator=(const CCurlHeaders&) = delete;

  void Add(const char* line) {
    if (curl_slist* grown = curl_slist_append(list_, line)) list_ = grown;
  }
  curl_slist* get() const { return list_; }

 private:
  curl_slist* list_ = nullptr;
};
