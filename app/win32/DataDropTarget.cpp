#include "app/win32/DataDropTarget.h"

#include "app/ResumeNext.h"
#include "support/win32/OfferedContent.h"

namespace lumarind::win32 {

void DataDropTarget::Register(HWND window) {
    // Without it the window still takes dropped files, as WM_DROPFILES.
    if (SUCCEEDED(RegisterDragDrop(window, this))) window_ = window;
}

void DataDropTarget::Revoke() {
    if (window_ != nullptr) RevokeDragDrop(window_);
    window_ = nullptr;
}

HRESULT DataDropTarget::QueryInterface(REFIID iid, void** object) {
    if (iid == IID_IUnknown || iid == IID_IDropTarget) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

DWORD DataDropTarget::Effect() const { return usable_ && accepting_() ? DROPEFFECT_COPY : DROPEFFECT_NONE; }

HRESULT DataDropTarget::DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    usable_ = data != nullptr && OffersUsableContent(*data);
    *effect = Effect();
    return S_OK;
}

HRESULT DataDropTarget::DragOver(DWORD, POINTL, DWORD* effect) {
    *effect = Effect();
    return S_OK;
}

HRESULT DataDropTarget::DragLeave() {
    usable_ = false;
    return S_OK;
}

HRESULT DataDropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    *effect = DROPEFFECT_NONE;
    usable_ = false;
    if (data == nullptr || !accepting_()) return S_OK;
    // Only the data is taken here; a bitmap is converted, and whatever goes
    // wrong is said, once the drop has returned.
    ClipboardContent content;
    std::optional<Error> error = RunStep([&] {
        DataObjectFormats formats(*data);
        content = ContentOf(formats);
    });
    if (!error && content.kind != ClipboardContent::Kind::kNothing) *effect = DROPEFFECT_COPY;
    dropped_(std::move(content), std::move(error));
    return S_OK;
}

}  // namespace lumarind::win32
