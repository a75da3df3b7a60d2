// One address into a local file through urlmon. The update check's download class has its own callback
// object; this is the plain transfer for everything else.
#include "platform/Transfer.h"

#include <exception>

#include "platform/windows/UrlDownload.h"

namespace vh::platform {

namespace {

// Lives on the caller's stack for one transfer; the count only satisfies COM. It also hears the HTTP
// status (IHttpNegotiate): urlmon may store an error page as if it were the file.
class Callback : public IBindStatusCallback, public IHttpNegotiate {
public:
    Callback(const TransferLimits& limits, const TransferProgress& progress) : limits_(limits), progress_(progress) {
        state.Begin();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        return QueryBindCallback(this, riid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs_; }
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG now, ULONG max, ULONG status, LPCWSTR text) override {
        if (state.Breaks(limits_, now, max, status))
            return E_ABORT;
        if (progress_ && !state.handlerError) {
            try {
                progress_(now, max, status, UrlStatusText(text));
            } catch (...) {
                state.handlerError = std::current_exception();
                return E_ABORT;
            }
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additionalHeaders) override {
        if (additionalHeaders)
            *additionalHeaders = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnResponse(DWORD code, LPCWSTR, LPCWSTR, LPWSTR* additionalHeaders) override {
        if (additionalHeaders)
            *additionalHeaders = nullptr;
        state.httpStatus = code;
        return S_OK;
    }

    UrlTransferState state;

private:
    ULONG refs_ = 1;
    const TransferLimits& limits_;
    const TransferProgress& progress_;
};

} // namespace

TransferResult DownloadToFile(const std::string& url, const std::string& file, const TransferLimits& limits,
                              const TransferProgress& progress) {
    Callback callback(limits, progress);
    const UrlDownloadResult r = UrlDownloadToFile(url, file, limits, &callback, callback.state);
    if (r.handlerFailed)
        std::rethrow_exception(callback.state.handlerError);
    if (r.ok && progress)
        progress(static_cast<unsigned long>(r.size), static_cast<unsigned long>(r.size), TransferEndDownloadData, url);
    return r;
}

} // namespace vh::platform
