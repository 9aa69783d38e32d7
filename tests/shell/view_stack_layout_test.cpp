// The meter window's stack of rate views in a plain host window that forwards
// its messages to CViewStack, as the meter window does.
#include <gtest/gtest.h>

#include <windowsx.h>
#include <cstdlib>
#include <deque>
#include <memory>
#include <string>

#include "app/view_stack_win.h"
#include "shell_support.h"

namespace {

CViewStack* g_stack = nullptr;

LRESULT CALLBACK StackHostProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (g_stack) {
    switch (m) {
      case WM_SIZE: {
        const LRESULT r = ::DefWindowProcW(h, m, w, l);
        g_stack->OnSize(LOWORD(l), HIWORD(l));
        return r;
      }
      case WM_NCHITTEST: return g_stack->OnNcHitTest(l, ::DefWindowProcW(h, m, w, l));
      case WM_SETCURSOR:
        if (g_stack->OnSetCursor(LOWORD(l))) return TRUE;
        break;
      case WM_LBUTTONDOWN: g_stack->OnLButtonDown(GET_X_LPARAM(l), GET_Y_LPARAM(l)); break;
      case WM_MOUSEMOVE: g_stack->OnMouseMove(GET_X_LPARAM(l), GET_Y_LPARAM(l)); break;
      case WM_LBUTTONUP: g_stack->OnLButtonUp(); break;
    }
  }
  return ::DefWindowProcW(h, m, w, l);
}

class ViewStackHost : public ::testing::Test {
protected:
  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &StackHostProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"ZephraViewStackTestHost";
    ::RegisterClassW(&wc);
    g_stack = &stack;
    host = ::CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"Zephra",
                             WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN, 300, 400, 320,
                             200, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(host, nullptr);
    stack.Attach(host, wc.hInstance, [this](std::vector<AdapterEntry*>& out) {
      out.clear();
      for (auto& e : entries) out.push_back(&e);
    }, [](const AdapterEntry& e) { return e.name; });
    stack.SetClock([] {
      LocalTime t;
      t.year = 2026, t.month = 12, t.day = 8, t.hour = 14, t.minute = 5, t.second = 0;
      return t;
    });
  }
  void TearDown() override {
    stack.DestroyViews();
    if (host) ::DestroyWindow(host);
    g_stack = nullptr;
  }
  AdapterEntry& AddEntry(const wchar_t* name) {
    entries.emplace_back(2048);
    entries.back().name = name;
    return entries.back();
  }
  RECT WindowRect() const {
    RECT r;
    ::GetWindowRect(host, &r);
    return r;
  }
  RECT ClientRect() const {
    RECT r;
    ::GetClientRect(host, &r);
    return r;
  }
  int32_t NeededA() const {
    const RateViewOptions o;
    return NeededHeight(true, EffectiveFontHeight(o.titleFont.height), true, EffectiveFontHeight(o.rateFont.height),
                        true);
  }

  std::deque<AdapterEntry> entries;  // stable addresses
  CViewStack stack;
  HWND host = nullptr;
};

TEST_F(ViewStackHost, FirstStartPlacesTheWindowAtTheWorkAreaCorner) {
  RECT before = WindowRect(), work;
  ASSERT_TRUE(::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  stack.PlaceWindow(nullptr);
  const RECT r = WindowRect();
  EXPECT_EQ(r.right, work.right - ::GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(r.bottom, work.bottom - ::GetSystemMetrics(SM_CYHSCROLL));
  EXPECT_EQ(r.right - r.left, before.right - before.left);
  // A stored rectangle off every screen is used as it is; reset brings it to the origin.
  const RECT away{-5000, -4000, -4700, -3800};
  stack.PlaceWindow(&away);
  EXPECT_EQ(WindowRect().left, -5000);
  stack.ResetWindowPosition();
  EXPECT_EQ(WindowRect().left, 0);
  EXPECT_EQ(WindowRect().top, 0);
  EXPECT_EQ(WindowRect().right, 300);
}

TEST_F(ViewStackHost, DisplayingGrowsUpwardAndHidingShrinks) {
  AdapterEntry& first = AddEntry(L"All Connections");
  AdapterEntry& second = AddEntry(L"Test adapter 7");
  const RECT start = WindowRect();
  ASSERT_NE(stack.DisplayEntry(first), nullptr);
  const int32_t a = NeededA();
  RECT r = WindowRect();
  EXPECT_EQ(r.top, start.top - (a + 3));
  EXPECT_EQ(r.bottom, start.bottom);
  ASSERT_NE(stack.DisplayEntry(second), nullptr);
  ASSERT_EQ(stack.state().views.size(), 2u);
  ASSERT_EQ(stack.state().separators.size(), 1u);
  const ViewRect v0 = first.view->placed(), v1 = second.view->placed();
  EXPECT_EQ(v0.top, stack.margin());
  EXPECT_EQ(stack.state().separators[0].top, v0.bottom);
  EXPECT_EQ(v1.top, v0.bottom + 2);
  EXPECT_EQ(v1.height(), a + 1);
  EXPECT_FLOAT_EQ(second.size, static_cast<float>(a + 1) / ClientRect().bottom);
  // The view's own window follows its rectangle.
  RECT vr;
  ::GetWindowRect(second.view->hwnd(), &vr);
  EXPECT_EQ(vr.bottom - vr.top, a + 1);

  const RECT grown = WindowRect();
  stack.HideEntry(second);
  EXPECT_EQ(second.view, nullptr);
  EXPECT_FALSE(second.monitored);
  EXPECT_EQ(WindowRect().top, grown.top + a + 1 + 2);
  EXPECT_EQ(first.view->placed(), v0);
  EXPECT_TRUE(stack.state().separators.empty());
}

TEST_F(ViewStackHost, ResizingKeepsOrRescalesTheViews) {
  AdapterEntry& first = AddEntry(L"All Connections");
  AdapterEntry& second = AddEntry(L"Test adapter 7");
  stack.DisplayEntry(first);
  stack.DisplayEntry(second);
  const ViewRect v0 = first.view->placed();
  const RECT r = WindowRect();
  // Width only: heights stay.
  ::SetWindowPos(host, nullptr, 0, 0, r.right - r.left + 80, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(first.view->placed().height(), v0.height());
  EXPECT_EQ(first.view->placed().right, ClientRect().right - stack.margin());
  EXPECT_EQ(first.view->width(), first.view->placed().width());
  // Height: the first view keeps its share, the last takes the rest.
  const float share = first.size;
  ::SetWindowPos(host, nullptr, 0, 0, r.right - r.left + 80, r.bottom - r.top + 100, SWP_NOMOVE | SWP_NOZORDER);
  const int32_t h = ClientRect().bottom;
  EXPECT_EQ(first.view->placed().height(), static_cast<int32_t>(h * share));
  EXPECT_EQ(second.view->placed().bottom, h - stack.margin());
}

TEST_F(ViewStackHost, SeparatorDragMovesBothViewsUntilReleased) {
  AdapterEntry& first = AddEntry(L"All Connections");
  AdapterEntry& second = AddEntry(L"Test adapter 7");
  stack.DisplayEntry(first);
  stack.DisplayEntry(second);
  ::ShowWindow(host, SW_SHOWNOACTIVATE);
  PumpPending();
  const ViewRect sep = stack.state().separators[0];
  const ViewRect top0 = first.view->placed();
  stack.OnLButtonDown(sep.left + 10, sep.top);
  ASSERT_TRUE(stack.dragging());
  EXPECT_EQ(::GetCapture(), host);
  stack.OnMouseMove(sep.left + 10, sep.top - 10);
  EXPECT_EQ(first.view->placed().bottom, top0.bottom - 10);
  EXPECT_EQ(second.view->placed().top, top0.bottom - 8);
  RECT vr;
  ::GetWindowRect(second.view->hwnd(), &vr);
  EXPECT_EQ(vr.bottom - vr.top, second.view->placed().height());
  stack.OnLButtonUp();
  EXPECT_FALSE(stack.dragging());
  stack.OnMouseMove(sep.left + 10, sep.top - 20);
  EXPECT_EQ(first.view->placed().bottom, top0.bottom - 10);
  // Away from a separator nothing starts.
  stack.OnLButtonDown(sep.left + 10, sep.top - 30);
  EXPECT_FALSE(stack.dragging());
}

TEST_F(ViewStackHost, StartUpCreatesMonitoredViewsByTheirSizes) {
  AdapterEntry& a = AddEntry(L"All Connections");
  AdapterEntry& b = AddEntry(L"Dial-Up Connections");
  AdapterEntry& c = AddEntry(L"Test adapter 7");
  a.monitored = c.monitored = true;
  a.size = 0.4f;
  c.size = 0.6f;
  const RECT before = WindowRect();
  stack.CreateViews();
  EXPECT_EQ(b.view, nullptr);
  ASSERT_NE(a.view, nullptr);
  ASSERT_NE(c.view, nullptr);
  EXPECT_EQ(WindowRect().bottom, before.bottom);  // every share fits: no growth
  const int32_t h = ClientRect().bottom;
  EXPECT_EQ(a.view->placed().height(), static_cast<int32_t>(h * 0.4f));
  EXPECT_EQ(c.view->placed().bottom, h - stack.margin());
  EXPECT_EQ(::GetDlgCtrlID(a.view->hwnd()), kFirstViewId);
  EXPECT_EQ(::GetDlgCtrlID(c.view->hwnd()), kFirstViewId + 1);
}

TEST_F(ViewStackHost, CaptionCanBeRemovedAndRestored) {
  AdapterEntry& first = AddEntry(L"All Connections");
  stack.DisplayEntry(first);
  const int32_t withCaption = ClientRect().bottom;
  stack.SetCaption(false);
  EXPECT_FALSE(::GetWindowLongPtrW(host, GWL_STYLE) & WS_DLGFRAME);
  EXPECT_GT(ClientRect().bottom, withCaption);
  EXPECT_EQ(first.view->placed().bottom, ClientRect().bottom - stack.margin());
  stack.SetCaption(true);
  EXPECT_EQ(ClientRect().bottom, withCaption);
}

}  // namespace
