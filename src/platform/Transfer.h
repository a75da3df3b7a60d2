#pragma once
// Fetching one address into a local file with libcurl. On Windows the download class drives urlmon itself,
// because the service wants its own status-callback object there; this interface is the other backends'.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace vh::platform {

// A dead or hostile server must neither hold the user-interface thread for long nor fill the disk.
struct TransferLimits {
    long connectTimeoutMs = 3000;
    long totalTimeoutMs = 6000;
    std::int64_t maxBytes = 64 * 1024;
    // Set by another thread when nobody waits for the answer any more: the transfer fails at its next
    // progress notice (about once a second even while the server is silent).
    const std::atomic<bool>* abandon = nullptr;
};

// Status codes reported with the progress, numbered like the Windows download service's BINDSTATUS values.
enum TransferStatus : unsigned long {
    TransferConnecting = 2,
    TransferBeginDownloadData = 4,
    TransferDownloadingData = 5,
    TransferEndDownloadData = 6,
};

// Progress: bytes so far, expected total (0 when unknown), status code, status text (GBK; the address).
using TransferProgress = std::function<void(unsigned long, unsigned long, unsigned long, const std::string&)>;

struct TransferResult {
    bool ok = false;
    std::string error; // the service's own text on failure
};

// Downloads url (http, https or file) into file. The file is replaced only when the whole transfer
// succeeded: the data goes to a temporary file beside it first, so a failure never leaves a partial or
// emptied file behind, and an earlier copy stays as it was. An HTTP error status is a failure. Throws
// std::runtime_error only when the service itself cannot be used.
TransferResult DownloadToFile(const std::string& url, const std::string& file, const TransferLimits& limits,
                              const TransferProgress& progress);

} // namespace vh::platform
