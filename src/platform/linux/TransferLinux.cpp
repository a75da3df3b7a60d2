#include "platform/Transfer.h"

#include "platform/FileReplace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <curl/curl.h>
#include <exception>
#include <fcntl.h>
#include <mutex>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace vh::platform {

namespace {

void GlobalInit() {
    static std::once_flag once;
    static CURLcode rc = CURLE_OK;
    std::call_once(once, [] { rc = curl_global_init(CURL_GLOBAL_DEFAULT); });
    if (rc != CURLE_OK)
        throw std::runtime_error(std::string("curl_global_init: ") + curl_easy_strerror(rc));
}

struct Sink {
    int fd = -1;
    std::int64_t written = 0;
    std::int64_t maxBytes = 0;
    const std::atomic<bool>* abandon = nullptr;
    bool tooLarge = false;
    bool writeFailed = false;
    int writeErrno = 0;
    const TransferProgress* progress = nullptr;
    const std::string* url = nullptr;
    curl_off_t lastReported = -1;
    bool begun = false;
    std::exception_ptr handlerError;
};

size_t WriteData(char* data, size_t size, size_t count, void* user) {
    auto* s = static_cast<Sink*>(user);
    const size_t n = size * count;
    if (s->written + static_cast<std::int64_t>(n) > s->maxBytes) {
        s->tooLarge = true;
        return 0;
    }
    size_t done = 0;
    while (done < n) {
        ssize_t w = ::write(s->fd, data + done, n - done);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            s->writeFailed = true;
            s->writeErrno = errno;
            return 0;
        }
        done += static_cast<size_t>(w);
    }
    s->written += static_cast<std::int64_t>(n);
    return n;
}

void Report(Sink* s, unsigned long now, unsigned long max, unsigned long status) {
    if (!s->progress || !*s->progress || s->handlerError)
        return;
    try {
        (*s->progress)(now, max, status, *s->url);
    } catch (...) {
        s->handlerError = std::current_exception();
    }
}

int Progress(void* user, curl_off_t dltotal, curl_off_t dlnow, curl_off_t, curl_off_t) {
    auto* s = static_cast<Sink*>(user);
    if (s->abandon && s->abandon->load())
        return 1;
    // A declared size beyond the limit ends the transfer before any of it is read.
    if (dltotal > s->maxBytes) {
        s->tooLarge = true;
        return 1;
    }
    if (dlnow > 0 && !s->begun) {
        s->begun = true;
        Report(s, 0, static_cast<unsigned long>(dltotal), TransferBeginDownloadData);
    }
    if (dlnow != s->lastReported && dlnow > 0) {
        s->lastReported = dlnow;
        Report(s, static_cast<unsigned long>(dlnow), static_cast<unsigned long>(dltotal), TransferDownloadingData);
    }
    return s->handlerError ? 1 : 0;
}

std::string ErrnoText(const char* what, const std::string& path, int err) {
    return std::string(what) + " " + path + ": " + std::strerror(err);
}

void SetOptions(CURL* curl, const std::string& url, const TransferLimits& limits, Sink& sink, char* errbuf) {
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https,file");
    // A redirect must never lead to a local file.
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, limits.connectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, limits.totalTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBytes));
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Varnholt");
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errbuf);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteData);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &sink);
}

// Makes the transferred part the file, or removes it; the first failure is the result's error.
bool FinishFile(int fd, const std::string& tmp, const std::string& file, bool ok, std::string& error) {
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = ErrnoText("cannot write", tmp, errno);
    }
    ok = ok && ReplaceFileDurably(tmp, file, error);
    if (!ok)
        ::unlink(tmp.c_str());
    return ok;
}

} // namespace

TransferResult DownloadToFile(const std::string& url, const std::string& file, const TransferLimits& limits,
                              const TransferProgress& progress) {
    GlobalInit();
    CURL* curl = curl_easy_init();
    if (!curl)
        throw std::runtime_error("curl_easy_init failed");

    TransferResult result;
    std::string tmp = file + ".part.XXXXXX";
    int fd = ::mkstemp(tmp.data());
    if (fd < 0) {
        result.error = ErrnoText("cannot create", tmp, errno);
        curl_easy_cleanup(curl);
        return result;
    }
    ::fchmod(fd, 0644);

    Sink sink;
    sink.fd = fd;
    sink.maxBytes = limits.maxBytes;
    sink.abandon = limits.abandon;
    sink.progress = &progress;
    sink.url = &url;

    char errbuf[CURL_ERROR_SIZE] = {};
    SetOptions(curl, url, limits, sink, errbuf);

    Report(&sink, 0, 0, TransferConnecting);
    const CURLcode rc = curl_easy_perform(curl);
    curl_easy_cleanup(curl);

    const bool ok = FinishFile(fd, tmp, file, rc == CURLE_OK && !sink.handlerError, result.error);
    if (ok)
        Report(&sink, static_cast<unsigned long>(sink.written), static_cast<unsigned long>(sink.written),
               TransferEndDownloadData);

    if (sink.handlerError)
        std::rethrow_exception(sink.handlerError);
    if (rc != CURLE_OK) {
        if (sink.tooLarge)
            result.error = "the answer is larger than " + std::to_string(limits.maxBytes) + " bytes";
        else if (sink.writeFailed)
            result.error = ErrnoText("cannot write", tmp, sink.writeErrno);
        else
            result.error = errbuf[0] ? errbuf : curl_easy_strerror(rc);
    }
    result.ok = ok;
    return result;
}

} // namespace vh::platform
