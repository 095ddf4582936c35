#include "app/win32/ExplorerDropServer.h"

#include <ole2.h>

#include <string>
#include <vector>

#include "app/ExplorerCopy.h"
#include "support/win32/FileListBlock.h"

namespace lumarind::win32 {
namespace {

constexpr UINT kGiveUpMs = 60000;

// Both objects live on the server's stack for as long as it serves; COM's
// counts are kept but never free them.
class CopyDropTarget : public IDropTarget {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IDropTarget) {
            *object = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_COPY;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_COPY;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    // Takes the names and returns at once: Explorer waits for this call,
    // and a box about an unreadable file must not hold it up.
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium{};
        const HRESULT got = data->GetData(&format, &medium);
        if (SUCCEEDED(got)) {
            try {
                paths_ = FileNamesInBlock(medium.hGlobal);
            } catch (...) {
                paths_.clear();
            }
            ReleaseStgMedium(&medium);
        }
        dropped_ = true;
        *effect = DROPEFFECT_COPY;
        PostQuitMessage(0);
        return got;
    }

    bool dropped() const { return dropped_; }
    const std::vector<std::wstring>& paths() const { return paths_; }

private:
    ULONG references_ = 1;
    bool dropped_ = false;
    std::vector<std::wstring> paths_;
};

class CopyDropTargetFactory : public IClassFactory {
public:
    explicit CopyDropTargetFactory(CopyDropTarget& target) : target_(target) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (outer != nullptr) {
            *object = nullptr;
            return CLASS_E_NOAGGREGATION;
        }
        return target_.QueryInterface(iid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    CopyDropTarget& target_;
    ULONG references_ = 1;
};

// COM for this thread, as a single-threaded apartment, while it lives.
class ComApartment {
public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    bool ok() const { return SUCCEEDED(result_); }

private:
    HRESULT result_;
};

}  // namespace

int ServeExplorerDrop(Components& components) {
    const ComApartment apartment;
    if (!apartment.ok()) return 1;
    CopyDropTarget target;
    CopyDropTargetFactory factory(target);
    DWORD cookie = 0;
    if (FAILED(CoRegisterClassObject(kCopyDropTargetClass, &factory, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE,
                                     &cookie))) {
        return 1;
    }
    const UINT_PTR giveUp = SetTimer(nullptr, 0, kGiveUpMs, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == nullptr && message.wParam == giveUp) break;
        DispatchMessageW(&message);
    }
    KillTimer(nullptr, giveUp);
    CoRevokeClassObject(cookie);
    if (!target.dropped()) return 1;
    return CopyFilesAsDataUrls(target.paths(), components) ? 0 : 1;
}

}  // namespace lumarind::win32
