#pragma once
#include <windows.h>
#include <optional>

// Base for plain child windows with a message table, the counterpart of
// Dialog<D>: one static window procedure finds the object (stored at
// WM_NCCREATE), D::kMessages maps messages to member functions, and the
// pointer is detached at WM_NCDESTROY. A handler returning std::nullopt asks
// for default processing.
template <class D>
class ChildWindow {
public:
  using MsgFn = std::optional<LRESULT> (D::*)(WPARAM, LPARAM);
  struct MsgEntry { UINT msg; MsgFn fn; };

  HWND hwnd() const { return hwnd_; }

  static bool Register(HINSTANCE inst) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (::GetClassInfoExW(inst, D::kClassName, &wc)) return true;
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof wc;
    // A window drawn every second may keep a DC of its own (CS_OWNDC): under
    // Wine fetching a common DC asks the server for the visible region each time.
    if constexpr (requires { D::kClassStyle; }) wc.style = D::kClassStyle;
    wc.lpfnWndProc = &Proc;
    wc.hInstance = inst;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = D::kClassName;
    return ::RegisterClassExW(&wc) != 0;
  }

protected:
  ChildWindow() = default;
  ~ChildWindow() {
    if (hwnd_) ::DestroyWindow(hwnd_);
  }
  ChildWindow(const ChildWindow&) = delete;
  ChildWindow& operator=(const ChildWindow&) = delete;

  HWND CreateChild(HINSTANCE inst, HWND parent, const RECT& rc, int id, DWORD style) {
    if (!Register(inst)) return nullptr;
    return ::CreateWindowExW(0, D::kClassName, L"", style | WS_CHILD, rc.left, rc.top, rc.right - rc.left,
                             rc.bottom - rc.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst,
                             this);
  }

  HWND hwnd_ = nullptr;

private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    D* self;
    if (msg == WM_NCCREATE) {
      self = static_cast<D*>(reinterpret_cast<ChildWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      self->hwnd_ = hwnd;
    } else {
      self = reinterpret_cast<D*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
    std::optional<LRESULT> result;
    for (const MsgEntry& e : D::kMessages) {
      if (e.msg == msg) {
        result = (self->*e.fn)(wp, lp);
        break;
      }
    }
    if (msg == WM_NCDESTROY) {
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      self->hwnd_ = nullptr;
    }
    return result ? *result : ::DefWindowProcW(hwnd, msg, wp, lp);
  }
};
