#include "platform/SingleInstance.h"

#include <windows.h>

namespace vh::platform {

struct SingleInstance::Impl {
    HANDLE mutex = nullptr;
};

SingleInstance::SingleInstance(const std::string& name) : impl_(std::make_unique<Impl>()) {
    // Default security, not initially owned: the mutex only marks that a copy runs.
    impl_->mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    alreadyExists_ = GetLastError() == ERROR_ALREADY_EXISTS;
}

SingleInstance::~SingleInstance() {
    Release();
}

void SingleInstance::Release() {
    if (impl_ && impl_->mutex) {
        ReleaseMutex(impl_->mutex); // never owned, so this fails harmlessly; the handle is what counts
        CloseHandle(impl_->mutex);
        impl_->mutex = nullptr;
    }
}

} // namespace vh::platform
