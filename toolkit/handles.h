// Owners of Windows handles: each frees what it holds exactly once, when it goes out of scope
// or is given another handle, so no return path can leak one. Owners move, never copy.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <utility>

// Holds one handle and frees it with `Free::Close`; `Free::IsSet` tells a handle from none.
template <typename Handle, typename Free>
class TOwned {
 public:
  TOwned() = default;
  explicit TOwned(Handle handle) : handle_(handle) {}
  TOwned(TOwned&& other) noexcept : handle_(other.Detach()) {}
  TOwned& operator=(TOwned&& other) noexcept {
    Reset(other.Detach());
    return *this;
  }
  ~TOwned() { Reset(); }

  Handle Get() const { return handle_; }
  explicit operator bool() const { return Free::IsSet(handle_); }
  // Frees the handle held, if any, and holds `handle` instead.
  void Reset(Handle handle = Handle()) {
    Handle previous = std::exchange(handle_, handle);
    if (Free::IsSet(previous)) Free::Close(previous);
  }
  // Gives the handle up unfreed: the caller (or nobody, on purpose) frees it.
  Handle Detach() { return std::exchange(handle_, Handle()); }
  // For a call that returns a handle through a pointer; the handle held is freed first.
  Handle* Out() {
    Reset();
    return &handle_;
  }

 private:
  Handle handle_ = Handle();
};

namespace handle_free {

struct NullIsNone {
  template <typename Handle>
  static bool IsSet(Handle handle) { return handle != nullptr; }
};
// Kernel objects: a failed CreateFile gives INVALID_HANDLE_VALUE, most other calls null.
struct KernelObject {
  static bool IsSet(HANDLE handle) { return handle && handle != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) { CloseHandle(handle); }
};
// FindFirstChangeNotification gives INVALID_HANDLE_VALUE on failure.
struct ChangeNotification {
  static bool IsSet(HANDLE handle) { return handle && handle != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) { FindCloseChangeNotification(handle); }
};
struct GdiObject : NullIsNone { static void Close(HGDIOBJ object) { DeleteObject(object); } };
struct ImageList : NullIsNone { static void Close(HIMAGELIST list) { ImageList_Destroy(list); } };
struct Icon : NullIsNone { static void Close(HICON icon) { DestroyIcon(icon); } };
struct Menu : NullIsNone { static void Close(HMENU menu) { DestroyMenu(menu); } };
struct Window : NullIsNone { static void Close(HWND window) { DestroyWindow(window); } };
struct Library : NullIsNone { static void Close(HMODULE module) { FreeLibrary(module); } };
struct RegistryKey : NullIsNone { static void Close(HKEY key) { RegCloseKey(key); } };
struct MappedView : NullIsNone { static void Close(void* view) { UnmapViewOfFile(view); } };
struct TaskMemory : NullIsNone { static void Close(void* memory) { CoTaskMemFree(memory); } };
struct ComReference : NullIsNone { static void Close(IUnknown* object) { object->Release(); } };

}  // namespace handle_free

using THandle = TOwned<HANDLE, handle_free::KernelObject>;
using TChangeNotification = TOwned<HANDLE, handle_free::ChangeNotification>;
template <typename Object>  // HFONT, HBRUSH, HBITMAP, HPEN, HRGN...
using TGdiObject = TOwned<Object, handle_free::GdiObject>;
using TFont = TGdiObject<HFONT>;
using TBrush = TGdiObject<HBRUSH>;
using TImageList = TOwned<HIMAGELIST, handle_free::ImageList>;
using TIcon = TOwned<HICON, handle_free::Icon>;
using TMenu = TOwned<HMENU, handle_free::Menu>;
using TOwnedWindow = TOwned<HWND, handle_free::Window>;  // a window no object of ours wraps
using TLibrary = TOwned<HMODULE, handle_free::Library>;
using TRegistryKey = TOwned<HKEY, handle_free::RegistryKey>;
using TMappedView = TOwned<void*, handle_free::MappedView>;
template <typename Pointer>  // memory the shell or COM allocated for the caller
using TTaskMemory = TOwned<Pointer, handle_free::TaskMemory>;

// One reference to a COM object.
template <typename Interface>
class TComRef : public TOwned<Interface*, handle_free::ComReference> {
 public:
  using TOwned<Interface*, handle_free::ComReference>::TOwned;
  Interface* operator->() const { return this->Get(); }
  // For QueryInterface and CoCreateInstance.
  void** OutVoid() { return reinterpret_cast<void**>(this->Out()); }
};

// A window's device context from GetDC, released to that window.
class TWindowDC {
 public:
  explicit TWindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  TWindowDC(TWindowDC&& other) noexcept
      : window_(other.window_), dc_(std::exchange(other.dc_, nullptr)) {}
  TWindowDC& operator=(TWindowDC&&) = delete;
  ~TWindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint and EndPaint of one WM_PAINT.
class TPaintDC {
 public:
  explicit TPaintDC(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  TPaintDC(const TPaintDC&) = delete;
  TPaintDC& operator=(const TPaintDC&) = delete;
  ~TPaintDC() { EndPaint(window_, &paint_); }
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_;
  HDC dc_;
};

// Selects an object into a device context and selects the previous one back at the end.
class TSelection {
 public:
  TSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  TSelection(const TSelection&) = delete;
  TSelection& operator=(const TSelection&) = delete;
  ~TSelection() { SelectObject(dc_, previous_); }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// COM on this thread for the guard's life; uninitialised only when initialising succeeded.
class TComApartment {
 public:
  explicit TComApartment(DWORD model = COINIT_APARTMENTTHREADED)
      : result_(CoInitializeEx(nullptr, model)) {}
  TComApartment(const TComApartment&) = delete;
  TComApartment& operator=(const TComApartment&) = delete;
  ~TComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }

 private:
  HRESULT result_;
};
