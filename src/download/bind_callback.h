#pragma once
// The bind-status callback given to the system's URL download service: it
// turns the service's progress into 1002 events, stops a binding on request,
// and remembers the HTTP answer so that an error page or a body cut short
// (which the service may still report as a success) is not taken for the
// package. It lives inside its downloader: no reference counting.

// winsock2.h ahead of windows.h, as the curl users of the download headers need it.
#include <winsock2.h>

#include <windows.h>

#include <urlmon.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "download/install_event.h"

class CBindCallback : public IBindStatusCallbackEx, public IHttpNegotiate {
 public:
  CBindCallback() = default;
  virtual ~CBindCallback();
  CBindCallback(const CBindCallback&) = delete;
  CBindCallback& operator=(const CBindCallback&) = delete;

  void SetCallback(InstallEventCallback callback) { callback_ = std::move(callback); }
  // From any thread: every later progress call fails with E_ABORT, and a
  // running binding is told to stop.
  void Abort();
  bool Aborted() const { return abort_; }

  // Before each download attempt.
  void BeginAttempt();
  // After the service reported success: S_OK when the answer was a success
  // and the file has the announced length; otherwise the failure (an HTTP
  // status as HRESULT of FACILITY_HTTP, INET_E_DOWNLOAD_FAILURE for a short
  // or long body).
  HRESULT CheckAnswer(const std::wstring& savePath) const;
  // Milliseconds since the running binding last showed a sign of life; 0
  // while no binding runs.
  DWORD IdleMs() const;
  // Tells the running binding, if any, to stop. From any thread.
  void AbortBinding();

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 0; }
  ULONG STDMETHODCALLTYPE Release() override { return 0; }
  // IBindStatusCallback
  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD reserved, IBinding* binding) override;
  HRESULT STDMETHODCALLTYPE GetPriority(LONG* priority) override;
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD reserved) override;
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                       LPCWSTR statusText) override;
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR error) override;
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* bindFlags, BINDINFO* bindInfo) override;
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format, STGMEDIUM* medium) override;
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID riid, IUnknown* object) override;
  // IBindStatusCallbackEx
  HRESULT STDMETHODCALLTYPE GetBindInfoEx(DWORD* bindFlags, BINDINFO* bindInfo, DWORD* bindFlags2,
                                          DWORD* reserved) override;
  // IHttpNegotiate: the service's way of showing the HTTP answer.
  HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR url, LPCWSTR headers, DWORD reserved,
                                                 LPWSTR* additionalHeaders) override;
  HRESULT STDMETHODCALLTYPE OnResponse(DWORD responseCode, LPCWSTR responseHeaders, LPCWSTR requestHeaders,
                                       LPWSTR* additionalHeaders) override;

 private:
  void Touch() { lastActivity_ = ::GetTickCount(); }

  InstallEventCallback callback_;
  std::atomic<bool> abort_{false};
  mutable std::mutex bindingMutex_;
  IBinding* binding_ = nullptr;  // held from start to stop of a binding
  std::atomic<DWORD> lastActivity_{0};
  // Written and read on the download thread.
  DWORD status_ = 0;            // 0 until an HTTP answer was seen
  int64_t contentLength_ = -1;  // -1 when not announced (or encoded)
};
