// Move-only owners for the handle kinds the program uses, and scope guards
// for paired calls.
#pragma once

#include <windows.h>

#include <utility>

namespace lumarind::win32 {

// Traits give the handle type, its "no handle" value and how to close it.
template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Traits::Invalid())) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, Traits::Invalid()));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Handle get() const noexcept { return handle_; }
    Handle* put() noexcept {
        reset();
        return &handle_;
    }
    explicit operator bool() const noexcept { return handle_ != Traits::Invalid(); }
    void reset(Handle handle = Traits::Invalid()) noexcept {
        if (handle_ != Traits::Invalid()) Traits::Close(handle_);
        handle_ = handle;
    }
    Handle release() noexcept { return std::exchange(handle_, Traits::Invalid()); }

private:
    Handle handle_ = Traits::Invalid();
};

template <typename H, auto CloseFunction>
struct NullIsInvalid {
    using Handle = H;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle handle) noexcept { CloseFunction(handle); }
};

struct FileTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) noexcept { CloseHandle(handle); }
};

using UniqueFile = UniqueHandle<FileTraits>;
using UniqueKey = UniqueHandle<NullIsInvalid<HKEY, RegCloseKey>>;
using UniqueGlobal = UniqueHandle<NullIsInvalid<HGLOBAL, GlobalFree>>;
using UniqueIcon = UniqueHandle<NullIsInvalid<HICON, DestroyIcon>>;
using UniqueGdiObject = UniqueHandle<NullIsInvalid<HGDIOBJ, DeleteObject>>;
using UniqueLocal = UniqueHandle<NullIsInvalid<HLOCAL, LocalFree>>;
using UniqueWindow = UniqueHandle<NullIsInvalid<HWND, DestroyWindow>>;

// GlobalLock for the lifetime of the guard.
class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL memory) noexcept : memory_(memory), data_(GlobalLock(memory)) {}
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
    ~GlobalLockGuard() {
        if (data_ != nullptr) GlobalUnlock(memory_);
    }
    void* data() const noexcept { return data_; }

private:
    HGLOBAL memory_;
    void* data_;
};

}  // namespace lumarind::win32
