#include "update/U_TDownFile.h"

#include <stdexcept>

TDownFile::TDownFile() : FBindStatusCallback(std::make_unique<TBindStatusCallback>()) {}

TDownFile::~TDownFile() = default;

void TDownFile::SetOnProgress(TOnProgressEvent handler) {
    FOnProgress = handler;
    FBindStatusCallback->FOnProgress = std::move(handler);
}

void TDownFile::SetOnComplete(TOnCompleteEvent handler) {
    FOnComplete = handler;
    FBindStatusCallback->FOnComplete = std::move(handler);
}

void TDownFile::Download(const std::string& url, const std::string& file) {
    const auto result = FBindStatusCallback->Fetch(url, file, Limits);
    if (result.serviceFailed)
        throw std::runtime_error(kDownloadServiceError);
    if (FOnComplete)
        FOnComplete(url, file, result.ok, result.error);
    if (!result.ok)
        throw std::runtime_error(kDownloadFailed);
}
