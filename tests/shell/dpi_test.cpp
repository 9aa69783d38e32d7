// The windows at the display scale of the prefix they run in (its LogPixels:
// 96, 144 or 192; ctest runs these tests in one prefix of each): no text is
// cut, fonts follow the DPI, WM_DPICHANGED moves a window and makes its fonts
// again, and the tray picture has the shell's size.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "alerts/email_settings_dlg_win.h"
#include "alerts/notification_dlg_win.h"
#include "alerts/opt_notification_page_win.h"
#include "app/about_dlg_win.h"
#include "app/tray_icon_win.h"
#include "recorder/recorder_dlg_win.h"
#include "settings/opt_adapters_page_win.h"
#include "settings/opt_general_page_win.h"
#include "settings/opt_graph_text_page_win.h"
#include "settings/opt_service_page_win.h"
#include "settings/options_sheet_win.h"
#include "settings/report_job_dlg_win.h"
#include "shell_support.h"
#include "stopwatch/stopwatch_dlg_win.h"
#include "trafficlog/summary_sheet_win.h"
#include "ui/dpi_win.h"
#include "ui/window_util_win.h"
#include "view/rate_view_win.h"

namespace {

std::wstring ClassOf(HWND w) {
  wchar_t name[64] = {};
  ::GetClassNameW(w, name, 64);
  return name;
}

SIZE Extent(HDC dc, const std::wstring& text, UINT format, int wrapWidth) {
  RECT r{0, 0, wrapWidth, 0};
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_CALCRECT);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

BOOL CALLBACK Collect(HWND w, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
  return TRUE;
}

// Every visible static text, button, check box and radio button of the window
// shows its whole text in its own font, and every list-view column is as wide
// as its header's text. Returns the faults, one line each.
std::vector<std::wstring> CutTexts(HWND window, const std::wstring& where) {
  std::vector<std::wstring> faults;
  std::vector<HWND> children;
  ::EnumChildWindows(window, &Collect, reinterpret_cast<LPARAM>(&children));
  const int dpi = static_cast<int>(WindowDpi(window));
  for (HWND c : children) {
    if (!::IsWindowVisible(c)) continue;
    const std::wstring cls = ClassOf(c);
    const LONG style = static_cast<LONG>(::GetWindowLongPtrW(c, GWL_STYLE));
    RECT client{};
    ::GetClientRect(c, &client);
    HDC dc = ::GetDC(c);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(c, WM_GETFONT, 0, 0)));
    auto fault = [&](const std::wstring& what, SIZE need, int w, int h) {
      faults.push_back(where + L": " + cls + L" \"" + what + L"\" needs " + std::to_wstring(need.cx) + L"x" +
                       std::to_wstring(need.cy) + L", has " + std::to_wstring(w) + L"x" + std::to_wstring(h));
    };
    const std::wstring text = ControlText(c);
    if (cls == L"Static" && !text.empty()) {
      const LONG type = style & SS_TYPEMASK;
      if (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_LEFTNOWORDWRAP ||
          type == SS_SIMPLE) {
        const UINT noPrefix = (style & SS_NOPREFIX) ? DT_NOPREFIX : 0;
        const bool wraps = type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE;
        const SIZE need = Extent(dc, text, noPrefix | (wraps ? DT_WORDBREAK : DT_SINGLELINE), client.right);
        const bool ellipsis = (style & SS_ELLIPSISMASK) != 0;  // shortened on purpose (paths)
        if (!ellipsis && (need.cx > client.right || need.cy > client.bottom)) fault(text, need, client.right, client.bottom);
      }
    } else if (cls == L"Button" && !text.empty()) {
      const LONG type = style & BS_TYPEMASK;
      const bool box = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
                       type == BS_AUTO3STATE || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
      const bool push = type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
      if (box || push) {
        // A box takes its check mark and a gap; a push button its edges.
        const int room = client.right - (box ? Scale(13, dpi) + Scale(4, dpi) : 2 * Scale(2, dpi));
        const bool multiline = (style & BS_MULTILINE) != 0;
        const SIZE need = Extent(dc, text, multiline ? DT_WORDBREAK : DT_SINGLELINE, room);
        if (need.cx > room || need.cy > client.bottom) fault(text, need, room, client.bottom);
      }
    } else if (cls == WC_LISTVIEWW) {
      HWND header = ListView_GetHeader(c);
      ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(header, WM_GETFONT, 0, 0)));
      for (int i = 0; header && i < Header_GetItemCount(header); ++i) {
        wchar_t buffer[128] = {};
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_WIDTH;
        item.pszText = buffer;
        item.cchTextMax = 128;
        Header_GetItem(header, i, &item);
        // The header draws its text between margins of 3 times an edge on each side.
        const SIZE need = Extent(dc, buffer, DT_SINGLELINE, 0);
        if (buffer[0] && need.cx + 2 * 3 * ::GetSystemMetrics(SM_CXEDGE) > item.cxy)
          fault(std::wstring(L"column ") + buffer, need, item.cxy, 0);
      }
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(c, dc);
  }
  return faults;
}

void ExpectNothingCut(HWND window, const std::wstring& where) {
  ASSERT_NE(window, nullptr) << where;
  ::ShowWindow(window, SW_SHOWNA);
  PumpPending();
  for (const std::wstring& f : CutTexts(window, where)) ADD_FAILURE() << std::string(f.begin(), f.end());
}

// Each page of a property sheet in turn.
void ExpectNoPageCut(HWND sheet, const std::wstring& where) {
  const int pages = TabCtrl_GetItemCount(PropSheet_GetTabControl(sheet));
  ASSERT_GT(pages, 0) << "no pages in " << std::string(where.begin(), where.end());
  for (int i = 0; i < pages; ++i) {
    PropSheet_SetCurSel(sheet, nullptr, i);
    PumpPending();
    ExpectNothingCut(sheet, where + L" page " + std::to_wstring(i));
  }
}

int TextHeight(HWND control) {
  HDC dc = ::GetDC(control);
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
  TEXTMETRICW tm{};
  ::GetTextMetricsW(dc, &tm);
  ::SelectObject(dc, old);
  ::ReleaseDC(control, dc);
  return tm.tmHeight;
}

// Rows of the rectangle that hold a pixel of the colour: the height of the ink.
int InkRows(const PixelCanvas& c, const ViewRect& r, COLORREF ink) {
  int first = -1, last = -1;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x)
      if (c.At(x, y) == ink) {
        if (first < 0) first = y;
        last = y;
        break;
      }
  return first < 0 ? 0 : last - first + 1;
}

// The em height of the control's font.
int FontHeight(HWND control) {
  LOGFONTW lf{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)), sizeof lf, &lf);
  return std::abs(lf.lfHeight);
}

void SendDpiChange(HWND window, UINT dpi, RECT target) {
  ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&target));
  PumpPending();
}

bool SameRect(HWND window, const RECT& r) {
  RECT now{};
  ::GetWindowRect(window, &now);
  return ::EqualRect(&now, &r) != FALSE;
}

class DpiTest : public MeterTest {
public:
  void SetUp() override {
    // The prefix's scale as ctest set it up; a prefix without it would test nothing new.
    if (const char* want = std::getenv("ZEPHRA_TEST_DPI")) {
      ASSERT_EQ(SystemDpi(), static_cast<UINT>(std::atoi(want)));
    }
    dpi = static_cast<int>(SystemDpi());
    other = dpi == 144 ? 192 : 144;
    nic = &adapters.Add("{AAAAAAAA-0000-0000-0000-000000000001}", 1);
    nic->info.description = nic->row.description = "Test adapter with a longer name";
    nic->info.ipAddress = "192.0.2.7";
    ASSERT_TRUE(Start());
  }
  std::unique_ptr<COptionsSheet> OpenOptions(std::vector<std::unique_ptr<COptionPage>>& pages) {
    const MeterSettings& s = meter->settings();
    pages.push_back(std::make_unique<COptGeneralPage>(s, CanSetTransparency()));
    pages.push_back(std::make_unique<COptGraphTextPage>(s));
    pages.push_back(std::make_unique<COptAdaptersPage>([this] { return meter->AdapterRows(); }, TrayChoiceFrom(s)));
    pages.push_back(std::make_unique<COptNotificationPage>(s.notificationEnabled != 0, s.rule, meter->email(),
                                                           meter->AdapterRows()));
    pages.push_back(std::make_unique<COptServicePage>(meter->serviceSettings(), meter->AdapterRows()));
    auto sheet = std::make_unique<COptionsSheet>(::GetModuleHandleW(nullptr), hwnd);
    for (auto& p : pages) sheet->AddPage(*p);
    sheet->SetMessageBox([](HWND, const std::wstring&, UINT) { return IDOK; });
    EXPECT_NE(sheet->Create(hwnd), nullptr);
    return sheet;
  }
  StopwatchInput Stopwatch() {
    StopwatchInput in;
    for (const auto& e : meter->catalogue().entries) in.connections.push_back({e->name, &e->history, e->resetMenuId});
    in.meter = hwnd;
    return in;
  }

  int dpi = 96;
  int other = 144;
  ScriptedSource::Adapter* nic = nullptr;
};

TEST_F(DpiTest, NothingIsCutInAnyWindow) {
  std::vector<std::unique_ptr<COptionPage>> pages;
  auto options = OpenOptions(pages);
  ExpectNoPageCut(options->hwnd(), L"options");
  options.reset();

  AdapterEntry all, lan;
  all.kind = kKindAll;
  all.name = L"All Connections";
  lan.id = "{5C3F1A2B-7E10-4C2D-9A61-0B2E8F4D7C11}";
  lan.name = L"Ethernet";
  ReportsInput reportsIn;
  reportsIn.entries = {&all, &lan};
  CSummarySheet reports(reportsIn, DefaultReportsEnvironment());
  ExpectNoPageCut(reports.Create(::GetModuleHandleW(nullptr), nullptr), L"reports");

  CEmailSettingsDlg email(EmailSettings{});
  ExpectNothingCut(email.Create(nullptr), L"e-mail settings");
  NotificationInput alert;
  alert.connection = &lan;
  alert.connectionName = L"Ethernet";
  CNotificationDlg notification(alert);
  ExpectNothingCut(notification.Create(nullptr), L"notification");
  CRecorderDlg recorder({L"All Connections", L"Ethernet"}, {{}, {}});
  ExpectNothingCut(recorder.Create(nullptr), L"recorder");
  CStopwatchDlg stopwatch(Stopwatch());
  ExpectNothingCut(stopwatch.Create(nullptr), L"stopwatch");
  CReportDlg job(ReportJob{}, meter->AdapterRows());
  ExpectNothingCut(job.Create(hwnd), L"report job");

  // The about window runs modally only: walked from a timer inside its loop.
  static CAboutDlg* about = nullptr;
  static std::vector<std::wstring> aboutFaults;
  static bool walked = false;
  CAboutDlg aboutDlg;
  about = &aboutDlg;
  aboutFaults.clear();
  walked = false;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR, DWORD) {
    if (walked || !about->hwnd() || !::IsWindowVisible(about->hwnd())) return;
    walked = true;
    aboutFaults = CutTexts(about->hwnd(), L"about");
    ::PostMessageW(about->hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  aboutDlg.Run(nullptr);
  ::KillTimer(nullptr, timer);
  EXPECT_TRUE(walked);
  for (const std::wstring& f : aboutFaults) ADD_FAILURE() << std::string(f.begin(), f.end());
}

TEST_F(DpiTest, FontsFollowTheDpi) {
  // An options label against Tahoma -11 at 96 DPI, the pages' font.
  std::vector<std::unique_ptr<COptionPage>> pages;
  auto options = OpenOptions(pages);
  HWND page = PropSheet_GetCurrentPageHwnd(options->hwnd());
  HWND label = nullptr;
  for (HWND c = ::GetWindow(page, GW_CHILD); c && !label; c = ::GetWindow(c, GW_HWNDNEXT))
    if (ClassOf(c) == L"Static" && !ControlText(c).empty()) label = c;
  ASSERT_NE(label, nullptr);
  FontHandle at96(::CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
  HDC screen = ::GetDC(nullptr);
  HGDIOBJ old = ::SelectObject(screen, at96.get());
  TEXTMETRICW tm{};
  ::GetTextMetricsW(screen, &tm);
  ::SelectObject(screen, old);
  ::ReleaseDC(nullptr, screen);
  EXPECT_NEAR(TextHeight(label), tm.tmHeight * dpi / 96.0, 1.0);

  // The text panel's rendered words: at twice the DPI twice as high.
  HWND host = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 800, 400, nullptr, nullptr, nullptr, nullptr);
  RateHistory history(64);
  history.PushFront(RateSample{123456, 23456, 0, 0});
  int ink[2] = {};
  for (int i = 0; i < 2; ++i) {
    const int at = 96 * (i + 1);
    CRateView view(&history, host);
    view.SetDpi(at, false);
    ASSERT_NE(view.Create(::GetModuleHandleW(nullptr), host, ViewRect{0, 0, Scale(300, at), Scale(120, at)}, 1), nullptr);
    RateViewOptions o;
    o.textColourSameAsGraph = false;
    view.SetOptions(o, false);
    view.RelayoutAndRedraw();
    PixelCanvas canvas(view.width(), view.height());
    view.Paint(canvas.dc());
    ink[i] = InkRows(canvas, view.layout().textInner, o.rateTextColour);
  }
  ::DestroyWindow(host);
  ASSERT_GT(ink[0], 5);
  EXPECT_NEAR(ink[1], 2 * ink[0], 1);
}

TEST_F(DpiTest, DpiChangeMovesEachWindowAndItsFontsFollow) {
  // The meter: its views draw their words at the new size.
  CRateView* view = nullptr;
  for (const auto& e : meter->catalogue().entries)
    if (e->view && !view) view = e->view;
  ASSERT_NE(view, nullptr);
  TickSeconds(3);
  auto inkOf = [&] {
    PixelCanvas canvas(view->width(), view->height());
    view->Paint(canvas.dc());
    return InkRows(canvas, view->layout().title, view->options().titleTextColour);
  };
  const int fontBefore = view->rateFontHeight(), inkBefore = inkOf();
  const RECT meterRect{100, 120, 100 + Scale(260, other), 120 + Scale(180, other)};
  SendDpiChange(hwnd, static_cast<UINT>(other), meterRect);
  EXPECT_TRUE(SameRect(hwnd, meterRect));
  EXPECT_NEAR(view->rateFontHeight(), fontBefore * other / static_cast<double>(dpi), 1.0);
  EXPECT_NEAR(inkOf(), inkBefore * other / static_cast<double>(dpi), 1.0);

  // The options sheet: the page's texts.
  std::vector<std::unique_ptr<COptionPage>> pages;
  auto options = OpenOptions(pages);
  HWND label = ::GetWindow(PropSheet_GetCurrentPageHwnd(options->hwnd()), GW_CHILD);
  const int labelBefore = FontHeight(label);
  RECT sheetRect{};
  ::GetWindowRect(options->hwnd(), &sheetRect);
  ::OffsetRect(&sheetRect, 7, 9);
  sheetRect.right = sheetRect.left + Scale(sheetRect.right - sheetRect.left, other * 96 / dpi);
  sheetRect.bottom = sheetRect.top + Scale(sheetRect.bottom - sheetRect.top, other * 96 / dpi);
  SendDpiChange(options->hwnd(), static_cast<UINT>(other), sheetRect);
  EXPECT_TRUE(SameRect(options->hwnd(), sheetRect));
  EXPECT_NEAR(FontHeight(label), labelBefore * other / static_cast<double>(dpi), 1.0);

  // The stopwatch: its large elapsed time.
  CStopwatchDlg stopwatch(Stopwatch());
  HWND w = stopwatch.Create(nullptr);
  ASSERT_NE(w, nullptr);
  HWND elapsed = ::GetDlgItem(w, IDC_SW_ELAPSED);
  const int elapsedBefore = FontHeight(elapsed);
  const RECT swRect{50, 60, 50 + Scale(240, other), 60 + Scale(200, other)};
  SendDpiChange(w, static_cast<UINT>(other), swRect);
  EXPECT_TRUE(SameRect(w, swRect));
  EXPECT_NEAR(FontHeight(elapsed), elapsedBefore * other / static_cast<double>(dpi), 1.0);
}

TEST_F(DpiTest, TrayPictureHasTheShellsSize) {
  const std::pair<int, int> expected[] = {{96, 16}, {144, 24}, {192, 32}};
  int size = 0;
  for (const auto& [d, s] : expected)
    if (d == dpi) size = s;
  ASSERT_NE(size, 0) << "no tray size known for " << dpi << " DPI";
  CTrayIcon tray;
  ASSERT_TRUE(tray.Create(hwnd, ::GetModuleHandleW(nullptr), TrayOptions{}, true));
  RateHistory history(64);
  for (int i = 0; i < 40; ++i) history.PushFront(RateSample{static_cast<uint32_t>(1000 * (i % 7)), 500, 0, 0});
  TraySource source;
  source.history = &history;
  source.scaleMax = 6000;
  ASSERT_TRUE(tray.DrawGraph(source, 1));
  BITMAP bm{};
  ::GetObjectW(tray.graphBitmap(), sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, size);
  EXPECT_EQ(bm.bmHeight, size);
  ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(tray.stateIcon(0), &info));
  ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
  if (info.hbmColor) ::DeleteObject(info.hbmColor);
  ::DeleteObject(info.hbmMask);
  EXPECT_EQ(bm.bmWidth, size);
  // The newest bar stands in the last column inside the frame: the graph uses the extra pixels.
  PixelCanvas canvas(size, size);
  HDC mem = ::CreateCompatibleDC(canvas.dc());
  HGDIOBJ old = ::SelectObject(mem, tray.graphBitmap());
  ::BitBlt(canvas.dc(), 0, 0, size, size, mem, 0, 0, SRCCOPY);
  ::SelectObject(mem, old);
  ::DeleteDC(mem);
  EXPECT_NE(canvas.At(size - 2, size - 3), static_cast<COLORREF>(source.graphBkColor));
}

// Pictures at 200 % for the documentation (scripts/screenshots.sh runs them in
// the prefix at LogPixels 192).
using DpiScreenshots = DpiTest;

TEST_F(DpiScreenshots, DISABLED_MeterAndGeneralPageAt200) {
  const wchar_t* dir = _wgetenv(L"ZEPHRA_SCREENSHOT_DIR");
  ASSERT_NE(dir, nullptr) << "set ZEPHRA_SCREENSHOT_DIR";
  ASSERT_EQ(dpi, 192);
  clock.Set(2026, 12, 8, 14, 3, 0);
  ::SetWindowPos(hwnd, nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(meter->catalogue()[2].adapterMenuId, 0), 0);
  for (int i = 0; i < 120; ++i) {
    const double wave = 0.5 + 0.5 * std::sin(i / 6.0);
    nic->row.inOctets += static_cast<uint64_t>(20000 + 90000 * wave);
    nic->row.outOctets += static_cast<uint64_t>(4000 + 9000 * (1 - wave));
    clock.Advance(1);
    meter->Tick();
  }
  ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  PumpUntil([] { return false; }, 300);
  EXPECT_TRUE(WriteScreenBmp(hwnd, std::wstring(dir) + L"\\meter-200.bmp"));

  std::vector<std::unique_ptr<COptionPage>> pages;
  auto options = OpenOptions(pages);
  ::SetWindowPos(options->hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
  ::ShowWindow(options->hwnd(), SW_SHOW);
  ::SetForegroundWindow(options->hwnd());
  ::RedrawWindow(options->hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  PumpUntil([] { return false; }, 400);
  EXPECT_TRUE(WriteScreenBmp(options->hwnd(), std::wstring(dir) + L"\\options-general-200.bmp"));
}

}  // namespace
