#include "update/U_TDownFile.h"

#include <stdexcept>

TDownFile::TDownFile() : FBindStatusCallback(std::make_unique<TBindStatusCallback>()) {
#ifdef _WIN32
    FBindStatusCallback->AddRef();
#endif
}

TDownFile::~TDownFile() {
#ifdef _WIN32
    FBindStatusCallback->Release();
#endif
}

void TDownFile::SetOnProgress(TOnProgressEvent handler) {
    FOnProgress = handler;
    FBindStatusCallback->FOnProgress = std::move(handler);
}

void TDownFile::SetOnComplete(TOnCompleteEvent handler) {
    FOnComplete = handler;
    FBindStatusCallback->FOnComplete = std::move(handler);
}

#ifndef _WIN32

long TBindStatusCallback::OnProgress(unsigned long ulProgress, unsigned long ulProgressMax, unsigned long ulStatusCode,
                                     const std::string& szStatusText) {
    // The libcurl transfer enforces the limits itself.
    if (FOnProgress)
        FOnProgress(ulProgress, ulProgressMax, ulStatusCode, szStatusText);
    return 0;
}

void TDownFile::Download(const std::string& url, const std::string& file) {
    std::string errorText;
    bool success = false;
    TBindStatusCallback* callback = FBindStatusCallback.get();
    try {
        const auto result = vh::platform::DownloadToFile(
            url, file, Limits,
            [callback](unsigned long progress, unsigned long progressMax, unsigned long status,
                       const std::string& text) { callback->OnProgress(progress, progressMax, status, text); });
        success = result.ok;
        errorText = result.error;
    } catch (const std::exception& e) {
        errorText = e.what();
        throw std::runtime_error(kDownloadServiceError);
    }
    if (FOnComplete)
        FOnComplete(url, file, success, errorText);
    if (!success)
        throw std::runtime_error(kDownloadFailed);
}

#else // _WIN32

HRESULT STDMETHODCALLTYPE TBindStatusCallback::QueryInterface(REFIID riid, void** ppvObject) {
    if (!ppvObject)
        return E_POINTER;
    // IUnknown as well: COM requires every object to answer for it.
    if (riid == IID_IBindStatusCallback || riid == IID_IUnknown) {
        *ppvObject = static_cast<IBindStatusCallback*>(this);
        AddRef();
        return S_OK;
    }
    if (riid == IID_IHttpNegotiate) {
        *ppvObject = static_cast<IHttpNegotiate*>(this);
        AddRef();
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TBindStatusCallback::AddRef() {
    return ++refCount_;
}

ULONG STDMETHODCALLTYPE TBindStatusCallback::Release() {
    return --refCount_;
}

HRESULT STDMETHODCALLTYPE TBindStatusCallback::OnStartBinding(DWORD, IBinding*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TBindStatusCallback::GetPriority(LONG*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TBindStatusCallback::OnLowResource(DWORD) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TBindStatusCallback::OnProgress(ULONG ulProgress, ULONG ulProgressMax, ULONG ulStatusCode,
                                                          LPCWSTR szStatusText) {
    if (state_.Breaks(limits_, ulProgress, ulProgressMax, ulStatusCode))
        return E_ABORT;
    if (FOnProgress && !state_.handlerError) {
        // An exception must not unwind through urlmon: keep it and end the transfer.
        try {
            FOnProgress(ulProgress, ulProgressMax, ulStatusCode, vh::platform::UrlStatusText(szStatusText));
        } catch (...) {
            state_.handlerError = std::current_exception();
            return E_ABORT;
        }
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TBindStatusCallback::OnStopBinding(HRESULT, LPCWSTR) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TBindStatusCallback::GetBindInfo(DWORD*, BINDINFO*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TBindStatusCallback::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TBindStatusCallback::OnObjectAvailable(REFIID, IUnknown*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TBindStatusCallback::BeginningTransaction(LPCWSTR, LPCWSTR, DWORD,
                                                                    LPWSTR* pszAdditionalHeaders) {
    if (pszAdditionalHeaders)
        *pszAdditionalHeaders = nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TBindStatusCallback::OnResponse(DWORD dwResponseCode, LPCWSTR, LPCWSTR,
                                                          LPWSTR* pszAdditionalRequestHeaders) {
    if (pszAdditionalRequestHeaders)
        *pszAdditionalRequestHeaders = nullptr;
    state_.httpStatus = dwResponseCode;
    return S_OK;
}

void TDownFile::Download(const std::string& url, const std::string& file) {
    TBindStatusCallback* callback = FBindStatusCallback.get();
    callback->limits_ = Limits;
    callback->state_.Begin();
    const auto result = vh::platform::UrlDownloadToFile(url, file, Limits, callback, callback->state_);
    if (result.handlerFailed)
        throw std::runtime_error(kDownloadServiceError);
    if (FOnComplete)
        FOnComplete(url, file, result.ok, result.error);
    if (!result.ok)
        throw std::runtime_error(kDownloadFailed);
}

#endif // _WIN32
