#pragma once
// Owners for the Win32 handles the setup holds. Every release call of the
// program lives here; nowhere else closes a handle by hand.
#include <windows.h>

#include <shlobj.h>

#include <string>
#include <utility>

namespace setupkit {

// A move-only owner of one handle value; Traits says what "none" is and how
// the value is released.
template <typename Traits> class UniqueResource {
  public:
    using Value = typename Traits::Value;

    UniqueResource() = default;
    explicit UniqueResource(Value value) : value_(value) {}
    ~UniqueResource() { Reset(); }
    UniqueResource(UniqueResource&& other) noexcept : value_(other.Release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;

    Value Get() const { return value_; }
    bool Valid() const { return Traits::IsValid(value_); }
    explicit operator bool() const { return Valid(); }
    // For out-parameters of the API calls that open the resource.
    Value* Put() {
        Reset();
        return &value_;
    }
    Value Release() { return std::exchange(value_, Traits::None()); }
    void Reset(Value value = Traits::None()) {
        if (Traits::IsValid(value_))
            Traits::Close(value_);
        value_ = value;
    }

  private:
    Value value_ = Traits::None();
};

struct FileHandleTraits {
    using Value = HANDLE;
    static Value None() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Value v) { return v != INVALID_HANDLE_VALUE && v != nullptr; }
    static void Close(Value v) { ::CloseHandle(v); }
};
struct RegKeyTraits {
    using Value = HKEY;
    static Value None() { return nullptr; }
    static bool IsValid(Value v) { return v != nullptr; }
    static void Close(Value v) { ::RegCloseKey(v); }
};
struct ModuleTraits {
    using Value = HMODULE;
    static Value None() { return nullptr; }
    static bool IsValid(Value v) { return v != nullptr; }
    static void Close(Value v) { ::FreeLibrary(v); }
};
struct FindHandleTraits {
    using Value = HANDLE;
    static Value None() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Value v) { return v != INVALID_HANDLE_VALUE && v != nullptr; }
    static void Close(Value v) { ::FindClose(v); }
};
struct WindowTraits {
    using Value = HWND;
    static Value None() { return nullptr; }
    static bool IsValid(Value v) { return v != nullptr; }
    static void Close(Value v) { ::DestroyWindow(v); }
};
// An item list the shell allocated (from the task allocator, as every
// shell call that hands one out does).
struct ShellItemListTraits {
    using Value = LPITEMIDLIST;
    static Value None() { return nullptr; }
    static bool IsValid(Value v) { return v != nullptr; }
    static void Close(Value v) { ::CoTaskMemFree(v); }
};
// A temporary file, by its path: deleted, once no other process holds it,
// when the step that made it ends, however it ends.
struct TempFileTraits {
    using Value = std::string;
    static Value None() { return std::string(); }
    static bool IsValid(const Value& v) { return !v.empty(); }
    static void Close(const Value& path); // lib/file.cpp
};

// Kernel handles: files, processes, threads (invalid is null or INVALID_HANDLE_VALUE).
using UniqueHandle = UniqueResource<FileHandleTraits>;
using RegKey = UniqueResource<RegKeyTraits>;
using LoadedModule = UniqueResource<ModuleTraits>;
using FindHandle = UniqueResource<FindHandleTraits>;
using UniqueWindow = UniqueResource<WindowTraits>;
using ShellItemList = UniqueResource<ShellItemListTraits>;
using TempFile = UniqueResource<TempFileTraits>;

// An export of a loaded module as a function of type Fn; null when missing.
template <typename Fn> Fn ProcAddress(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// A COM interface pointer released once.
template <typename T> class ComPtr {
  public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* Get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    void** PutVoid() {
        Reset();
        return reinterpret_cast<void**>(&ptr_);
    }
    void Reset() {
        if (ptr_)
            ptr_->Release();
        ptr_ = nullptr;
    }

  private:
    T* ptr_ = nullptr;
};

} // namespace setupkit
