// The options sheet driven by messages with the real meter window as the
// receiver of applied pages: the checks of an apply with the page switched and
// the control focused, the values in the registry, the views in new colours
// and at a fixed scale, the pickers, and the meter's options command.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cwctype>
#include <map>
#include <set>
#include <memory>
#include <vector>

#include "res/resource.h"
#include "settings/opt_adapters_page_win.h"
#include "settings/opt_general_page_win.h"
#include "settings/opt_graph_text_page_win.h"
#include "settings/options_sheet_win.h"
#include "shell_support.h"
#include "ui/pickers_win.h"
#include "ui/window_util_win.h"
#include "view/rate_view_win.h"

namespace {

struct Shown {
  std::wstring text;
  UINT type;
  int page;   // the active page while the message showed
  int focus;  // the focused control's id
};

using RegistryImage = std::map<std::wstring, std::pair<DWORD, std::vector<BYTE>>>;

RegistryImage ExportValues(const std::wstring& key) {
  RegistryImage image;
  HKEY k;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return image;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameLen = 256, type = 0, size = 4096;
    std::vector<BYTE> data(size);
    if (::RegEnumValueW(k, i, name, &nameLen, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) break;
    data.resize(size);
    image[name] = {type, data};
  }
  ::RegCloseKey(k);
  return image;
}

class OptionsSheetTest : public MeterTest {
public:
  void SetUp() override {
    adapters.Add("{AAAAAAAA-0000-0000-0000-000000000001}", 1);
    ASSERT_TRUE(Start());
  }
  void TearDown() override {
    sheet.reset();
    CurrentPickers() = saved;
  }

  void Open(int start = 0) {
    sheet.reset();
    general = std::make_unique<COptGeneralPage>(meter->settings(), CanSetTransparency());
    graph = std::make_unique<COptGraphTextPage>(meter->settings());
    adapterPage = std::make_unique<COptAdaptersPage>([this] { return meter->AdapterRows(); },
                                                     TrayChoiceFrom(meter->settings()));
    sheet = std::make_unique<COptionsSheet>(::GetModuleHandleW(nullptr), hwnd);
    sheet->AddPage(*general);
    sheet->AddPage(*graph);
    sheet->AddPage(*adapterPage);
    sheet->SetStartPage(start);
    shown.clear();
    sheet->SetMessageBox([this](HWND, const std::wstring& text, UINT type) {
      shown.push_back({text, type, sheet->activePage(), ::GetDlgCtrlID(::GetFocus())});
      return IDOK;
    });
    ASSERT_NE(sheet->Create(hwnd), nullptr);
    ::ShowWindow(sheet->hwnd(), SW_SHOW);
    ::SetForegroundWindow(sheet->hwnd());
  }
  HWND Page(int index) const {
    return reinterpret_cast<HWND>(::SendMessageW(sheet->hwnd(), PSM_INDEXTOHWND, static_cast<WPARAM>(index), 0));
  }
  void Go(int index) {
    ::SendMessageW(sheet->hwnd(), PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
    page = Page(index);
  }
  void Set(int id, const wchar_t* text) { ::SetDlgItemTextW(page, id, text); }
  void Click(int id) { ::SendDlgItemMessageW(page, id, BM_CLICK, 0, 0); }
  void Choose(int id, int index) {
    ::SendDlgItemMessageW(page, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(::GetDlgItem(page, id)));
  }
  void Button(int which) {
    ::SendMessageW(sheet->hwnd(), PSM_PRESSBUTTON, static_cast<WPARAM>(which), 0);
    PumpPending();
  }
  HWND List() const { return ::GetDlgItem(page, IDC_ADP_LIST); }
  void SelectRow(int row) {
    ListView_SetItemState(List(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
  std::wstring Text(int id) const {
    wchar_t buffer[64] = {};
    ::GetDlgItemTextW(page, id, buffer, 64);
    return buffer;
  }
  std::wstring Cell(int row, int column) const {
    wchar_t buffer[64] = {};
    ListView_GetItemText(List(), row, column, buffer, 64);
    return buffer;
  }

  std::unique_ptr<COptGeneralPage> general;
  std::unique_ptr<COptGraphTextPage> graph;
  std::unique_ptr<COptAdaptersPage> adapterPage;
  std::unique_ptr<COptionsSheet> sheet;
  HWND page = nullptr;
  std::vector<Shown> shown;
  Pickers saved = CurrentPickers();
};

TEST_F(OptionsSheetTest, EveryCheckBringsItsPageForwardFocusesAndAppliesNothing) {
  const struct {
    int page;
    void (*spoil)(OptionsSheetTest&);
    const wchar_t* message;
    int focus;
  } cases[] = {
      {0, [](OptionsSheetTest& t) { t.Choose(IDC_GEN_TRANSPARENCY, -1); },
       L"You must select a transparency percent value.", IDC_GEN_TRANSPARENCY},
      {0, [](OptionsSheetTest& t) { t.Set(IDC_GEN_MARGINS, L"-3"); },
       L"The margins for rate view must be greater than or equal to 0.", IDC_GEN_MARGINS},
      {0, [](OptionsSheetTest& t) { t.Set(IDC_GEN_MARGINS, L"1001"); },
       L"The margins for rate view must be between 0 and 1000.", IDC_GEN_MARGINS},
      {0, [](OptionsSheetTest& t) { t.Click(IDC_GEN_GRAPH), t.Click(IDC_GEN_TEXT); },
       L"At least either graph or text should be displayed.", IDC_GEN_GRAPH},
      {0, [](OptionsSheetTest& t) { t.Set(IDC_GEN_BACKUP_DAYS, L"366"); },
       L"The daily backups of the traffic log range from 0 (none) to 365.", IDC_GEN_BACKUP_DAYS},
      {1, [](OptionsSheetTest& t) { t.Set(IDC_GT_HEIGHT_PERCENT, L"101"); },
       L"The maximum graph rate height percent ranges from 50 to 100.", IDC_GT_HEIGHT_PERCENT},
      {1, [](OptionsSheetTest& t) { t.Set(IDC_GT_PULSE_WIDTH, L"0"); },
       L"The pulse width must be greater than 0.", IDC_GT_PULSE_WIDTH},
      {1, [](OptionsSheetTest& t) { t.Set(IDC_GT_TIME_INTERVAL, L"0"); },
       L"The time grid interval must be greater than 0.", IDC_GT_TIME_INTERVAL},
      {1, [](OptionsSheetTest& t) { t.Set(IDC_GT_TIME_INTERVAL, L"10001"); },
       L"The time grid interval must be between 1 and 10000.", IDC_GT_TIME_INTERVAL},
      {2, [](OptionsSheetTest& t) { t.Choose(IDC_ADP_TRAY_LIST, -1); },
       L"Please select an adapter for system tray.", IDC_ADP_TRAY_LIST},
      {2, [](OptionsSheetTest& t) { t.SelectRow(2), t.Set(IDC_ADP_NAME, L""); },
       L"The adapter name must not be empty.", IDC_ADP_LIST},
      {2, [](OptionsSheetTest& t) {
         ListView_SetCheckState(t.List(), 0, FALSE);
         PumpPending();
       },
       L"At least one adapter should be monitored.", IDC_ADP_LIST},
  };
  const MeterSettings before = meter->settings();
  const RegistryImage stored = ExportValues(reg.key(L"Options"));
  for (const auto& c : cases) {
    Open();
    Go(c.page);
    c.spoil(*this);
    // The page's last check fails too (another box): only the earlier one may be reported.
    const auto* last = &c;
    for (const auto& later : cases)
      if (later.page == c.page) last = &later;
    if (last->focus != c.focus) last->spoil(*this);
    Go((c.page + 1) % 3);  // the failing page is not the active one
    Button(PSBTN_APPLYNOW);
    ASSERT_EQ(shown.size(), 1u) << c.message;
    EXPECT_EQ(shown[0].text, c.message);
    EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(shown[0].page, c.page) << c.message;
    EXPECT_EQ(shown[0].focus, c.focus) << c.message;
    EXPECT_FALSE(sheet->closed());
  }
  // A sound page is not applied either when another page refuses the press.
  Open();
  Go(0);
  Choose(IDC_GEN_WEEK_START, 3);
  Go(1);
  Set(IDC_GT_HEIGHT_PERCENT, L"49");
  Button(PSBTN_OK);
  EXPECT_EQ(shown.size(), 1u);
  EXPECT_FALSE(sheet->closed());
  EXPECT_EQ(meter->settings(), before);
  EXPECT_EQ(ExportValues(reg.key(L"Options")), stored);
}

TEST_F(OptionsSheetTest, ApplyWritesThePageGroupsOnly) {
  const RegistryImage before = ExportValues(reg.key(L"Options"));
  for (const wchar_t* name : {L"MonthStartDay", L"DisplayTitle", L"DownColor", L"GraphStyle", L"TitleFontU"})
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, reg.key(L"Options").c_str(), name);
  Open();
  Go(0);
  Click(IDC_GEN_EXPLAIN_BITS);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text.substr(0, 51), L"1bps stands for 1 bit per second (8 bits = 1 Byte).");
  EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
  shown.clear();
  Choose(IDC_GEN_WEEK_START, 3);
  Go(1);
  Set(IDC_GT_PULSE_WIDTH, L"5");
  Button(PSBTN_OK);
  EXPECT_TRUE(sheet->closed());
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(meter->settings().weekStartDay, 3);
  EXPECT_EQ(meter->settings().pulseWidth, 5);

  const RegistryImage after = ExportValues(reg.key(L"Options"));
  ASSERT_TRUE(after.count(L"WeekStartDay"));
  EXPECT_EQ(after.at(L"WeekStartDay"), (std::pair<DWORD, std::vector<BYTE>>{REG_DWORD, {3, 0, 0, 0}}));
  EXPECT_EQ(after.at(L"PulseWidth"), (std::pair<DWORD, std::vector<BYTE>>{REG_DWORD, {5, 0, 0, 0}}));
  EXPECT_EQ(after.at(L"TitleFontU").first, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(after.at(L"TitleFontU").second.size(), 92u);
  // General, Display, Colors, Fonts and GraphStyle; nothing of any other group.
  const std::set<std::wstring> allowed = {
      L"WeekStartDay", L"MonthStartDay", L"RateViewMargins", L"TransparentPercent", L"StartMinimized",
      L"StartWithWindows", L"HotkeyEnabled", L"HotkeyChar", L"DateFormat", L"SemiTransparent",
      L"EnableClickThrough", L"ShowIPInTitle", L"AlwaysOnTop", L"ShowCaption", L"DisplayUnitByte",
      L"LogBackupDays",
      L"DisplayTitle", L"DisplayGraph", L"DisplayScaleGrid", L"DisplayScale", L"DisplayText",
      L"DisplayMaxRateInText", L"TextCrSameAsGraphCr", L"DispAvgValuesInText", L"DispAvgDownLine",
      L"DispAvgUpLine", L"DisplayTimeGrid", L"DisplayTimeText", L"ScaleGridOnTop", L"TimeGridOnTop",
      L"TimeTextOnTop", L"GraphBkgColor", L"DownColor", L"BothDownUpColor", L"GridColor", L"UpColor",
      L"AvgDownLineColor", L"AvgUpLineColor", L"TitleBkgColor", L"TitleTextColor", L"ScaleTextColor",
      L"RateTextColor", L"RateBkgColor", L"BorderColor", L"TimeGridColor", L"TimeTextColor", L"PulseSpace",
      L"PulseWidth", L"ScaleGridLineStyle", L"TimeGridLineStyle", L"TimeGridIntervalSec", L"TimeFormat",
      L"RateHeightPercent", L"GraphStyle", L"TimeTextFontU", L"RateFontU", L"ScaleFontU", L"TitleFontU"};
  for (const auto& [name, value] : after)
    if (!before.count(name) || before.at(name) != value) {
      EXPECT_TRUE(allowed.count(name)) << std::string(name.begin(), name.end());
    }
  for (const wchar_t* name : {L"MonthStartDay", L"DisplayTitle", L"DownColor", L"GraphStyle", L"TitleFontU"})
    EXPECT_TRUE(after.count(name)) << "whole groups are written";

  // Cancel applies nothing.
  Open();
  Go(0);
  Choose(IDC_GEN_WEEK_START, 5);
  Button(PSBTN_CANCEL);
  EXPECT_TRUE(sheet->closed());
  EXPECT_EQ(meter->settings().weekStartDay, 3);
}

TEST_F(OptionsSheetTest, GraphTextApplyRedrawsInTheNewColours) {
  CurrentPickers().colour = [](HWND, COLORREF& c) {
    c = RGB(10, 20, 30);
    return true;
  };
  Open(1);
  Go(1);
  Click(IDC_GT_GRAPH_BKG);
  Button(PSBTN_APPLYNOW);
  EXPECT_EQ(meter->settings().graphBkgColor, static_cast<uint32_t>(RGB(10, 20, 30)));
  CRateView* view = meter->catalogue()[0].view;
  ASSERT_NE(view, nullptr);
  PixelCanvas canvas(view->width(), view->height());
  view->Paint(canvas.dc());
  const ViewRect& plot = view->layout().plot;
  EXPECT_EQ(canvas.At(plot.left + 2, plot.top + 2), RGB(10, 20, 30));

  // The default colours button brings the default back, fonts and numbers untouched.
  CurrentPickers().font = [](HWND, LOGFONTW& f) {
    f.lfHeight = -21;
    return true;
  };
  Click(IDC_GT_TITLE_FONT);
  Set(IDC_GT_PULSE_SPACE, L"4");
  Click(IDC_GT_DEFAULT_COLOURS);
  Button(PSBTN_APPLYNOW);
  EXPECT_EQ(meter->settings().graphBkgColor, static_cast<uint32_t>(RGB(173, 219, 222)));
  EXPECT_EQ(meter->settings().pulseSpace, 4);
  EXPECT_EQ(meter->settings().titleFont.height, 21);
}

TEST_F(OptionsSheetTest, FailedPickersLeaveTheValues) {
  CurrentPickers().colour = [](HWND, COLORREF& c) {
    c = RGB(1, 1, 1);  // a half-done answer that is not confirmed
    return false;
  };
  CurrentPickers().font = [](HWND, LOGFONTW& f) {
    f.lfHeight = -40;
    return false;
  };
  Open(1);
  Go(1);
  Click(IDC_GT_DOWN);
  Click(IDC_GT_TITLE_FONT);
  EXPECT_FALSE(graph->modified());
  EXPECT_EQ(graph->values(), meter->settings());

  CurrentPickers().font = [](HWND, LOGFONTW& f) {
    f.lfHeight = -20;
    return true;
  };
  Click(IDC_GT_TITLE_FONT);
  EXPECT_TRUE(graph->modified());
  EXPECT_EQ(graph->values().titleFont.height, 20);  // made positive
}

TEST_F(OptionsSheetTest, AdapterSpeedsNamesAndSorting) {
  Open(2);
  Go(2);
  ASSERT_EQ(ListView_GetItemCount(List()), 3);
  SelectRow(0);
  Choose(IDC_ADP_SPEED, 12);  // 10 mbps
  Button(PSBTN_APPLYNOW);
  const CRateView* view = meter->catalogue()[0].view;
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(view->scale().fixedScale);
  EXPECT_EQ(view->scale().scaleMax, 1250000u);  // speed / 8
  // Reset goes back to the live connections, which now hold the applied speed.
  Click(IDC_ADP_RESET);
  SelectRow(0);
  EXPECT_EQ(::SendDlgItemMessageW(page, IDC_ADP_SPEED, CB_GETCURSEL, 0, 0), 12);

  // A custom speed; beyond the spin's range it stays at its top.
  SelectRow(2);
  Choose(IDC_ADP_SPEED, 15);
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(page, IDC_ADP_CUSTOM_SPEED)));
  Set(IDC_ADP_CUSTOM_SPEED, L"1000000");
  SelectRow(1);
  Set(IDC_ADP_CUSTOM_SPEED, L"99999999999");  // disabled box: no effect on the row
  SelectRow(0);
  Choose(IDC_ADP_SPEED, 0);  // auto scale
  Set(IDC_ADP_NAME, L"Everything");
  EXPECT_EQ(Cell(0, 1), L"Everything");
  ListView_SetCheckState(List(), 2, TRUE);
  Button(PSBTN_OK);
  EXPECT_EQ(meter->catalogue()[0].connectionRate, 0u);
  EXPECT_EQ(meter->catalogue()[0].name, L"Everything");
  EXPECT_EQ(meter->catalogue()[1].connectionRate, 0u);
  EXPECT_EQ(meter->catalogue()[2].connectionRate, 1000000u);
  EXPECT_NE(meter->catalogue()[2].view, nullptr);  // now displayed
  DWORD stored = 0;
  ASSERT_TRUE(ReadDwordValue(HKEY_CURRENT_USER, reg.key(L"AdaptersEx\\300-{AAAAAAAA-0000-0000-0000-000000000001}"),
                             L"ConnRatebps", stored));
  EXPECT_EQ(stored, 1000000u);

  // Opened again, the odd speed shows as "Specify Speed" with its number.
  Open(2);
  Go(2);
  SelectRow(2);
  EXPECT_EQ(::SendDlgItemMessageW(page, IDC_ADP_SPEED, CB_GETCURSEL, 0, 0), 15);
  EXPECT_EQ(Text(IDC_ADP_CUSTOM_SPEED), L"1000000");

  // A click on "Name" sorts by name and numbers the rows anew.
  NMLISTVIEW click{};
  click.hdr.hwndFrom = List();
  click.hdr.idFrom = IDC_ADP_LIST;
  click.hdr.code = LVN_COLUMNCLICK;
  click.iSubItem = 1;
  ::SendMessageW(page, WM_NOTIFY, IDC_ADP_LIST, reinterpret_cast<LPARAM>(&click));
  const std::wstring sorted[3][2] = {{L"1", L"Adapter 1"}, {L"2", L"Dial-Up Connections"}, {L"3", L"Everything"}};
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(Cell(row, 0), sorted[row][0]);
    EXPECT_EQ(Cell(row, 1), sorted[row][1]);
  }

  // A name takes at most 64 characters, as the page says.
  SelectRow(0);
  ::SendDlgItemMessageW(page, IDC_ADP_NAME, EM_SETSEL, 0, -1);
  ::SendDlgItemMessageW(page, IDC_ADP_NAME, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(std::wstring(70, L'n').c_str()));
  EXPECT_EQ(::GetWindowTextLengthW(::GetDlgItem(page, IDC_ADP_NAME)), 64);
}

// F2 through the meter's accelerator path: the sheet runs modally; a timer
// inside its loop switches to the second page and cancels.
TEST_F(OptionsSheetTest, OptionsCommandRemembersThePage) {
  static int seenPage;
  static bool optionsGreyed;
  static HWND meterWindow;
  static HMENU popup;
  seenPage = -1;
  optionsGreyed = false;
  meterWindow = hwnd;
  popup = meter->menu().popup();
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR id, DWORD) {
    HWND options = ::FindWindowW(nullptr, L"Zephra Options");
    if (!options) return;
    seenPage = static_cast<int>(::SendMessageW(
        options, PSM_HWNDTOINDEX, static_cast<WPARAM>(::SendMessageW(options, PSM_GETCURRENTPAGEHWND, 0, 0)), 0));
    ::SendMessageW(meterWindow, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
    optionsGreyed = (::GetMenuState(popup, ID_OPTIONS, MF_BYCOMMAND) & MF_GRAYED) != 0;
    ::SendMessageW(options, PSM_SETCURSEL, 1, 0);
    ::SendMessageW(options, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  });
  MSG key{hwnd, WM_KEYDOWN, VK_F2, 0};
  ASSERT_TRUE(::TranslateAcceleratorW(hwnd, meter->accelerators(), &key));
  EXPECT_EQ(seenPage, 0);
  EXPECT_TRUE(optionsGreyed);  // no second modal window while the sheet is open
  EXPECT_EQ(meter->optionsPage(), 1);
  Command(ID_OPTIONS);
  ::KillTimer(nullptr, timer);
  EXPECT_EQ(seenPage, 1);
  EXPECT_FALSE(meter->flags().modalOpen);
  ::SendMessageW(hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
  EXPECT_FALSE(::GetMenuState(popup, ID_OPTIONS, MF_BYCOMMAND) & MF_GRAYED);
}

// Pictures of every page of the sheet the meter opens (F2), each showing all
// the tabs, for the documentation (scripts/screenshots.sh): options-<tab>.bmp.
using OptionsScreenshots = OptionsSheetTest;

TEST_F(OptionsScreenshots, DISABLED_EveryPage) {
  static const wchar_t* dir;
  static int step, pages;
  static std::vector<std::wstring> written;
  dir = _wgetenv(L"ZEPHRA_SCREENSHOT_DIR");
  ASSERT_NE(dir, nullptr) << "set ZEPHRA_SCREENSHOT_DIR";
  step = 0;
  pages = 0;
  written.clear();
  // Every fifth timer step shows the next page; the step before it takes the picture.
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
    HWND options = ::FindWindowW(nullptr, L"Zephra Options");
    if (!options) return;
    HWND tabs = reinterpret_cast<HWND>(::SendMessageW(options, PSM_GETTABCONTROL, 0, 0));
    pages = TabCtrl_GetItemCount(tabs);
    const int page = step / 5;
    if (page >= pages) {
      ::SendMessageW(options, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
      return;
    }
    if (step % 5 == 0) {
      ::SetWindowPos(options, HWND_TOP, 60, 40, 0, 0, SWP_NOSIZE);
      ::SendMessageW(options, PSM_SETCURSEL, static_cast<WPARAM>(page), 0);
      ::RedrawWindow(options, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    } else if (step % 5 == 4) {
      wchar_t text[64] = {};
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = text;
      item.cchTextMax = 64;
      TabCtrl_GetItem(tabs, page, &item);
      std::wstring name;  // "Graph & Text" -> "graph-text"
      for (const wchar_t* c = text; *c; ++c) {
        if (*c == L'&') continue;
        if (*c == L' ') {
          if (!name.empty() && name.back() != L'-') name += L'-';
        } else {
          name += static_cast<wchar_t>(::towlower(*c));
        }
      }
      if (WriteScreenBmp(options, std::wstring(dir) + L"\\options-" + name + L".bmp")) written.push_back(name);
    }
    ++step;
  });
  Command(ID_OPTIONS);
  ::KillTimer(nullptr, timer);
  EXPECT_GE(pages, 5);
  EXPECT_EQ(static_cast<int>(written.size()), pages);
}

}  // namespace
