#pragma once
// The status-callback object of one downloading object. On Windows it is the COM object handed to urlmon's
// URLDownloadToFileA (the download class must hand the service its own); elsewhere the libcurl transfer
// feeds the same progress to it.
#include <string>

#include "platform/Transfer.h"

#ifdef _WIN32
#include "platform/windows/UrlDownload.h"
#endif

namespace vh::platform {

struct CallbackDownloadResult : TransferResult {
    bool serviceFailed = false; // the download service itself failed (or a progress handler threw)
};

// IBindStatusCallback is the first base so the object's own table is that interface's, slot for slot.
class DownloadCallback
#ifdef _WIN32
    : public IBindStatusCallback,
      public IHttpNegotiate
#endif
{
public:
    DownloadCallback() = default;
    virtual ~DownloadCallback() = default;
    DownloadCallback(const DownloadCallback&) = delete;
    DownloadCallback& operator=(const DownloadCallback&) = delete;

    TransferProgress FOnProgress;

    unsigned long RefCount() const {
        return refCount_;
    }

    // Fetches url into file, reporting progress through this object.
    CallbackDownloadResult Fetch(const std::string& url, const std::string& file, const TransferLimits& limits);

#ifdef _WIN32
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    // The owner frees the object; a count of 0 does not.
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD dwReserved, IBinding* pib) override;
    HRESULT STDMETHODCALLTYPE GetPriority(LONG* pnPriority) override;
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD reserved) override;
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG ulProgress, ULONG ulProgressMax, ULONG ulStatusCode,
                                         LPCWSTR szStatusText) override;
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT hresult, LPCWSTR szError) override;
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* grfBINDF, BINDINFO* pbindinfo) override;
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD grfBSCF, DWORD dwSize, FORMATETC* pformatetc,
                                              STGMEDIUM* pstgmed) override;
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID riid, IUnknown* punk) override;
    // urlmon may store an error page as if it were the file; the HTTP status tells them apart.
    HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR szURL, LPCWSTR szHeaders, DWORD dwReserved,
                                                   LPWSTR* pszAdditionalHeaders) override;
    HRESULT STDMETHODCALLTYPE OnResponse(DWORD dwResponseCode, LPCWSTR szResponseHeaders, LPCWSTR szRequestHeaders,
                                         LPWSTR* pszAdditionalRequestHeaders) override;
#else
    // One progress notice of the transfer; 0 lets it go on.
    long OnProgress(unsigned long ulProgress, unsigned long ulProgressMax, unsigned long ulStatusCode,
                    const std::string& szStatusText);
#endif

private:
#ifdef _WIN32
    unsigned long refCount_ = 1; // the owner's reference
#else
    unsigned long refCount_ = 0;
#endif
#ifdef _WIN32
    // Progress past these aborts the transfer.
    TransferLimits limits_;
    UrlTransferState state_;
#endif
};

} // namespace vh::platform
