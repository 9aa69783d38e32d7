// The meter window's commands, accelerators and menu states.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/meter_dlg.h"
#include "res/resource.h"
#include "settings/registry_win.h"
#include "meter_test_support.h"

namespace {

std::vector<std::wstring> g_messages;
int g_answer = IDNO;
int RecordMessage(HWND, const wchar_t* text, const wchar_t* title, UINT) {
  g_messages.push_back(std::wstring(title) + L"|" + text);
  return g_answer;
}

std::vector<std::wstring> g_opened;
intptr_t RecordOpen(const std::wstring& target, const wchar_t* verb, int) {
  g_opened.push_back(std::wstring(verb ? verb : L"") + L"|" + target);
  return 42;
}

std::set<std::wstring> ValueNames(const std::wstring& key) {
  std::set<std::wstring> names;
  HKEY k;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return names;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD len = 256;
    if (::RegEnumValueW(k, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.insert(name);
  }
  ::RegCloseKey(k);
  return names;
}

class MeterCommands : public ::testing::Test {
protected:
  void SetUp() override {
    g_messages.clear();
    g_opened.clear();
    g_answer = IDNO;
    clock.Set(2026, 12, 8, 10, 0, 0);
    adapters.Add("{AAAAAAAA-0000-0000-0000-000000000001}", 3);
    adapters.Add("{AAAAAAAA-0000-0000-0000-000000000002}", 4);
    env = TestMeterEnvironment(clock, adapters, registry, reg);
    env.messageBox = &RecordMessage;
    env.openDocument = &RecordOpen;
    meter = std::make_unique<CMeterDlg>(env);
    hwnd = meter->Create(::GetModuleHandleW(nullptr));
    ASSERT_NE(hwnd, nullptr);
    PumpPending();
  }
  void Command(UINT id) { ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
  // A key through the accelerator table, as the message loop sees it.
  bool Key(WORD vk, bool ctrl, bool shift = false) {
    BYTE state[256];
    ::GetKeyboardState(state);
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    state[VK_SHIFT] = shift ? 0x80 : 0;
    ::SetKeyboardState(state);
    MSG msg{};
    msg.hwnd = hwnd;
    msg.message = WM_KEYDOWN;
    msg.wParam = vk;
    msg.lParam = 1;
    const bool done = ::TranslateAcceleratorW(hwnd, meter->accelerators(), &msg) != 0;
    state[VK_CONTROL] = state[VK_SHIFT] = 0;
    ::SetKeyboardState(state);
    return done;
  }
  UINT ItemState(UINT id) {
    HMENU popup = ::GetSubMenu(meter->menu().menu(), 0);
    ::SendMessageW(hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
    for (int pos : {POPUP_POS_ADAPTERS, POPUP_POS_VIEW, POPUP_POS_RESET, POPUP_POS_HELP})
      ::SendMessageW(hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(::GetSubMenu(popup, pos)), pos);
    return ::GetMenuState(meter->menu().menu(), id, MF_BYCOMMAND);
  }
  std::wstring Options() const { return reg.key(L"Options"); }

  ScriptedClock clock;
  ScriptedSource adapters;
  TestRegistryRoot reg;
  Win32Registry registry;
  MeterEnvironment env;
  std::unique_ptr<CMeterDlg> meter;
  HWND hwnd = nullptr;
};

TEST_F(MeterCommands, ConnectionMenusListEveryEntry) {
  HMENU popup = ::GetSubMenu(meter->menu().menu(), 0);
  HMENU adaptersMenu = ::GetSubMenu(popup, POPUP_POS_ADAPTERS);
  HMENU resetMenu = ::GetSubMenu(popup, POPUP_POS_RESET);
  // Two aggregates and two adapters; the placeholder is gone.
  EXPECT_EQ(::GetMenuItemCount(adaptersMenu), 4);
  EXPECT_EQ(::GetMenuState(adaptersMenu, ID_NO_ADAPTER, MF_BYCOMMAND), 0xFFFFFFFFu);
  EXPECT_EQ(::GetMenuItemID(adaptersMenu, 0), 9000u);
  // "All Adapters", a separator, then one item per connection.
  EXPECT_EQ(::GetMenuItemCount(resetMenu), 6);
  EXPECT_EQ(::GetMenuItemID(resetMenu, 2), 9300u);
  ItemState(9000);
  EXPECT_EQ(meter->menu().Text(9000), L"All Connections");
}

TEST_F(MeterCommands, GraphOffWithTextOffWarnsAndKeepsTheCheck) {
  Key('X', true);  // Ctrl+X: text off
  EXPECT_EQ(meter->settings().displayText, 0);
  EXPECT_TRUE(Key('G', true));  // Ctrl+G would leave neither
  ASSERT_EQ(g_messages.size(), 1u);
  EXPECT_EQ(g_messages[0], L"Zephra|At least either graph or text should be displayed.");
  EXPECT_EQ(meter->settings().displayGraph, 1);
  EXPECT_TRUE(ItemState(ID_VIEW_GRAPH) & MF_CHECKED);
  EXPECT_FALSE(ItemState(ID_VIEW_TEXT) & MF_CHECKED);
}

TEST_F(MeterCommands, UnitItemsFlipEvenWhenAlreadyMarked) {
  EXPECT_EQ(meter->settings().displayUnitByte, 0);
  Key('B', true);
  EXPECT_EQ(meter->settings().displayUnitByte, 1);
  EXPECT_TRUE(ItemState(ID_UNIT_BYTES) & MF_CHECKED);
  Key('B', true);  // KB/s already marked: switches to kbps
  EXPECT_EQ(meter->settings().displayUnitByte, 0);
  EXPECT_TRUE(ItemState(ID_UNIT_BITS) & MF_CHECKED);
  DWORD stored = 9;
  ASSERT_TRUE(ReadDwordValue(HKEY_CURRENT_USER, Options(), L"DisplayUnitByte", stored));
  EXPECT_EQ(stored, 0u);
}

TEST_F(MeterCommands, ResetItemsOfHiddenConnectionsAreGrey) {
  // All Connections is displayed on a first start, the rest are not.
  EXPECT_FALSE(ItemState(9300) & MF_GRAYED);
  EXPECT_TRUE(ItemState(9301) & MF_GRAYED);
  EXPECT_TRUE(ItemState(9302) & MF_GRAYED);
  EXPECT_FALSE(ItemState(ID_RESET_RANGE_ALL) & MF_GRAYED);
  EXPECT_TRUE(ItemState(9000) & MF_CHECKED);
  EXPECT_FALSE(ItemState(9002) & MF_CHECKED);
}

TEST_F(MeterCommands, TheOnlyDisplayedConnectionCannotBeRemoved) {
  Command(9000);
  ASSERT_EQ(g_messages.size(), 1u);
  EXPECT_EQ(g_messages[0], L"Zephra|At least one adapter should be monitored.");
  EXPECT_TRUE(meter->catalogue()[0].monitored);
  Command(9002);  // display a second one; now the first can go
  EXPECT_TRUE(meter->catalogue()[2].monitored);
  Command(9000);
  EXPECT_FALSE(meter->catalogue()[0].monitored);
  EXPECT_EQ(g_messages.size(), 1u);
}

TEST_F(MeterCommands, ShowAndHideItemsFollowVisibility) {
  EXPECT_TRUE(ItemState(ID_SHOW_WINDOW) & MF_GRAYED);
  EXPECT_FALSE(ItemState(ID_HIDE_WINDOW) & MF_GRAYED);
  Key(VK_ESCAPE, false);
  EXPECT_FALSE(::IsWindowVisible(hwnd));
  EXPECT_FALSE(ItemState(ID_SHOW_WINDOW) & MF_GRAYED);
  EXPECT_TRUE(ItemState(ID_HIDE_WINDOW) & MF_GRAYED);
}

TEST_F(MeterCommands, EachToggleWritesExactlyItsGroup) {
  const std::set<std::wstring> start = ValueNames(Options());
  EXPECT_EQ(start, std::set<std::wstring>{L"HWND"});

  Key('T', true);  // title: the Display group
  std::set<std::wstring> now = ValueNames(Options());
  const std::set<std::wstring> display = {
      L"DisplayTitle", L"DisplayGraph", L"DisplayScaleGrid", L"DisplayScale", L"DisplayText",
      L"DisplayMaxRateInText", L"TextCrSameAsGraphCr", L"DispAvgValuesInText", L"DispAvgDownLine",
      L"DispAvgUpLine", L"DisplayTimeGrid", L"DisplayTimeText", L"ScaleGridOnTop", L"TimeGridOnTop", L"TimeTextOnTop"};
  std::set<std::wstring> expected = start;
  expected.insert(display.begin(), display.end());
  EXPECT_EQ(now, expected);
  DWORD title = 1;
  ASSERT_TRUE(ReadDwordValue(HKEY_CURRENT_USER, Options(), L"DisplayTitle", title));
  EXPECT_EQ(title, 0u);

  Key('L', true);  // line graph: the GraphStyle group
  now = ValueNames(Options());
  for (const wchar_t* v : {L"PulseSpace", L"PulseWidth", L"ScaleGridLineStyle", L"TimeGridLineStyle",
                           L"TimeGridIntervalSec", L"TimeFormat", L"RateHeightPercent", L"GraphStyle"})
    expected.insert(v);
  EXPECT_EQ(now, expected);

  Key('A', true);  // always on top: the General group
  now = ValueNames(Options());
  EXPECT_TRUE(now.count(L"AlwaysOnTop"));
  EXPECT_TRUE(now.count(L"WeekStartDay"));
  EXPECT_FALSE(now.count(L"GraphBkgColor"));
  EXPECT_FALSE(now.count(L"DispIconSystray"));
}

TEST_F(MeterCommands, TcpConnectionsAsksAndOpensOnYes) {
  Command(ID_TCP_CONNECTIONS);
  ASSERT_EQ(g_messages.size(), 1u);
  EXPECT_NE(g_messages[0].find(L"copy file \"Tcpview.exe\" to folder \""), std::wstring::npos);
  EXPECT_NE(g_messages[0].find(L"when you click \"TCP Connections\" next time."), std::wstring::npos);
  EXPECT_TRUE(g_opened.empty());
  g_answer = IDYES;
  Command(ID_TCP_CONNECTIONS);
  ASSERT_EQ(g_opened.size(), 2u);
  EXPECT_EQ(g_opened[0].rfind(L"explore|", 0), 0u);
  EXPECT_EQ(g_opened[1], std::wstring(L"open|") + kTcpViewPageUrl);
}

TEST_F(MeterCommands, WebCommandsOpenTheirAddresses) {
  Command(ID_CHECK_UPDATES);
  Command(ID_TELL_FRIEND);
  ASSERT_EQ(g_opened.size(), 2u);
  EXPECT_NE(g_opened[0].find(L"/Zephra/CheckUpdate/?Ver=3.6&Build=437"), std::wstring::npos);
  EXPECT_NE(g_opened[1].find(L"mailto:?subject=Zephra%20-%20very%20COOL%20application!!!&body=Download%20from%20"),
            std::wstring::npos);
}

TEST_F(MeterCommands, ResetWindowPositionMovesToTheOriginAndShows) {
  ::SetWindowPos(hwnd, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  RECT before;
  ::GetWindowRect(hwnd, &before);
  Command(ID_HIDE_WINDOW);
  Command(ID_RESET_WINDOW_POSITION);
  RECT after;
  ::GetWindowRect(hwnd, &after);
  EXPECT_EQ(after.left, 0);
  EXPECT_EQ(after.top, 0);
  EXPECT_EQ(after.right - after.left, before.right - before.left);
  EXPECT_TRUE(::IsWindowVisible(hwnd));
}

VOID CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  ::EndMenu();
}

TEST_F(MeterCommands, PopupKeyOpensTheMenuCentredWhenTheMouseIsElsewhere) {
  RECT rc;
  ::GetClientRect(hwnd, &rc);
  POINT away{rc.right + 200, rc.bottom + 200};
  ::ClientToScreen(hwnd, &away);
  ::SetCursorPos(away.x, away.y);
  ::SetTimer(nullptr, 0, 200, &CloseMenu);
  EXPECT_TRUE(Key('F', false));
  POINT centre{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  ::ClientToScreen(hwnd, &centre);
  EXPECT_EQ(meter->lastPopupPoint().x, centre.x);
  EXPECT_EQ(meter->lastPopupPoint().y, centre.y);
}

}  // namespace
