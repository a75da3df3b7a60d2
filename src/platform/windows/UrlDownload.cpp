#include "platform/windows/UrlDownload.h"

#include "platform/FileReplace.h"

#include <chrono>
#include <cstdio>
#include <objbase.h>
#include <wininet.h>

namespace vh::platform {

namespace {

unsigned long long NowMs() {
    using namespace std::chrono;
    return static_cast<unsigned long long>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::string FolderOf(const std::string& file) {
    const auto cut = file.find_last_of("\\/");
    return cut == std::string::npos ? std::string(".") : file.substr(0, cut);
}

std::string HResultText(HRESULT hr) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "download failed (0x%08lX)", static_cast<unsigned long>(hr));
    return buf;
}

// urlmon works through WinINet, whose process-wide defaults would let a silent server hold us for
// minutes; the callback bounds a transfer that keeps trickling.
void SetServiceTimeouts(const TransferLimits& limits) {
    DWORD connect = static_cast<DWORD>(limits.connectTimeoutMs);
    DWORD total = static_cast<DWORD>(limits.totalTimeoutMs);
    InternetSetOptionA(nullptr, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    InternetSetOptionA(nullptr, INTERNET_OPTION_SEND_TIMEOUT, &total, sizeof total);
    InternetSetOptionA(nullptr, INTERNET_OPTION_RECEIVE_TIMEOUT, &total, sizeof total);
    InternetSetOptionA(nullptr, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &total, sizeof total);
}

// urlmon needs COM in the calling thread, and the update check calls it from a worker thread of its own.
// A thread that already has COM in the other apartment kind keeps it (RPC_E_CHANGED_MODE): it works too.
class ComInThisThread {
public:
    ComInThisThread() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComInThisThread() {
        if (SUCCEEDED(hr_))
            CoUninitialize();
    }
    ComInThisThread(const ComInThisThread&) = delete;
    ComInThisThread& operator=(const ComInThisThread&) = delete;

private:
    HRESULT hr_;
};

long long FileSize(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

} // namespace

void UrlTransferState::Begin() {
    startMs = NowMs();
    limitBroken = false;
    httpStatus = 0;
    handlerError = nullptr;
}

bool UrlTransferState::Breaks(const TransferLimits& limits, ULONG progress, ULONG progressMax, ULONG statusCode) {
    const bool counting = statusCode == TransferBeginDownloadData || statusCode == TransferDownloadingData ||
                          statusCode == TransferEndDownloadData;
    if ((limits.abandon && limits.abandon->load()) ||
        NowMs() - startMs > static_cast<unsigned long long>(limits.totalTimeoutMs) ||
        (counting &&
         (static_cast<long long>(progress) > limits.maxBytes || static_cast<long long>(progressMax) > limits.maxBytes)))
        limitBroken = true;
    return limitBroken;
}

std::string UrlStatusText(LPCWSTR text) {
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

UrlDownloadResult UrlDownloadToFile(const std::string& url, const std::string& file, const TransferLimits& limits,
                                    IBindStatusCallback* callback, const UrlTransferState& state) {
    UrlDownloadResult result;
    const ComInThisThread com;
    char tmp[MAX_PATH + 1] = {};
    if (GetTempFileNameA(FolderOf(file).c_str(), "vh", 0, tmp) == 0) {
        result.error = "cannot create a temporary file beside " + file;
        return result;
    }
    SetServiceTimeouts(limits);
    // A cached copy would hide a change on the server.
    DeleteUrlCacheEntryA(url.c_str());
    const HRESULT hr = URLDownloadToFileA(nullptr, url.c_str(), tmp, 0, callback);
    if (state.handlerError) {
        DeleteFileA(tmp);
        result.handlerFailed = true;
        result.error = "the progress handler failed";
        return result;
    }
    bool ok = hr == S_OK;
    if (!ok)
        result.error = state.limitBroken ? "the transfer broke its time or size limit" : HResultText(hr);
    if (ok && state.httpStatus >= 400) {
        ok = false;
        result.error = "the server answered " + std::to_string(state.httpStatus);
    }
    // The progress notices are the service's own account; the file on disk is what counts.
    const long long size = ok ? FileSize(tmp) : -1;
    if (ok && (size < 0 || size > limits.maxBytes)) {
        ok = false;
        result.error = "the answer is larger than " + std::to_string(limits.maxBytes) + " bytes";
    }
    if (ok && !ReplaceFileDurably(tmp, file, result.error))
        ok = false;
    if (!ok)
        DeleteFileA(tmp);
    result.ok = ok;
    result.size = ok ? size : -1;
    return result;
}

} // namespace vh::platform
