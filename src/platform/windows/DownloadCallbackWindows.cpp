#include "platform/DownloadCallback.h"

namespace vh::platform {

HRESULT STDMETHODCALLTYPE DownloadCallback::QueryInterface(REFIID riid, void** ppvObject) {
    return QueryBindCallback(this, riid, ppvObject);
}

ULONG STDMETHODCALLTYPE DownloadCallback::AddRef() {
    return ++refCount_;
}

ULONG STDMETHODCALLTYPE DownloadCallback::Release() {
    return --refCount_;
}

HRESULT STDMETHODCALLTYPE DownloadCallback::OnStartBinding(DWORD, IBinding*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE DownloadCallback::GetPriority(LONG*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE DownloadCallback::OnLowResource(DWORD) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE DownloadCallback::OnProgress(ULONG ulProgress, ULONG ulProgressMax, ULONG ulStatusCode,
                                                       LPCWSTR szStatusText) {
    if (state_.Breaks(limits_, ulProgress, ulProgressMax, ulStatusCode))
        return E_ABORT;
    if (FOnProgress && !state_.handlerError) {
        // An exception must not unwind through urlmon: keep it and end the transfer.
        try {
            FOnProgress(ulProgress, ulProgressMax, ulStatusCode, UrlStatusText(szStatusText));
        } catch (...) {
            state_.handlerError = std::current_exception();
            return E_ABORT;
        }
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DownloadCallback::OnStopBinding(HRESULT, LPCWSTR) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE DownloadCallback::GetBindInfo(DWORD*, BINDINFO*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE DownloadCallback::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE DownloadCallback::OnObjectAvailable(REFIID, IUnknown*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE DownloadCallback::BeginningTransaction(LPCWSTR, LPCWSTR, DWORD,
                                                                 LPWSTR* pszAdditionalHeaders) {
    if (pszAdditionalHeaders)
        *pszAdditionalHeaders = nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DownloadCallback::OnResponse(DWORD dwResponseCode, LPCWSTR, LPCWSTR,
                                                       LPWSTR* pszAdditionalRequestHeaders) {
    if (pszAdditionalRequestHeaders)
        *pszAdditionalRequestHeaders = nullptr;
    state_.httpStatus = dwResponseCode;
    return S_OK;
}

CallbackDownloadResult DownloadCallback::Fetch(const std::string& url, const std::string& file,
                                               const TransferLimits& limits) {
    limits_ = limits;
    state_.Begin();
    const auto result = UrlDownloadToFile(url, file, limits, this, state_);
    CallbackDownloadResult out;
    out.ok = result.ok;
    out.error = result.error;
    out.serviceFailed = result.handlerFailed;
    return out;
}

} // namespace vh::platform
