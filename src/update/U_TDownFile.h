#pragma once
// The download class of the update check and its status-callback object. On Windows the callback is a COM
// object handed to urlmon's URLDownloadToFileA; elsewhere the same class is fed by the libcurl transfer
// (platform/DownloadCallback.h).
#include <functional>
#include <memory>
#include <string>

#include "platform/DownloadCallback.h"
#include "platform/Transfer.h"

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

// The download's status-callback object (on Windows the COM object that urlmon calls).
class TBindStatusCallback : public vh::platform::DownloadCallback {
public:
    TOnCompleteEvent FOnComplete;
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
