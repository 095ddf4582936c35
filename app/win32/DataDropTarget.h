// The window as an OLE drop target: a drag of files, an image or text is
// taken as a paste of the same data would be (support/win32/OfferedContent),
// so that a picture dragged from a browser becomes the document as its copy
// pasted would. The content is read while the drop lasts (the data object
// is valid only then); what is done with it, a bitmap's conversion and any
// box included, happens after, so that the program that dragged is not kept
// waiting.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <functional>
#include <optional>
#include <utility>

#include "support/ComponentObjects.h"

namespace lumarind::win32 {

class DataDropTarget : public IDropTarget {
public:
    // The content read from a drop, or the error that kept it from being read.
    using Dropped = std::function<void(ClipboardContent content, std::optional<Error> error)>;

    // accepting: whether the window takes a drop now (not while a box of
    // its own is up). dropped: called within the drop, for every drop taken,
    // also one that brought nothing usable after all; it must defer its work.
    DataDropTarget(std::function<bool()> accepting, Dropped dropped)
        : accepting_(std::move(accepting)), dropped_(std::move(dropped)) {}
    DataDropTarget(const DataDropTarget&) = delete;
    DataDropTarget& operator=(const DataDropTarget&) = delete;

    // Registers the window with OLE, which the thread has initialised;
    // Revoke before the window goes.
    void Register(HWND window);
    void Revoke();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    // The window owns the target: OLE's counts are kept but never free it.
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;

private:
    DWORD Effect() const;

    std::function<bool()> accepting_;
    Dropped dropped_;
    HWND window_ = nullptr;
    ULONG references_ = 1;
    // Whether the data being dragged holds anything usable.
    bool usable_ = false;
};

}  // namespace lumarind::win32
