// Move-only owners of Win32 handles and GDI objects.
#pragma once
#include <windows.h>
#include <cstdint>
#include <utility>

template <class H, auto Close, intptr_t NoneValue = 0>
class Handle {
  static H None() { return reinterpret_cast<H>(NoneValue); }

public:
  Handle() = default;
  explicit Handle(H h) : h_(h) {}
  ~Handle() { reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle(Handle&& o) noexcept : h_(std::exchange(o.h_, None())) {}
  Handle& operator=(Handle&& o) noexcept {
    if (this != &o) { reset(); h_ = std::exchange(o.h_, None()); }
    return *this;
  }
  H get() const { return h_; }
  explicit operator bool() const { return h_ != None(); }
  H release() { return std::exchange(h_, None()); }
  void reset(H h = None()) {
    if (h_ != None()) Close(h_);
    h_ = h;
  }

private:
  H h_ = None();
};

inline void CloseKernelHandle(HANDLE h) { ::CloseHandle(h); }
inline void CloseRegKey(HKEY k) { ::RegCloseKey(k); }
inline void DeleteGdiObject(HGDIOBJ o) { ::DeleteObject(o); }
inline void DeleteMemoryDc(HDC dc) { ::DeleteDC(dc); }
inline void DestroyIconHandle(HICON i) { ::DestroyIcon(i); }
inline void DestroyMenuHandle(HMENU m) { ::DestroyMenu(m); }
inline void ReleaseModule(HMODULE m) { ::FreeLibrary(m); }

using KernelHandle = Handle<HANDLE, CloseKernelHandle>;
using FileHandle = Handle<HANDLE, CloseKernelHandle, -1>;
using RegKey = Handle<HKEY, CloseRegKey>;
using PenHandle = Handle<HPEN, DeleteGdiObject>;
using BrushHandle = Handle<HBRUSH, DeleteGdiObject>;
using FontHandle = Handle<HFONT, DeleteGdiObject>;
using BitmapHandle = Handle<HBITMAP, DeleteGdiObject>;
using RegionHandle = Handle<HRGN, DeleteGdiObject>;
using MemoryDc = Handle<HDC, DeleteMemoryDc>;
using IconHandle = Handle<HICON, DestroyIconHandle>;
using MenuHandle = Handle<HMENU, DestroyMenuHandle>;
using ModuleHandle = Handle<HMODULE, ReleaseModule>;

// Puts the DC's previous object back before the selected one can be deleted.
class SelectGuard {
public:
  SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(::SelectObject(dc, obj)) {}
  ~SelectGuard() { ::SelectObject(dc_, old_); }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

private:
  HDC dc_;
  HGDIOBJ old_;
};
