// The link label on a real static control: attaching, sizing, colours, hover,
// and what a failed or successful open does.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell_support.h"
#include "view/link_label_win.h"

namespace {

struct Shown {
  HWND owner;
  std::wstring text, caption;
  UINT type;
};

class LinkLabelTest : public ::testing::Test {
protected:
  void SetUp() override {
    parent_ = ::CreateWindowExW(0, L"STATIC", L"parent", WS_POPUP | WS_VISIBLE, 600, 500, 300, 120, nullptr, nullptr,
                                ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent_, nullptr);
    label_.SetMessageBox([this](HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
      shown_.push_back({owner, text, caption, type});
      return IDOK;
    });
  }
  void TearDown() override { ::DestroyWindow(parent_); }

  HWND MakeStatic(const wchar_t* text, DWORD style, int x = 20, int width = 200) {
    HWND h = ::CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE | style, x, 20, width, 30, parent_, nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return h;
  }
  RECT RectInParent(HWND h) {
    RECT r{};
    ::GetWindowRect(h, &r);
    ::MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  int CountColour(HWND h, COLORREF colour) {
    RECT rc{};
    ::GetClientRect(h, &rc);
    HDC screen = ::GetDC(nullptr);
    MemoryDc dc(::CreateCompatibleDC(screen));
    BitmapHandle bmp(::CreateCompatibleBitmap(screen, rc.right, rc.bottom));
    ::ReleaseDC(nullptr, screen);
    SelectGuard sel(dc.get(), bmp.get());
    ::SendMessageW(h, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
    int n = 0;
    for (int y = 0; y < rc.bottom; ++y)
      for (int x = 0; x < rc.right; ++x) n += ::GetPixel(dc.get(), x, y) == colour;
    return n;
  }

  HWND parent_ = nullptr;
  CLinkLabel label_;
  std::vector<Shown> shown_;
};

}  // namespace

TEST_F(LinkLabelTest, AttachTakesTargetFromTextAndTextFromTarget) {
  HWND a = MakeStatic(L"https://example.test/", 0);
  ASSERT_TRUE(label_.Attach(a));
  EXPECT_EQ(label_.target(), L"https://example.test/");
  EXPECT_TRUE(::GetWindowLongPtrW(a, GWL_STYLE) & SS_NOTIFY);
  ASSERT_NE(label_.tooltip(), nullptr);
  wchar_t tip[128] = {};
  TOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.hwnd = a;
  ti.uId = 1;
  ti.lpszText = tip;
  ::SendMessageW(label_.tooltip(), TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&ti));
  EXPECT_STREQ(tip, L"https://example.test/");

  CLinkLabel second;
  second.SetTarget(L"mailto:someone@example.test");
  HWND b = MakeStatic(L"", 0);
  ASSERT_TRUE(second.Attach(b));
  wchar_t text[64] = {};
  ::GetWindowTextW(b, text, 64);
  EXPECT_STREQ(text, L"mailto:someone@example.test");
  // The target changes later: the tooltip follows.
  second.SetTarget(L"mailto:other@example.test");
  ti.hwnd = b;
  ::SendMessageW(second.tooltip(), TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&ti));
  EXPECT_STREQ(tip, L"mailto:other@example.test");
}

TEST_F(LinkLabelTest, SizesToItsTextKeepingTheAlignedEdge) {
  HWND left = MakeStatic(L"short link", 0, 20, 200);
  HWND right = MakeStatic(L"short link", SS_RIGHT, 20, 200);
  HWND centre = MakeStatic(L"short link", SS_CENTER, 20, 200);
  CLinkLabel r, c;
  ASSERT_TRUE(label_.Attach(left));
  ASSERT_TRUE(r.Attach(right));
  ASSERT_TRUE(c.Attach(centre));
  HDC dc = ::GetDC(left);
  RECT fit{0, 0, 0, 0};
  {
    SelectGuard f(dc, label_.underlinedFont());
    ::DrawTextW(dc, L"short link", -1, &fit, DT_SINGLELINE | DT_CALCRECT);
  }
  ::ReleaseDC(left, dc);
  RECT client{};
  ::GetClientRect(left, &client);
  EXPECT_EQ(client.right, fit.right);
  EXPECT_EQ(client.bottom, fit.bottom);
  EXPECT_LT(fit.right, 200);
  EXPECT_EQ(RectInParent(left).left, 20);
  EXPECT_EQ(RectInParent(right).right, 220);
  const RECT rc = RectInParent(centre);
  EXPECT_NEAR((rc.left + rc.right) / 2, 120, 1);
}

TEST_F(LinkLabelTest, FailedOpenShowsTheShellsResultAndStaysUnvisited) {
  ASSERT_TRUE(label_.Attach(MakeStatic(L"Z:\\no-such-dir-zephra\\missing.zzq", 0)));
  // The real shell: a file that is not there.
  label_.SetOpener([](const std::wstring& target, int show) {
    return reinterpret_cast<intptr_t>(::ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, show));
  });
  EXPECT_FALSE(label_.Open());
  EXPECT_FALSE(label_.visited());
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].caption, L"Zephra");
  EXPECT_EQ(shown_[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
  EXPECT_EQ(shown_[0].text.rfind(L"Unable to open hyperlink:\n\n", 0), 0u);
  EXPECT_TRUE(shown_[0].text.find(L"not found") != std::wstring::npos) << shown_[0].text.c_str();

  // A sharing violation, as the shell reports it.
  label_.SetOpener([](const std::wstring&, int) -> intptr_t { return 26; });
  ::SendMessageW(label_.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  ASSERT_EQ(shown_.size(), 2u);
  EXPECT_EQ(shown_[1].text, L"Unable to open hyperlink:\n\nA sharing violation occurred. ");
  EXPECT_FALSE(label_.visited());
  EXPECT_EQ(label_.TextColour(), RGB(0, 0, 238));
  // A result the shell does not document.
  label_.SetOpener([](const std::wstring&, int) -> intptr_t { return 12; });
  label_.Open();
  ASSERT_EQ(shown_.size(), 3u);
  EXPECT_EQ(shown_[2].text, L"Unable to open hyperlink:\n\nUnknown Error (12) occurred.");
}

TEST_F(LinkLabelTest, SuccessfulOpenMarksVisitedAndRecolours) {
  HWND h = MakeStatic(L"https://example.test/", 0);
  ASSERT_TRUE(label_.Attach(h));
  std::wstring opened;
  int showCommand = -1;
  label_.SetOpener([&](const std::wstring& target, int show) -> intptr_t {
    opened = target;
    showCommand = show;
    return 42;
  });
  EXPECT_GT(CountColour(h, RGB(0, 0, 238)), 10);
  EXPECT_EQ(CountColour(h, RGB(85, 26, 139)), 0);
  ::SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(opened, L"https://example.test/");
  EXPECT_EQ(showCommand, SW_SHOW);
  EXPECT_TRUE(label_.visited());
  EXPECT_TRUE(shown_.empty());
  EXPECT_EQ(CountColour(h, RGB(0, 0, 238)), 0);
  EXPECT_GT(CountColour(h, RGB(85, 26, 139)), 10);
  EXPECT_EQ(CountColour(h, ::GetSysColor(COLOR_BTNFACE)) > 0, true);
}

TEST_F(LinkLabelTest, HoverUnderlinesAndEndsWhenTheMouseIsAway) {
  ::SetCursorPos(5, 5);  // far from the control
  HWND h = MakeStatic(L"https://example.test/", 0);
  ASSERT_TRUE(label_.Attach(h));
  const HFONT normal = label_.currentFont();
  ASSERT_NE(normal, label_.underlinedFont());
  ::SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  EXPECT_TRUE(label_.hovering());
  EXPECT_EQ(label_.currentFont(), label_.underlinedFont());
  EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(h, WM_GETFONT, 0, 0)), label_.underlinedFont());
  EXPECT_EQ(label_.TextColour(), RGB(255, 0, 0));
  EXPECT_EQ(::SendMessageW(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
  const DWORD start = ::GetTickCount();
  ASSERT_TRUE(PumpUntil([&] { return !label_.hovering(); }, 2000));
  EXPECT_LT(::GetTickCount() - start, 1000u);
  EXPECT_EQ(label_.currentFont(), normal);

  // Underline mode 1: underlined also when the mouse is elsewhere.
  label_.SetUnderlineMode(1);
  EXPECT_EQ(label_.currentFont(), label_.underlinedFont());
  ::SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  ASSERT_TRUE(PumpUntil([&] { return !label_.hovering(); }, 2000));
  EXPECT_EQ(label_.currentFont(), label_.underlinedFont());
  label_.SetUnderlineMode(0);
  EXPECT_EQ(label_.currentFont(), normal);
}

TEST_F(LinkLabelTest, DestroyingTheControlReleasesEverything) {
  HWND h = MakeStatic(L"https://example.test/", 0);
  ASSERT_TRUE(label_.Attach(h));
  HWND tip = label_.tooltip();
  ASSERT_TRUE(::IsWindow(tip));
  ::SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  ::DestroyWindow(h);
  EXPECT_EQ(label_.hwnd(), nullptr);
  EXPECT_FALSE(::IsWindow(tip));
  EXPECT_EQ(label_.underlinedFont(), nullptr);
  EXPECT_FALSE(label_.hovering());
}
