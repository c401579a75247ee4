#include "download/curl_easy.h"

#include "utils/tls_check.h"

CCurlEasy::CCurlEasy() : handle_(curl_easy_init()) {}

CCurlEasy::~CCurlEasy() {
  if (handle_) curl_easy_cleanup(handle_);
}

CURLcode CCurlEasy::Secure() {
  if (!handle_) return CURLE_FAILED_INIT;
  int rc = curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYPEER, 1L);
  rc |= curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYHOST, 2L);
  rc |= curl_easy_setopt(handle_, CURLOPT_PREREQFUNCTION, &CCurlEasy::PreRequest);
  rc |= curl_easy_setopt(handle_, CURLOPT_PREREQDATA, this);
  return static_cast<CURLcode>(rc);
}

CURLcode CCurlEasy::StallRule() {
  if (!handle_) return CURLE_FAILED_INIT;
  int rc = curl_easy_setopt(handle_, CURLOPT_LOW_SPEED_LIMIT, kLowSpeedLimit);
  rc |= curl_easy_setopt(handle_, CURLOPT_LOW_SPEED_TIME, kLowSpeedTime);
  return static_cast<CURLcode>(rc);
}

CURLcode CCurlEasy::StopOn(const std::atomic<bool>* stop) {
  if (!handle_) return CURLE_FAILED_INIT;
  int rc = curl_easy_setopt(handle_, CURLOPT_NOPROGRESS, 0L);
  rc |= curl_easy_setopt(handle_, CURLOPT_XFERINFOFUNCTION, &CCurlEasy::StopCheck);
  rc |= curl_easy_setopt(handle_, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(stop));
  return static_cast<CURLcode>(rc);
}

CURLcode CCurlEasy::Perform() {
  if (!handle_) return CURLE_FAILED_INIT;
  certificateRefused_ = false;
  const CURLcode rc = curl_easy_perform(handle_);
  if (rc == CURLE_ABORTED_BY_CALLBACK && certificateRefused_) return CURLE_PEER_FAILED_VERIFICATION;
  return rc;
}

void CCurlEasy::Reset() {
  if (handle_) curl_easy_reset(handle_);
  certificateRefused_ = false;
}

size_t CCurlEasy::Discard(char*, size_t size, size_t count, void*) { return size * count; }

int CCurlEasy::PreRequest(void* self, char*, char*, int, int) {
  auto* easy = static_cast<CCurlEasy*>(self);
  if (Utils::IsServerCertificateTrusted(easy->handle_)) return CURL_PREREQFUNC_OK;
  easy->certificateRefused_ = true;
  return CURL_PREREQFUNC_ABORT;
}

int CCurlEasy::StopCheck(void* stop, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<const std::atomic<bool>*>(stop)->load() ? 1 : 0;
}
