#pragma once
// The urlmon steps every download on Windows shares. The caller owns the status-callback object,
// because the update check's download class must hand urlmon its own; the callback keeps its findings
// in a UrlTransferState that these steps read after the transfer.
#include "platform/Transfer.h"

#include <windows.h>

#include <exception>
#include <string>
#include <urlmon.h>

namespace vh::platform {

struct UrlTransferState {
    unsigned long long startMs = 0;
    bool limitBroken = false;
    DWORD httpStatus = 0;
    std::exception_ptr handlerError; // thrown by a progress handler; it must not unwind through urlmon

    // Arms the state for one transfer.
    void Begin();
    // True (and remembered) when a progress notice breaks the time or size limit: abort then.
    bool Breaks(const TransferLimits& limits, ULONG progress, ULONG progressMax, ULONG statusCode);
};

// QueryInterface of a status-callback object that is an IBindStatusCallback and an IHttpNegotiate.
template <typename Callback> HRESULT QueryBindCallback(Callback* self, REFIID riid, void** out) {
    if (!out)
        return E_POINTER;
    // IUnknown as well: COM requires every object to answer for it.
    if (riid == IID_IBindStatusCallback || riid == IID_IUnknown) {
        *out = static_cast<IBindStatusCallback*>(self);
    } else if (riid == IID_IHttpNegotiate) {
        *out = static_cast<IHttpNegotiate*>(self);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    self->AddRef();
    return S_OK;
}

// A status text of urlmon in GBK.
std::string UrlStatusText(LPCWSTR text);

struct UrlDownloadResult : TransferResult {
    long long size = -1;        // bytes of the stored file on success
    bool handlerFailed = false; // state.handlerError is set; nothing was stored
};

// Fetches url through callback into a temporary file beside file and moves it over file only when the
// whole transfer succeeded, the HTTP status is below 400 and the size keeps the limit.
UrlDownloadResult UrlDownloadToFile(const std::string& url, const std::string& file, const TransferLimits& limits,
                                    IBindStatusCallback* callback, const UrlTransferState& state);

} // namespace vh::platform
