#pragma once
// Every Win32 resource the program holds lives in one of these owners, so that
// no path through the code (an early return, a thrown tvx::Error) leaks it.
// Shared by the platform layer and the window backend.
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <utility>

namespace tvx::win32 {

// Owns one value of a handle type and frees it with Free(value) unless it is
// one of the type's invalid values.
template <typename T, typename Traits>
class Scoped {
 public:
  Scoped() = default;
  explicit Scoped(T value) : value_(value) {}
  ~Scoped() { Reset(); }
  Scoped(Scoped&& other) noexcept : value_(other.Release()) {}
  Scoped& operator=(Scoped&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  Scoped(const Scoped&) = delete;
  Scoped& operator=(const Scoped&) = delete;

  T Get() const { return value_; }
  explicit operator bool() const { return Traits::Valid(value_); }
  // For calls that return the resource through a pointer argument.
  T* Put() {
    Reset();
    return &value_;
  }
  T Release() { return std::exchange(value_, Traits::Invalid()); }
  void Reset(T value = Traits::Invalid()) {
    if (Traits::Valid(value_)) Traits::Free(value_);
    value_ = value;
  }

 private:
  T value_ = Traits::Invalid();
};

struct KernelHandleTraits {  // CreateFile and friends: INVALID_HANDLE_VALUE or null
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static bool Valid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Free(HANDLE h) { CloseHandle(h); }
};
struct FindHandleTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static bool Valid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Free(HANDLE h) { FindClose(h); }
};
struct RegKeyTraits {
  static HKEY Invalid() { return nullptr; }
  static bool Valid(HKEY k) { return k != nullptr; }
  static void Free(HKEY k) { RegCloseKey(k); }
};
struct GdiObjectTraits {  // fonts, bitmaps, brushes, pens, regions
  static HGDIOBJ Invalid() { return nullptr; }
  static bool Valid(HGDIOBJ o) { return o != nullptr; }
  static void Free(HGDIOBJ o) { DeleteObject(o); }
};
struct MemoryDcTraits {  // CreateCompatibleDC
  static HDC Invalid() { return nullptr; }
  static bool Valid(HDC dc) { return dc != nullptr; }
  static void Free(HDC dc) { DeleteDC(dc); }
};
struct LocalMemoryTraits {  // FormatMessage's buffer and other LocalAlloc memory
  static HLOCAL Invalid() { return nullptr; }
  static bool Valid(HLOCAL m) { return m != nullptr; }
  static void Free(HLOCAL m) { LocalFree(m); }
};
struct CoTaskMemoryTraits {  // item id lists and other shell allocations
  static void* Invalid() { return nullptr; }
  static bool Valid(void* m) { return m != nullptr; }
  static void Free(void* m) { CoTaskMemFree(m); }
};
struct IconTraits {
  static HICON Invalid() { return nullptr; }
  static bool Valid(HICON i) { return i != nullptr; }
  static void Free(HICON i) { DestroyIcon(i); }
};
struct WindowTraits {
  static HWND Invalid() { return nullptr; }
  static bool Valid(HWND w) { return w != nullptr; }
  static void Free(HWND w) { DestroyWindow(w); }
};

using ScopedHandle = Scoped<HANDLE, KernelHandleTraits>;
using ScopedFind = Scoped<HANDLE, FindHandleTraits>;
using ScopedKey = Scoped<HKEY, RegKeyTraits>;
using ScopedGdiObject = Scoped<HGDIOBJ, GdiObjectTraits>;
using ScopedMemoryDc = Scoped<HDC, MemoryDcTraits>;
using ScopedLocalMemory = Scoped<HLOCAL, LocalMemoryTraits>;
using ScopedCoTaskMemory = Scoped<void*, CoTaskMemoryTraits>;
using ScopedIcon = Scoped<HICON, IconTraits>;
using ScopedWindow = Scoped<HWND, WindowTraits>;

// A window's device context from GetDC, given back with ReleaseDC.
class ScopedWindowDc {
 public:
  explicit ScopedWindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~ScopedWindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  ScopedWindowDc(const ScopedWindowDc&) = delete;
  ScopedWindowDc& operator=(const ScopedWindowDc&) = delete;
  HDC Get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint / EndPaint.
class ScopedPaint {
 public:
  explicit ScopedPaint(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
  ~ScopedPaint() { EndPaint(window_, &paint_); }
  ScopedPaint(const ScopedPaint&) = delete;
  ScopedPaint& operator=(const ScopedPaint&) = delete;
  HDC Get() const { return dc_; }
  const PAINTSTRUCT& Info() const { return paint_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// An object selected into a device context for as long as this lives.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
  ~ScopedSelect() {
    if (previous_) SelectObject(dc_, previous_);
  }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A COM interface pointer, released when it goes.
template <typename I>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  I* Get() const { return p_; }
  I* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  I** Put() {
    Reset();
    return &p_;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }
  void Reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }

 private:
  I* p_ = nullptr;
};

// The COM apartment of this thread for as long as this lives (only when the
// initialisation succeeded, as CoUninitialize requires).
class ScopedComApartment {
 public:
  ScopedComApartment() : ok_(SUCCEEDED(CoInitialize(nullptr))) {}
  ~ScopedComApartment() {
    if (ok_) CoUninitialize();
  }
  ScopedComApartment(const ScopedComApartment&) = delete;
  ScopedComApartment& operator=(const ScopedComApartment&) = delete;
  bool Ok() const { return ok_; }

 private:
  bool ok_;
};

}  // namespace tvx::win32
