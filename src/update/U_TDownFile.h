#pragma once
// The download class of the update check and its status-callback object. On Windows the callback is a COM
// object handed to urlmon's URLDownloadToFileA; elsewhere the same class is fed by the libcurl transfer.
#include <functional>
#include <memory>
#include <string>

#include "platform/Transfer.h"

#ifdef _WIN32
#include "platform/windows/UrlDownload.h"
#endif

// Progress, maximum, status code (BINDSTATUS numbering), status text (GBK).
using TOnProgressEvent = std::function<void(unsigned long ulProgress, unsigned long ulProgressMax,
                                            unsigned long ulStatusCode, const std::string& szStatusText)>;
// The address, the local file, true on success, the service's error text (empty on success).
using TOnCompleteEvent = std::function<void(const std::string& Source_file, const std::string& Dest_file, bool blStatus,
                                            const std::string& ErrMessage)>;

// "网络连接问题，未能获得下载文件": the download service itself raised an error.
inline constexpr char kDownloadServiceError[] = "\xcd\xf8\xc2\xe7\xc1\xac\xbd\xd3\xce\xca\xcc\xe2\xa3\xac\xce\xb4"
                                                "\xc4\xdc\xbb\xf1\xb5\xc3\xcf\xc2\xd4\xd8\xce\xc4\xbc\xfe";
// The service reported a failed transfer.
inline constexpr char kDownloadFailed[] = "wrong";

// IBindStatusCallback is the first base so the object's own table is that interface's, slot for slot.
class TBindStatusCallback
#ifdef _WIN32
    : public IBindStatusCallback,
      public IHttpNegotiate
#endif
{
public:
    TBindStatusCallback() = default;
    virtual ~TBindStatusCallback() = default;
    TBindStatusCallback(const TBindStatusCallback&) = delete;
    TBindStatusCallback& operator=(const TBindStatusCallback&) = delete;

    TOnProgressEvent FOnProgress;
    TOnCompleteEvent FOnComplete;

    unsigned long RefCount() const {
        return refCount_;
    }

#ifdef _WIN32
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    // The owning TDownFile frees the object; a count of 0 does not.
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
    friend class TDownFile;

    unsigned long refCount_ = 0;
#ifdef _WIN32
    // Progress past these aborts the transfer.
    vh::platform::TransferLimits limits_;
    vh::platform::UrlTransferState state_;
#endif
};

class TDownFile {
public:
    TDownFile();
    ~TDownFile();
    TDownFile(const TDownFile&) = delete;
    TDownFile& operator=(const TDownFile&) = delete;

    const TOnProgressEvent& OnProgress() const { return FOnProgress; }
    void SetOnProgress(TOnProgressEvent handler);
    const TOnCompleteEvent& OnComplete() const { return FOnComplete; }
    void SetOnComplete(TOnCompleteEvent handler);

    // Time and size limits of every transfer of this object.
    vh::platform::TransferLimits Limits;

    // Fetches url into file. Throws std::runtime_error(kDownloadServiceError) when the service itself
    // fails and std::runtime_error(kDownloadFailed) when the transfer failed; file is then left as it was.
    void Download(const std::string& url, const std::string& file);

    TBindStatusCallback& BindStatusCallback() { return *FBindStatusCallback; }

private:
    TOnProgressEvent FOnProgress;
    TOnCompleteEvent FOnComplete;
    std::unique_ptr<TBindStatusCallback> FBindStatusCallback;
};
