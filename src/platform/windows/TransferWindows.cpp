// One address into a local file through urlmon. The update check's download class has its own callback
// object; this is the plain transfer for everything else.
#include "platform/Transfer.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <urlmon.h>
#include <wininet.h>

namespace vh::platform {

namespace {

unsigned long long NowMs() {
    using namespace std::chrono;
    return static_cast<unsigned long long>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::string WideToGbk(LPCWSTR text) {
    if (!text || !*text)
        return {};
    const int n = WideCharToMultiByte(936, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1)
        return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(936, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

// Lives on the caller's stack for one transfer; the count only satisfies COM. It also hears the HTTP
// status (IHttpNegotiate): urlmon may store an error page as if it were the file.
class Callback : public IBindStatusCallback, public IHttpNegotiate {
public:
    Callback(const TransferLimits& limits, const TransferProgress& progress)
        : limits_(limits), progress_(progress), startMs_(NowMs()) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out)
            return E_POINTER;
        if (riid == IID_IBindStatusCallback || riid == IID_IUnknown) {
            *out = static_cast<IBindStatusCallback*>(this);
            AddRef();
            return S_OK;
        }
        if (riid == IID_IHttpNegotiate) {
            *out = static_cast<IHttpNegotiate*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs_; }
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG now, ULONG max, ULONG status, LPCWSTR text) override {
        const bool counting = status == TransferBeginDownloadData || status == TransferDownloadingData ||
                              status == TransferEndDownloadData;
        if (NowMs() - startMs_ > static_cast<unsigned long long>(limits_.totalTimeoutMs) ||
            (counting &&
             (static_cast<long long>(now) > limits_.maxBytes || static_cast<long long>(max) > limits_.maxBytes))) {
            limitBroken = true;
            return E_ABORT;
        }
        if (progress_ && !handlerError) {
            // An exception must not unwind through urlmon: keep it and end the transfer.
            try {
                progress_(now, max, status, WideToGbk(text));
            } catch (...) {
                handlerError = std::current_exception();
                return E_ABORT;
            }
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additionalHeaders) override {
        if (additionalHeaders)
            *additionalHeaders = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnResponse(DWORD code, LPCWSTR, LPCWSTR, LPWSTR* additionalHeaders) override {
        if (additionalHeaders)
            *additionalHeaders = nullptr;
        httpStatus = code;
        return S_OK;
    }

    bool limitBroken = false;
    DWORD httpStatus = 0;
    std::exception_ptr handlerError;

private:
    ULONG refs_ = 1;
    const TransferLimits& limits_;
    const TransferProgress& progress_;
    unsigned long long startMs_;
};

std::string FolderOf(const std::string& file) {
    const auto cut = file.find_last_of("\\/");
    return cut == std::string::npos ? std::string(".") : file.substr(0, cut);
}

std::string HResultText(HRESULT hr) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "download failed (0x%08lX)", static_cast<unsigned long>(hr));
    return buf;
}

// urlmon works through WinINet, whose process-wide defaults would let a silent server hold us for minutes.
void SetServiceTimeouts(const TransferLimits& limits) {
    DWORD connect = static_cast<DWORD>(limits.connectTimeoutMs);
    DWORD total = static_cast<DWORD>(limits.totalTimeoutMs);
    InternetSetOptionA(nullptr, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    InternetSetOptionA(nullptr, INTERNET_OPTION_SEND_TIMEOUT, &total, sizeof total);
    InternetSetOptionA(nullptr, INTERNET_OPTION_RECEIVE_TIMEOUT, &total, sizeof total);
    InternetSetOptionA(nullptr, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &total, sizeof total);
}

long long FileSize(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

} // namespace

TransferResult DownloadToFile(const std::string& url, const std::string& file, const TransferLimits& limits,
                              const TransferProgress& progress) {
    TransferResult result;
    char tmp[MAX_PATH + 1] = {};
    if (GetTempFileNameA(FolderOf(file).c_str(), "vh", 0, tmp) == 0) {
        result.error = "cannot create a temporary file beside " + file;
        return result;
    }
    SetServiceTimeouts(limits);
    // A cached copy would hide a change on the server.
    DeleteUrlCacheEntryA(url.c_str());
    Callback callback(limits, progress);
    const HRESULT hr = URLDownloadToFileA(nullptr, url.c_str(), tmp, 0, &callback);
    if (callback.handlerError) {
        DeleteFileA(tmp);
        std::rethrow_exception(callback.handlerError);
    }
    bool ok = hr == S_OK;
    if (!ok)
        result.error = callback.limitBroken ? "the transfer broke its time or size limit" : HResultText(hr);
    if (ok && callback.httpStatus >= 400) {
        ok = false;
        result.error = "the server answered " + std::to_string(callback.httpStatus);
    }
    // The progress notices are the service's own account; the file on disk is what counts.
    const long long size = ok ? FileSize(tmp) : -1;
    if (ok && (size < 0 || size > limits.maxBytes)) {
        ok = false;
        result.error = "the answer is larger than " + std::to_string(limits.maxBytes) + " bytes";
    }
    if (ok && !MoveFileExA(tmp, file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = false;
        result.error = "cannot replace " + file;
    }
    if (!ok)
        DeleteFileA(tmp);
    else if (progress)
        progress(static_cast<unsigned long>(size), static_cast<unsigned long>(size), TransferEndDownloadData, url);
    result.ok = ok;
    return result;
}

} // namespace vh::platform
