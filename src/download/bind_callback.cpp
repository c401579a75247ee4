#include "download/bind_callback.h"

#include <cwchar>
#include <cwctype>

#include "download/download_util.h"

namespace {

// The value of a header in a CR LF separated block, or empty.
std::wstring HeaderValue(const std::wstring& headers, const std::wstring& name) {
  size_t lineStart = 0;
  while (lineStart < headers.size()) {
    size_t lineEnd = headers.find(L"\r\n", lineStart);
    if (lineEnd == std::wstring::npos) lineEnd = headers.size();
    const std::wstring line = headers.substr(lineStart, lineEnd - lineStart);
    if (line.size() > name.size() && line[name.size()] == L':' &&
        _wcsnicmp(line.c_str(), name.c_str(), name.size()) == 0) {
      size_t v = name.size() + 1;
      while (v < line.size() && (line[v] == L' ' || line[v] == L'\t')) ++v;
      return line.substr(v);
    }
    lineStart = lineEnd + 2;
  }
  return L"";
}

}  // namespace

CBindCallback::~CBindCallback() {
  abort_ = true;
  callback_ = nullptr;
}

void CBindCallback::Abort() {
  abort_ = true;
  AbortBinding();
}

void CBindCallback::BeginAttempt() {
  status_ = 0;
  contentLength_ = -1;
  Touch();
}

HRESULT CBindCallback::CheckAnswer(const std::wstring& savePath) const {
  if (status_ == 0) return S_OK;  // no HTTP answer (a file:/// URL)
  if (status_ < 200 || status_ > 299) return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_HTTP, status_);
  if (contentLength_ >= 0 && Download::FileSize(Download::AnsiPath(savePath)) != contentLength_)
    return INET_E_DOWNLOAD_FAILURE;
  return S_OK;
}

DWORD CBindCallback::IdleMs() const {
  {
    std::lock_guard<std::mutex> lock(bindingMutex_);
    if (!binding_) return 0;
  }
  return ::GetTickCount() - lastActivity_;
}

void CBindCallback::AbortBinding() {
  IBinding* binding = nullptr;
  {
    std::lock_guard<std::mutex> lock(bindingMutex_);
    binding = binding_;
    if (binding) binding->AddRef();
  }
  if (!binding) return;
  Touch();
  binding->Abort();
  binding->Release();
}

HRESULT CBindCallback::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IBindStatusCallback || riid == IID_IBindStatusCallbackEx) {
    *object = static_cast<IBindStatusCallbackEx*>(this);
    return S_OK;
  }
  if (riid == IID_IHttpNegotiate) {
    *object = static_cast<IHttpNegotiate*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT CBindCallback::OnStartBinding(DWORD, IBinding* binding) {
  Touch();
  if (binding) binding->AddRef();
  IBinding* previous;
  {
    std::lock_guard<std::mutex> lock(bindingMutex_);
    previous = binding_;
    binding_ = binding;
  }
  if (previous) previous->Release();
  return E_NOTIMPL;
}

HRESULT CBindCallback::GetPriority(LONG*) { return E_NOTIMPL; }

HRESULT CBindCallback::OnLowResource(DWORD) { return E_NOTIMPL; }

HRESULT CBindCallback::OnProgress(ULONG progress, ULONG progressMax, ULONG, LPCWSTR) {
  Touch();
  if (abort_) return E_ABORT;
  if (progressMax == 0) return S_OK;
  if (callback_) {
    callback_(InstallEventCode::DL_CODE_PROGRESS, static_cast<double>(progress) / static_cast<double>(progressMax),
              L"");
  }
  return S_OK;
}

HRESULT CBindCallback::OnStopBinding(HRESULT, LPCWSTR) {
  Touch();
  IBinding* binding;
  {
    std::lock_guard<std::mutex> lock(bindingMutex_);
    binding = binding_;
    binding_ = nullptr;
  }
  if (binding) binding->Release();
  return E_NOTIMPL;
}

HRESULT CBindCallback::GetBindInfo(DWORD*, BINDINFO* bindInfo) {
  if (bindInfo) bindInfo->dwCodePage = CP_UTF8;
  return E_NOTIMPL;
}

HRESULT CBindCallback::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) { return E_NOTIMPL; }

HRESULT CBindCallback::OnObjectAvailable(REFIID, IUnknown*) { return E_NOTIMPL; }

HRESULT CBindCallback::GetBindInfoEx(DWORD*, BINDINFO*, DWORD*, DWORD*) { return E_NOTIMPL; }

HRESULT CBindCallback::BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additionalHeaders) {
  Touch();
  if (additionalHeaders) *additionalHeaders = nullptr;
  return S_OK;
}

HRESULT CBindCallback::OnResponse(DWORD responseCode, LPCWSTR responseHeaders, LPCWSTR, LPWSTR* additionalHeaders) {
  Touch();
  if (additionalHeaders) *additionalHeaders = nullptr;
  status_ = responseCode;
  contentLength_ = -1;
  const std::wstring headers = responseHeaders ? responseHeaders : L"";
  const std::wstring encoding = HeaderValue(headers, L"Content-Encoding");
  const std::wstring length = HeaderValue(headers, L"Content-Length");
  // A decoded body has another length than the one announced.
  if (!length.empty() && (encoding.empty() || _wcsicmp(encoding.c_str(), L"identity") == 0)) {
    wchar_t* end = nullptr;
    const long long value = std::wcstoll(length.c_str(), &end, 10);
    if (end != length.c_str() && value >= 0) contentLength_ = value;
  }
  return S_OK;
}
