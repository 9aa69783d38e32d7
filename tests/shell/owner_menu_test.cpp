// The owner-drawn popup: items keep text, ids and states; measuring, drawing
// into a memory DC, mnemonics, and items added at run time.
#include <windows.h>
#include <gtest/gtest.h>

#include <vector>

#include "base/ids.h"
#include "res/resource.h"
#include "shell_support.h"
#include "ui/owner_menu_win.h"

namespace {

const std::vector<UINT> kImageIds = {ID_SHOW_WINDOW, ID_OPTIONS, ID_STOPWATCH, ID_REPORTS, ID_HELP_INDEX};

MENUITEMINFOW ItemInfo(HMENU menu, UINT id) {
  MENUITEMINFOW mii{sizeof mii};
  mii.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_ID | MIIM_SUBMENU;
  ::GetMenuItemInfoW(menu, id, FALSE, &mii);
  return mii;
}

using Canvas = PixelCanvas;

class OwnerMenuTest : public ::testing::Test {
protected:
  void SetUp() override {
    HINSTANCE inst = ::GetModuleHandleW(nullptr);
    ASSERT_TRUE(menu_.Attach(::LoadMenuW(inst, MAKEINTRESOURCEW(IDR_POPUP))));
    ASSERT_TRUE(menu_.LoadImages(inst, IDB_MENU_IMAGES, kImageIds));
    popup_ = menu_.Popup(0);
    ASSERT_NE(popup_, nullptr);
  }

  // Draws the item with the given state into a fresh canvas of item height.
  void Draw(Canvas& c, HMENU owner, UINT id, UINT state) {
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_MENU;
    dis.itemID = id;
    dis.itemState = state;
    dis.hwndItem = reinterpret_cast<HWND>(owner);
    dis.hDC = c.dc();
    dis.rcItem = RECT{0, 0, c.w(), c.h()};
    dis.itemData = ItemInfo(owner, id).dwItemData;
    ASSERT_TRUE(menu_.OnDrawItem(&dis));
  }

  int CountColour(const Canvas& c, int x0, int x1, COLORREF colour) {
    int n = 0;
    for (int y = 0; y < c.h(); ++y)
      for (int x = x0; x < x1; ++x) n += c.At(x, y) == colour;
    return n;
  }

  COwnerMenu menu_;
  HMENU popup_ = nullptr;
};

constexpr int kItemHeight = 24;

}  // namespace

TEST_F(OwnerMenuTest, ItemsBecomeOwnerDrawnAndKeepTextIdsAndSubmenus) {
  for (UINT id : {ID_SHOW_WINDOW, ID_OPTIONS, ID_VIEW_TITLE, ID_UNIT_BYTES, ID_ABOUT}) {
    const MENUITEMINFOW mii = ItemInfo(menu_.menu(), id);
    EXPECT_TRUE(mii.fType & MFT_OWNERDRAW) << id;
    EXPECT_EQ(mii.wID, id);
  }
  EXPECT_EQ(menu_.Text(ID_OPTIONS), L"&Options...\tF2");
  EXPECT_EQ(menu_.Text(ID_HOME_PAGE), L"Zephra &Home Page");
  EXPECT_EQ(::GetMenuItemCount(popup_), 15);
  EXPECT_EQ(::GetMenuItemID(::GetSubMenu(popup_, POPUP_POS_ADAPTERS), 0), static_cast<UINT>(ID_NO_ADAPTER));
  EXPECT_EQ(::GetMenuItemID(::GetSubMenu(popup_, POPUP_POS_RESET), 0), static_cast<UINT>(ID_RESET_RANGE_ALL));
  // Separators stay the system's.
  MENUITEMINFOW sep{sizeof sep};
  sep.fMask = MIIM_FTYPE;
  ASSERT_TRUE(::GetMenuItemInfoW(popup_, 2, TRUE, &sep));
  EXPECT_EQ(sep.fType & (MFT_SEPARATOR | MFT_OWNERDRAW), static_cast<UINT>(MFT_SEPARATOR));
}

TEST_F(OwnerMenuTest, MeasuresTextAndAccelerator) {
  MEASUREITEMSTRUCT mis{};
  mis.CtlType = ODT_MENU;
  mis.itemID = ID_OPTIONS;
  mis.itemData = ItemInfo(popup_, ID_OPTIONS).dwItemData;
  ASSERT_TRUE(menu_.OnMeasureItem(&mis));
  const SIZE label = menu_.MeasureText(L"&Options...");
  EXPECT_GE(mis.itemHeight, 20u);
  EXPECT_GT(label.cx, COwnerMenu::kImageColumn + 20);
  EXPECT_GT(static_cast<LONG>(mis.itemWidth), label.cx);  // the accelerator needs room too
  // Someone else's owner-drawn control is not ours.
  MEASUREITEMSTRUCT other{};
  other.CtlType = ODT_BUTTON;
  EXPECT_FALSE(menu_.OnMeasureItem(&other));
  other.CtlType = ODT_MENU;
  other.itemData = 12345;
  EXPECT_FALSE(menu_.OnMeasureItem(&other));
}

TEST_F(OwnerMenuTest, DrawsImagesWithMagentaTransparentAndGreyWhenDisabled) {
  const COLORREF menuBack = ::GetSysColor(COLOR_MENU);
  const int imgX = (COwnerMenu::kImageColumn - 16) / 2, imgY = (kItemHeight - 16) / 2;
  Canvas c(260, kItemHeight);
  Draw(c, popup_, ID_SHOW_WINDOW, 0);
  EXPECT_EQ(c.At(imgX + 1, imgY + 2), RGB(40, 90, 200));   // the blue window frame
  EXPECT_EQ(c.At(imgX + 3, imgY + 8), RGB(255, 0, 0));     // a red bar
  EXPECT_EQ(c.At(imgX + 0, imgY + 0), menuBack);           // magenta is not drawn
  EXPECT_EQ(CountColour(c, 0, c.w(), RGB(255, 0, 255)), 0);
  EXPECT_GT(CountColour(c, COwnerMenu::kImageColumn, c.w(), ::GetSysColor(COLOR_MENUTEXT)), 10);

  Canvas grey(260, kItemHeight);
  Draw(grey, popup_, ID_SHOW_WINDOW, ODS_GRAYED);
  const COLORREF g = grey.At(imgX + 1, imgY + 2);
  EXPECT_EQ(GetRValue(g), GetGValue(g));
  EXPECT_EQ(GetGValue(g), GetBValue(g));
  EXPECT_EQ(grey.At(imgX + 0, imgY + 0), menuBack);
  EXPECT_GT(CountColour(grey, COwnerMenu::kImageColumn, grey.w(), ::GetSysColor(COLOR_GRAYTEXT)), 10);
  EXPECT_EQ(CountColour(grey, COwnerMenu::kImageColumn, grey.w(), ::GetSysColor(COLOR_MENUTEXT)), 0);

  // The fourth image belongs to the reports item, the fifth to help.
  Canvas reports(260, kItemHeight);
  Draw(reports, popup_, ID_REPORTS, 0);
  EXPECT_EQ(reports.At(imgX + 5, imgY + 4), RGB(40, 90, 200));  // a blue line on the sheet
  EXPECT_EQ(reports.At(imgX + 4, imgY + 2), RGB(255, 255, 255));
}

TEST_F(OwnerMenuTest, DrawsCheckMarksAndRadioBullets) {
  HMENU view = ::GetSubMenu(popup_, POPUP_POS_VIEW);
  const COLORREF text = ::GetSysColor(COLOR_MENUTEXT);
  const int cx = COwnerMenu::kImageColumn / 2, cy = kItemHeight / 2;

  Canvas plain(260, kItemHeight);
  Draw(plain, view, ID_VIEW_TITLE, 0);
  EXPECT_EQ(CountColour(plain, 0, COwnerMenu::kImageColumn, text), 0);

  ASSERT_TRUE(menu_.SetCheck(ID_VIEW_TITLE, true));
  EXPECT_EQ(::GetMenuState(menu_.menu(), ID_VIEW_TITLE, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
  Canvas tick(260, kItemHeight);
  Draw(tick, view, ID_VIEW_TITLE, ODS_CHECKED);
  EXPECT_EQ(tick.At(cx - 4, cy - 2), text);  // the tick's left end
  EXPECT_EQ(tick.At(cx + 4, cy - 4), text);  // its right arm
  EXPECT_NE(tick.At(cx - 4, cy + 3), text);

  ASSERT_TRUE(menu_.SetRadio(ID_UNIT_BYTES, true));
  Canvas radio(260, kItemHeight);
  Draw(radio, view, ID_UNIT_BYTES, ODS_CHECKED);
  EXPECT_EQ(radio.At(cx, cy), text);
  EXPECT_EQ(radio.At(cx - 2, cy + 2), text);
  EXPECT_NE(radio.At(cx - 4, cy - 2), text);  // a bullet, not a tick
  EXPECT_TRUE(ItemInfo(view, ID_UNIT_BYTES).fType & MFT_RADIOCHECK);
  EXPECT_TRUE(ItemInfo(view, ID_UNIT_BYTES).fType & MFT_OWNERDRAW);

  // Selected: the highlight colour behind the item.
  Canvas selected(260, kItemHeight);
  Draw(selected, view, ID_VIEW_TITLE, ODS_SELECTED);
  EXPECT_EQ(selected.At(250, 1), ::GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_GT(CountColour(selected, COwnerMenu::kImageColumn, 250, ::GetSysColor(COLOR_HIGHLIGHTTEXT)), 10);

  ASSERT_TRUE(menu_.Enable(ID_VIEW_TITLE, false));
  EXPECT_TRUE(::GetMenuState(menu_.menu(), ID_VIEW_TITLE, MF_BYCOMMAND) & MF_GRAYED);
}

TEST_F(OwnerMenuTest, ItemsAddedAtRunTimeAreTakenOverWhenThePopupOpens) {
  HMENU adapters = ::GetSubMenu(popup_, POPUP_POS_ADAPTERS);
  ASSERT_TRUE(::DeleteMenu(adapters, ID_NO_ADAPTER, MF_BYCOMMAND));
  ASSERT_TRUE(::AppendMenuW(adapters, MF_STRING, kFirstAdapterMenuId, L"All Connections"));
  ASSERT_TRUE(::AppendMenuW(adapters, MF_STRING, kFirstAdapterMenuId + 1, L"Local Area Connection"));
  EXPECT_FALSE(ItemInfo(adapters, kFirstAdapterMenuId).fType & MFT_OWNERDRAW);
  menu_.OnInitMenuPopup(adapters);
  EXPECT_TRUE(ItemInfo(adapters, kFirstAdapterMenuId + 1).fType & MFT_OWNERDRAW);
  EXPECT_EQ(menu_.Text(kFirstAdapterMenuId + 1), L"Local Area Connection");
  // A second opening leaves them alone; a changed title is kept.
  ASSERT_TRUE(menu_.SetText(kFirstAdapterMenuId + 1, L"Ethernet [192.0.2.4]"));
  ASSERT_TRUE(menu_.SetCheck(kFirstAdapterMenuId + 1, true));
  menu_.OnInitMenuPopup(adapters);
  EXPECT_EQ(menu_.Text(kFirstAdapterMenuId + 1), L"Ethernet [192.0.2.4]");

  Canvas c(260, kItemHeight);
  Draw(c, adapters, kFirstAdapterMenuId + 1, ODS_CHECKED);
  const COLORREF text = ::GetSysColor(COLOR_MENUTEXT);
  EXPECT_GT(CountColour(c, 0, COwnerMenu::kImageColumn, text), 5);                // the check mark
  EXPECT_GT(CountColour(c, COwnerMenu::kImageColumn, c.w(), text), 20);           // the text

  // The reset sub-menu gets its items through the helper, owner-drawn at once.
  HMENU reset = ::GetSubMenu(popup_, POPUP_POS_RESET);
  ASSERT_TRUE(menu_.AppendItem(reset, kFirstResetMenuId, L"All Connections"));
  EXPECT_TRUE(ItemInfo(reset, kFirstResetMenuId).fType & MFT_OWNERDRAW);
  // A text set before the item is taken over survives the conversion.
  ASSERT_TRUE(::AppendMenuW(reset, MF_STRING, kFirstResetMenuId + 1, L"old"));
  ASSERT_TRUE(menu_.SetText(kFirstResetMenuId + 1, L"Wireless"));
  menu_.OnInitMenuPopup(reset);
  EXPECT_EQ(menu_.Text(kFirstResetMenuId + 1), L"Wireless");
}

TEST_F(OwnerMenuTest, MenuCharFindsMnemonics) {
  EXPECT_EQ(MenuMnemonic(L"&Options...\tF2"), L'o');
  EXPECT_EQ(MenuMnemonic(L"Stop&watch...\tF4"), L'w');
  EXPECT_EQ(MenuMnemonic(L"Tom && &Jerry"), L'j');
  EXPECT_EQ(MenuMnemonic(L"plain"), 0);
  EXPECT_EQ(MenuMnemonic(L"trailing&"), 0);

  const LPARAM popup = reinterpret_cast<LPARAM>(popup_);
  EXPECT_EQ(menu_.OnMenuChar('O', popup), MAKELRESULT(3, MNC_EXECUTE));
  EXPECT_EQ(menu_.OnMenuChar('x', popup), MAKELRESULT(14, MNC_EXECUTE));
  EXPECT_EQ(menu_.OnMenuChar('v', popup), MAKELRESULT(POPUP_POS_VIEW, MNC_EXECUTE));
  // "&Hide Window" and "&Help" share h: select the first, never execute.
  EXPECT_EQ(menu_.OnMenuChar('h', popup), MAKELRESULT(1, MNC_SELECT));
  EXPECT_EQ(HIWORD(menu_.OnMenuChar('q', popup)), MNC_IGNORE);
}

namespace {
COwnerMenu* g_menu = nullptr;
int g_draws = 0, g_measures = 0;

LRESULT CALLBACK MenuOwnerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (g_menu) {
    if (msg == WM_DRAWITEM) ++g_draws;
    if (msg == WM_MEASUREITEM) ++g_measures;
    LRESULT result = 0;
    if (g_menu->HandleMessage(msg, wp, lp, result)) return result;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}
}  // namespace

TEST_F(OwnerMenuTest, AnOpenPopupIsMeasuredAndDrawnThroughTheOwner) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = MenuOwnerProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ZephraMenuOwnerTest";
  ::RegisterClassW(&wc);
  HWND owner = ::CreateWindowExW(0, wc.lpszClassName, L"menu owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 300,
                                 200, nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(owner, nullptr);
  g_menu = &menu_;
  g_draws = g_measures = 0;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
    if (g_draws > 0) ::EndMenu();
  });
  ::SetForegroundWindow(owner);
  ::TrackPopupMenu(popup_, TPM_RIGHTBUTTON, 60, 60, 0, owner, nullptr);
  ::KillTimer(nullptr, timer);
  g_menu = nullptr;
  ::DestroyWindow(owner);
  EXPECT_GE(g_measures, 10);
  EXPECT_GE(g_draws, 10);
}
