#include "platform/DownloadCallback.h"

#include <exception>

namespace vh::platform {

long DownloadCallback::OnProgress(unsigned long ulProgress, unsigned long ulProgressMax, unsigned long ulStatusCode,
                                  const std::string& szStatusText) {
    // The libcurl transfer enforces the limits itself.
    if (FOnProgress)
        FOnProgress(ulProgress, ulProgressMax, ulStatusCode, szStatusText);
    return 0;
}

CallbackDownloadResult DownloadCallback::Fetch(const std::string& url, const std::string& file,
                                               const TransferLimits& limits) {
    CallbackDownloadResult out;
    try {
        const auto result =
            DownloadToFile(url, file, limits,
                           [this](unsigned long progress, unsigned long progressMax, unsigned long status,
                                  const std::string& text) { OnProgress(progress, progressMax, status, text); });
        out.ok = result.ok;
        out.error = result.error;
    } catch (const std::exception& e) {
        out.error = e.what();
        out.serviceFailed = true;
    }
    return out;
}

} // namespace vh::platform
