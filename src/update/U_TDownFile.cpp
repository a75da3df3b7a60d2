#include "update/U_TDownFile.h"

#include <chrono>
#include <stdexcept>

#ifdef _WIN32
#include <cstdio>
#include <wininet.h>
#endif

namespace {

unsigned long long NowMs() {
    using namespace std::chrono;
    return static_cast<unsigned long long>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

void TBindStatusCallback::BeginTransfer(const vh::platform::TransferLimits& limits) {
    limits_ = limits;
    startMs_ = NowMs();
    limitBroken_ = false;
    httpStatus_ = 0;
}

bool TBindStatusCallback::Exceeds(unsigned long progress, unsigned long progressMax, unsigned long statusCode) {
    if (NowMs() - startMs_ > static_cast<unsigned long long>(limits_.totalTimeoutMs))
        return true;
    const bool counting = statusCode == vh::platform::TransferBeginDownloadData ||
                          statusCode == vh::platform::TransferDownloadingData ||
                          statusCode == vh::platform::TransferEndDownloadData;
    return counting && (static_cast<long long>(progress) > limits_.maxBytes ||
                        static_cast<long long>(progressMax) > limits_.maxBytes);
}

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
    callback->BeginTransfer(Limits);
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

namespace {

std::string WideToGbk(LPCWSTR text) {
    if (!text || !*text)
        return std::string();
    const int n = WideCharToMultiByte(936, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1)
        return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(936, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

std::string HResultText(HRESULT hr) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "download failed (0x%08lX)", static_cast<unsigned long>(hr));
    return buf;
}

// urlmon works through WinINet, whose process-wide defaults bound a server that accepts and then stays
// silent; the callback bounds a transfer that keeps trickling.
void SetServiceTimeouts(const vh::platform::TransferLimits& limits) {
    DWORD connect = static_cast<DWORD>(limits.connectTimeoutMs);
    DWORD total = static_cast<DWORD>(limits.totalTimeoutMs);
    InternetSetOptionA(nullptr, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    InternetSetOptionA(nullptr, INTERNET_OPTION_SEND_TIMEOUT, &total, sizeof total);
    InternetSetOptionA(nullptr, INTERNET_OPTION_RECEIVE_TIMEOUT, &total, sizeof total);
    InternetSetOptionA(nullptr, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &total, sizeof total);
}

std::string FolderOf(const std::string& file) {
    const size_t cut = file.find_last_of("\\/");
    return cut == std::string::npos ? std::string(".") : file.substr(0, cut);
}

long long FileSize(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

} // namespace

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
    if (Exceeds(ulProgress, ulProgressMax, ulStatusCode)) {
        limitBroken_ = true;
        return E_ABORT;
    }
    if (FOnProgress && !handlerError_) {
        // An exception must not unwind through urlmon: keep it and end the transfer.
        try {
            FOnProgress(ulProgress, ulProgressMax, ulStatusCode, WideToGbk(szStatusText));
        } catch (...) {
            handlerError_ = std::current_exception();
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
    httpStatus_ = dwResponseCode;
    return S_OK;
}

void TDownFile::Download(const std::string& url, const std::string& file) {
    std::string errorText;
    bool success = false;
    TBindStatusCallback* callback = FBindStatusCallback.get();
    callback->BeginTransfer(Limits);
    callback->handlerError_ = nullptr;

    // The data goes to a file beside the target first, so a failed transfer never leaves a partial file.
    char tmp[MAX_PATH + 1] = {};
    if (GetTempFileNameA(FolderOf(file).c_str(), "vh", 0, tmp) == 0) {
        errorText = "cannot create a temporary file beside " + file;
    } else {
        SetServiceTimeouts(Limits);
        // A cached copy would hide a new version on the server.
        DeleteUrlCacheEntryA(url.c_str());
        HRESULT hr = URLDownloadToFileA(nullptr, url.c_str(), tmp, 0, callback);
        if (callback->handlerError_) {
            DeleteFileA(tmp);
            throw std::runtime_error(kDownloadServiceError);
        }
        success = hr == S_OK;
        if (success && callback->httpStatus_ >= 400) {
            success = false;
            errorText = "the server answered " + std::to_string(callback->httpStatus_);
        }
        // The progress notices are the service's own account; the file on disk is what counts.
        const long long size = success ? FileSize(tmp) : -1;
        if (success && (size < 0 || size > Limits.maxBytes)) {
            success = false;
            errorText = "the answer is larger than " + std::to_string(Limits.maxBytes) + " bytes";
        }
        if (success && !MoveFileExA(tmp, file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            success = false;
            errorText = "cannot replace " + file;
        }
        if (!success) {
            DeleteFileA(tmp);
            if (errorText.empty())
                errorText = callback->LimitBroken() ? "the transfer broke its time or size limit" : HResultText(hr);
        }
    }
    if (FOnComplete)
        FOnComplete(url, file, success, errorText);
    if (!success)
        throw std::runtime_error(kDownloadFailed);
}

#endif // _WIN32
