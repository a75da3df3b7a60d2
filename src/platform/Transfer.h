#pragma once
// Fetching one address into a local file (URLDownloadToFileA on Windows, libcurl elsewhere).
#include <cstdint>
#include <functional>
#include <string>

namespace vh::platform {

struct TransferLimits {
    long connectTimeoutMs = 5000;
    long totalTimeoutMs = 15000;
    std::int64_t maxBytes = 1 << 20;
};

// Progress as the system's download service reports it: progress, maximum, status code, status text (GBK).
using TransferProgress = std::function<void(unsigned long, unsigned long, unsigned long, const std::string&)>;

struct TransferResult {
    bool ok = false;
    std::string error; // the service's own text on failure (GBK)
};

// Downloads url into file. The file is written only when the whole transfer succeeded (never a partial
// file). Throws only when the service itself cannot be used.
TransferResult DownloadToFile(const std::string& url, const std::string& file, const TransferLimits& limits,
                              const TransferProgress& progress);

} // namespace vh::platform
