// CRateView painted into a memory bitmap with known samples, pixels checked.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "shell_support.h"
#include "view/rate_view_win.h"

namespace {

constexpr uint32_t kGraphBg = RgbColour(200, 220, 240);
constexpr uint32_t kDown = RgbColour(255, 0, 0);
constexpr uint32_t kUp = RgbColour(0, 200, 0);
constexpr uint32_t kBoth = RgbColour(255, 255, 0);
constexpr uint32_t kRateBg = RgbColour(255, 255, 255);

// The shared canvas with the area comparisons these tests need.
class Canvas : public PixelCanvas {
public:
  using PixelCanvas::PixelCanvas;
  bool SameArea(const Canvas& o, const ViewRect& r) const {
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (At(x, y) != o.At(x, y)) return false;
    return true;
  }
  int CountNot(const ViewRect& r, uint32_t colour) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (At(x, y) != colour) ++n;
    return n;
  }
};

LRESULT CALLBACK HostProc(HWND h, UINT m, WPARAM w, LPARAM l) { return ::DefWindowProcW(h, m, w, l); }

HWND MakeHost() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &HostProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZephraRateViewTestHost";
    registered = ::RegisterClassW(&wc) != 0;
  }
  return ::CreateWindowExW(0, L"ZephraRateViewTestHost", L"host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 50, 50,
                           400, 300, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

class RateViewPaint : public ::testing::Test {
protected:
  void SetUp() override {
    host = MakeHost();
    ASSERT_NE(host, nullptr);
    opt.graphBackground = kGraphBg;
    opt.downColour = kDown;
    opt.upColour = kUp;
    opt.bothColour = kBoth;
    opt.rateBackground = kRateBg;
    opt.showTimeGrid = false;
    opt.showTimeText = false;
    opt.showScaleGrid = false;
    view = std::make_unique<CRateView>(&history, host);
    ASSERT_NE(view->Create(::GetModuleHandleW(nullptr), host, ViewRect{0, 0, 300, 120}, 8000), nullptr);
    view->SetTwelveHourClock(false);
    view->SetClock([] {
      LocalTime t;
      t.year = 2026, t.month = 12, t.day = 8, t.hour = 12, t.minute = 30;
      return t;
    });
    view->SetOptions(opt, true);
  }
  void TearDown() override {
    view.reset();
    if (host) ::DestroyWindow(host);
  }
  void Add(uint32_t down, uint32_t up) {
    history.PushFront(RateSample{down, up, 0, 0});
    view->AddSample();
  }
  void Set(const RateViewOptions& o) { ASSERT_TRUE(view->SetOptions(o, true)); }
  std::unique_ptr<Canvas> Render() {
    auto c = std::make_unique<Canvas>(300, 120);
    view->Paint(c->dc());
    return c;
  }

  HWND host = nullptr;
  RateHistory history;
  RateViewOptions opt;
  std::unique_ptr<CRateView> view;
};

TEST_F(RateViewPaint, ColumnShowsBothColourUpToUploadAndDownloadColourAbove) {
  Add(1000, 400);
  const RateViewLayout& l = view->layout();
  ASSERT_FALSE(l.plot.empty());
  const int32_t full = l.fullScaleHeight;
  const int32_t hUp = full * 400 / 1000;
  auto c = Render();
  const int x = l.plot.right - 2;
  EXPECT_EQ(c->At(x, l.plot.bottom - 1), kBoth);
  EXPECT_EQ(c->At(x, l.plot.bottom - hUp), kBoth);
  EXPECT_EQ(c->At(x, l.plot.bottom - hUp - 1), kDown);
  EXPECT_EQ(c->At(x, l.plot.bottom - full), kDown);  // the highest sample reaches the full-scale height
  EXPECT_EQ(c->At(x, l.plot.bottom - full - 1), kGraphBg);
  EXPECT_EQ(c->At(l.plot.right - 4, l.plot.bottom - 1), kGraphBg);  // the space between columns

  // Upload above download: the excess is in the upload colour.
  Add(100, 1000);
  c = Render();
  EXPECT_EQ(c->At(x, l.plot.bottom - full), kUp);
  EXPECT_EQ(c->At(x, l.plot.bottom - 1), kBoth);
}

TEST_F(RateViewPaint, FixedScaleClipsAtFullHeight) {
  view->SetFixedScale(true, 100);
  Add(5000, 0);
  const RateViewLayout& l = view->layout();
  auto c = Render();
  const int x = l.plot.right - 2;
  EXPECT_EQ(c->At(x, l.plot.bottom - l.fullScaleHeight), kDown);
  EXPECT_EQ(c->At(x, l.plot.bottom - l.fullScaleHeight - 1), kGraphBg);
  EXPECT_EQ(view->scale().scaleMax, 100u);
  EXPECT_EQ(view->scale().shownMax, 5000u);
}

TEST_F(RateViewPaint, LineGraphDrawsDownloadOverUpload) {
  opt.graphStyle = 0;
  Set(opt);
  for (int i = 0; i < 5; ++i) Add(800, 800);
  const RateViewLayout& l = view->layout();
  auto c = Render();
  const int y = l.plot.bottom - 1 - (l.fullScaleHeight - 1);
  EXPECT_EQ(c->At(l.plot.right - 1 - 4, y), kDown);  // on the same points download lies on top
}

TEST_F(RateViewPaint, NoRateTextBeforeTheFirstSample) {
  const ViewRect inner = view->layout().textInner;
  ASSERT_FALSE(inner.empty());
  auto before = Render();
  EXPECT_EQ(before->CountNot(inner, kRateBg), 0);
  Add(3000, 200);
  auto after = Render();
  EXPECT_GT(after->CountNot(inner, kRateBg), 20);
}

TEST_F(RateViewPaint, ColouredTextUsesTheGraphColoursAndPlainTextDoesNot) {
  Add(3000, 200);
  const ViewRect inner = view->layout().textInner;
  auto count = [&](const Canvas& c, uint32_t colour) {
    int n = 0;
    for (int y = inner.top; y < inner.bottom; ++y)
      for (int x = inner.left; x < inner.right; ++x) n += c.At(x, y) == colour;
    return n;
  };
  auto coloured = Render();
  EXPECT_GT(count(*coloured, kDown), 5);
  EXPECT_GT(count(*coloured, kUp), 5);
  opt.textColourSameAsGraph = false;
  Set(opt);
  auto plain = Render();
  EXPECT_EQ(count(*plain, kDown), 0);
  EXPECT_EQ(count(*plain, kUp), 0);
  EXPECT_GT(count(*plain, opt.rateTextColour), 5);
}

TEST_F(RateViewPaint, TooLongTitleEndsInAnEllipsis) {
  const std::wstring title = L"Realtek PCIe GbE Family Controller 192.0.2.254 (a very long adapter name)";
  view->SetTitle(title);
  auto shown = Render();
  const ViewRect box = view->layout().titleText;
  // The same title drawn by hand, once cut with an ellipsis and once only clipped.
  auto drawn = [&](UINT extra) {
    auto c = std::make_unique<Canvas>(300, 120);
    view->Paint(c->dc());
    const LOGFONTW lf = LogFontFromSpec(opt.titleFont);
    FontHandle font(::CreateFontIndirectW(&lf));
    RECT all{box.left, box.top, box.right, box.bottom};
    ::SetDCBrushColor(c->dc(), opt.titleBackground);
    ::FillRect(c->dc(), &all, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    SelectGuard g(c->dc(), font.get());
    ::SetBkMode(c->dc(), TRANSPARENT);
    ::SetTextColor(c->dc(), opt.titleTextColour);
    ::DrawTextW(c->dc(), title.c_str(), -1, &all, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | extra);
    return c;
  };
  EXPECT_TRUE(shown->SameArea(*drawn(DT_END_ELLIPSIS), box));
  EXPECT_FALSE(shown->SameArea(*drawn(0), box));
}

TEST_F(RateViewPaint, ZeroFontHeightIsReplacedAndBadValuesAreRefused) {
  opt.rateFont = opt.scaleFont = FontSpec{L"Tahoma", 0, 0};
  Set(opt);
  EXPECT_EQ(view->rateFontHeight(), kDefaultFontHeight);
  EXPECT_FALSE(view->layout().plot.empty());
  EXPECT_GE(view->layout().scaleLineCount, 1);
  Add(100, 100);
  Render();

  // Each value the view cannot draw is refused on its own; the rest is taken.
  const struct {
    int32_t heightPercent, pulseWidth, pulseSpace, timeGridInterval;
  } bad[] = {{49, 3, 1, 30}, {101, 3, 1, 30}, {95, 0, 1, 30}, {95, 3, -1, 30}, {95, 1001, 1, 30}, {95, 3, 1, 0},
             {95, 3, 1, 86401}};
  for (const auto& b : bad) {
    RateViewOptions o = opt;
    o.heightPercent = b.heightPercent;
    o.pulseWidth = b.pulseWidth;
    o.pulseSpace = b.pulseSpace;
    o.timeGridInterval = b.timeGridInterval;
    o.upColour = RgbColour(1, 2, 3);
    EXPECT_FALSE(view->SetOptions(o, true)) << b.heightPercent << " " << b.pulseWidth << " " << b.timeGridInterval;
    EXPECT_EQ(view->options().heightPercent, 95);
    EXPECT_EQ(view->options().pulseWidth, 3);
    EXPECT_EQ(view->options().pulseSpace, 1);
    EXPECT_EQ(view->options().timeGridInterval, 30);
    EXPECT_EQ(view->options().upColour, RgbColour(1, 2, 3));
  }
}

TEST_F(RateViewPaint, PulseChangeRestartsTheTimeGrid) {
  for (int i = 0; i < 7; ++i) Add(10, 10);
  EXPECT_NE(view->timeGrid().lineOffset, view->timeGrid().period);
  opt.pulseWidth = 5;
  opt.pulseSpace = 2;
  Set(opt);
  EXPECT_EQ(view->timeGrid().lineOffset, view->timeGrid().period);
  EXPECT_EQ(view->timeGrid().period, 30 * 7 - 2);
  Add(10, 10);
  EXPECT_EQ(view->timeGrid().lineOffset, 5);
  // Options that leave the pulse and the interval alone keep the phase.
  opt.downColour = RgbColour(1, 2, 3);
  Set(opt);
  EXPECT_EQ(view->timeGrid().lineOffset, 5);
}

TEST_F(RateViewPaint, RedrawPutsThePictureOnTheScreen) {
  Add(1000, 400);
  ::SetWindowPos(host, HWND_TOPMOST, 50, 50, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
  PumpPending();
  // A sample only Redraw can bring to the screen: nothing is invalidated.
  history.PushFront(RateSample{500, 200, 0, 0});
  view->Redraw();
  const auto expected = Render();
  RECT r;
  ::GetWindowRect(view->hwnd(), &r);
  Canvas screen(300, 120);
  auto grab = [&] {
    HDC sdc = ::GetDC(nullptr);
    ::BitBlt(screen.dc(), 0, 0, 300, 120, sdc, r.left, r.top, SRCCOPY);
    ::ReleaseDC(nullptr, sdc);
    return screen.SameArea(*expected, ViewRect{0, 0, 300, 120});
  };
  // The window's pixels reach the screen when the system gets round to it.
  EXPECT_TRUE(PumpUntil(grab, 3000));
  ::SetWindowPos(host, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  const RateViewLayout& l = view->layout();
  EXPECT_EQ(screen.At(l.plot.right - 2, l.plot.bottom - l.fullScaleHeight * 3 / 4), kGraphBg);  // the new column
  EXPECT_EQ(screen.At(l.plot.right - 6, l.plot.bottom - l.fullScaleHeight * 3 / 4), kDown);     // the older one
}

// A tick scrolls the picture and draws only what moved; after any sequence of
// samples, scale changes, option changes and clock steps the off-screen bitmap
// must hold exactly what a whole drawing gives. Both graph styles.
TEST_F(RateViewPaint, ScrolledPictureEqualsWholeDrawing) {
  ::ShowWindow(host, SW_SHOWNOACTIVATE);  // a hidden meter only keeps the numbers
  opt.showTimeGrid = opt.showTimeText = opt.showScaleGrid = true;
  LocalTime start;
  start.year = 2026, start.month = 12, start.day = 8, start.hour = 12, start.minute = 59, start.second = 40;
  int64_t seconds = 0;
  view->SetClock([&] { return TimeBefore(start, -seconds); });
  uint32_t rng = 12345;
  auto next = [&](uint32_t n) {
    rng = rng * 1103515245u + 12345u;
    return (rng >> 8) % n;
  };
  Canvas whole(300, 120), back(300, 120);
  int ticks = 0;
  for (int32_t style : {1, 0}) {
    opt.graphStyle = style;
    Set(opt);
    for (int i = 0; i < 120; ++i, ++ticks) {
      seconds += next(12) == 0 ? 2 : 1;  // now and then a late tick
      const uint32_t peak = next(15) == 0 ? 50000 : 8000;
      history.PushFront(RateSample{next(peak), next(peak / 2), next(6000), next(3000)});
      if (i % 23 == 22) {
        switch (next(8)) {
          case 0: opt.scaleGridOnTop = !opt.scaleGridOnTop; break;
          case 1: opt.timeGridOnTop = !opt.timeGridOnTop; break;
          case 2: opt.showAvgDownLine = !opt.showAvgDownLine, opt.showAvgUpLine = !opt.showAvgDownLine; break;
          case 3: opt.pulseWidth = opt.pulseWidth == 3 ? 2 : 3; break;
          case 4: opt.timeGridInterval = opt.timeGridInterval == 30 ? 7 : 30; break;
          case 5: opt.timeTextOnTop = !opt.timeTextOnTop; break;
          case 6: opt.textColourSameAsGraph = !opt.textColourSameAsGraph, opt.unitBytes = !opt.unitBytes; break;
          default: view->SetFixedScale(!view->scale().fixedScale, 6000, false); break;
        }
        view->SetOptions(opt, false);
      }
      view->AddSample();
      view->Paint(whole.dc());
      ::BitBlt(back.dc(), 0, 0, 300, 120, view->backBuffer(), 0, 0, SRCCOPY);
      for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 300; ++x)
          ASSERT_EQ(back.At(x, y), whole.At(x, y)) << "style " << style << " tick " << i << " at " << x << "," << y;
    }
  }
  // Most ticks scrolled; the rest (new scale, late clock) drew everything.
  EXPECT_GT(view->scrolls(), ticks / 2);
}

}  // namespace
