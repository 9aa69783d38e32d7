// The usage alert in the shell: the Notification page's checks in their order
// with the page brought forward and the control focused, what its apply leaves
// in the registry, the notification window's controls, and the meter window
// opening that window and running the program when the rule is passed.
#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <vector>

#include "alerts/notification_dlg_win.h"
#include "alerts/opt_notification_page_win.h"
#include "alerts/smtp_win.h"
#include "res/resource.h"
#include "settings/opt_general_page_win.h"
#include "shell_support.h"
#include "ui/window_util_win.h"

namespace {

struct Shown {
  std::wstring text;
  UINT type;
  int page;   // the active page while the message showed
  int focus;  // the focused control's id
};


class NotificationPageTest : public MeterTest {
public:
  void SetUp() override {
    adapters.Add("{AAAAAAAA-0000-0000-0000-000000000001}", 1);
    ASSERT_TRUE(Start());
    wav = TempFilePath(L"alert") + L".wav";
    program = TempFilePath(L"run") + L".exe";
    ASSERT_TRUE(WriteFileBytes(wav, "RIFF"));
    ASSERT_TRUE(WriteFileBytes(program, "MZ"));
  }
  void TearDown() override {
    sheet.reset();
    ::DeleteFileW(wav.c_str());
    ::DeleteFileW(program.c_str());
  }

  void Open() {
    sheet.reset();
    general = std::make_unique<COptGeneralPage>(meter->settings(), CanSetTransparency());
    notification = std::make_unique<COptNotificationPage>(meter->settings().notificationEnabled != 0,
                                                          meter->settings().rule, meter->email(), meter->AdapterRows());
    sheet = std::make_unique<COptionsSheet>(::GetModuleHandleW(nullptr), hwnd);
    sheet->AddPage(*general);
    sheet->AddPage(*notification);
    shown.clear();
    sheet->SetMessageBox([this](HWND, const std::wstring& text, UINT type) {
      shown.push_back({text, type, sheet->activePage(), ::GetDlgCtrlID(::GetFocus())});
      return IDNO;
    });
    ASSERT_NE(sheet->Create(hwnd), nullptr);
    ::ShowWindow(sheet->hwnd(), SW_SHOW);
    ::SetForegroundWindow(sheet->hwnd());
    ::SendMessageW(sheet->hwnd(), PSM_SETCURSEL, 1, 0);
    page = reinterpret_cast<HWND>(::SendMessageW(sheet->hwnd(), PSM_INDEXTOHWND, 1, 0));
  }
  void Set(int id, const std::wstring& text) { ::SetDlgItemTextW(page, id, text.c_str()); }
  void Check(int id, bool on) {
    if ((::IsDlgButtonChecked(page, id) == BST_CHECKED) != on) ::SendDlgItemMessageW(page, id, BM_CLICK, 0, 0);
  }
  void Choose(int id, int index) {
    ::SendDlgItemMessageW(page, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(::GetDlgItem(page, id)));
  }
  // A rule every check passes: more than 10 GB downloaded through "All Connections"
  // this week, with every action on.
  void FillValid() {
    Check(IDC_NOT_ENABLED, true);
    Choose(IDC_NOT_CONNECTION, 0);
    Set(IDC_NOT_NUMBER, L"10");
    Choose(IDC_NOT_UNIT, 3);
    Choose(IDC_NOT_TRANSFER, 0);
    Choose(IDC_NOT_PERIOD, 0);
    Check(IDC_NOT_PLAY_SOUND, true);
    Set(IDC_NOT_SOUND_FILE, wav);
    Check(IDC_NOT_BEEP, true);
    Choose(IDC_NOT_BEEP_PATTERN, 4);
    Check(IDC_NOT_SEND_MAIL, true);
    Set(IDC_NOT_RECIPIENTS, L"me@example.com");
    Check(IDC_NOT_RUN_PROGRAM, true);
    Set(IDC_NOT_PROGRAM, program);
  }
  void Apply() {
    ::SendMessageW(sheet->hwnd(), PSM_SETCURSEL, 0, 0);  // the page to check is not the active one
    ::SendMessageW(sheet->hwnd(), PSM_PRESSBUTTON, PSBTN_APPLYNOW, 0);
    PumpPending();
  }

  std::unique_ptr<COptGeneralPage> general;
  std::unique_ptr<COptNotificationPage> notification;
  std::unique_ptr<COptionsSheet> sheet;
  HWND page = nullptr;
  std::vector<Shown> shown;
  std::wstring wav, program;
};

TEST_F(NotificationPageTest, EveryCheckInItsOrderFocusesItsControl) {
  const struct {
    void (*spoil)(NotificationPageTest&);
    std::wstring message;
    int focus;
  } cases[] = {
      {[](NotificationPageTest& t) { t.Choose(IDC_NOT_CONNECTION, -1); }, L"Please select an adapter.",
       IDC_NOT_CONNECTION},
      {[](NotificationPageTest& t) { t.Set(IDC_NOT_NUMBER, L"0.0000001"); }, L"Please enter a valid transfer number.",
       IDC_NOT_NUMBER},
      {[](NotificationPageTest& t) { t.Set(IDC_NOT_NUMBER, L"1e3"); }, L"Please enter a valid transfer number.",
       IDC_NOT_NUMBER},
      {[](NotificationPageTest& t) { t.Choose(IDC_NOT_UNIT, -1); },
       L"Please select a transfer unit (Bytes, KB, MB, GB, or TB).", IDC_NOT_UNIT},
      {[](NotificationPageTest& t) { t.Choose(IDC_NOT_TRANSFER, -1); },
       L"Please select the transfer type (downloaded, uploaded or both).", IDC_NOT_TRANSFER},
      {[](NotificationPageTest& t) { t.Choose(IDC_NOT_PERIOD, -1); }, L"Please select a period.", IDC_NOT_PERIOD},
      {[](NotificationPageTest& t) { t.Choose(IDC_NOT_PERIOD, 2), t.Set(IDC_NOT_DAYS, L"0"); },
       L"The last day number should be greater than or equal to 1.", IDC_NOT_DAYS},
      {[](NotificationPageTest& t) { t.Choose(IDC_NOT_PERIOD, 2), t.Set(IDC_NOT_DAYS, L"32768"); },
       L"The last day number must be between 1 and 32767.", IDC_NOT_DAYS},
      {[](NotificationPageTest& t) { t.Set(IDC_NOT_SOUND_FILE, L""); }, L"Please choose a sound file.",
       IDC_NOT_SOUND_FILE},
      {[](NotificationPageTest& t) { t.Set(IDC_NOT_SOUND_FILE, L"alert.wav"); },
       L"File 'alert.wav' isn't available or isn't a WAV file.", IDC_NOT_SOUND_FILE},
      {[](NotificationPageTest& t) { t.Check(IDC_NOT_BEEP, false), t.Choose(IDC_NOT_BEEP_PATTERN, -1); },
       L"Please select a beep sound.", IDC_NOT_BEEP},
      {[](NotificationPageTest& t) { t.Choose(IDC_NOT_BEEP_PATTERN, -1); }, L"Please select a beep sound.",
       IDC_NOT_BEEP_PATTERN},
      {[](NotificationPageTest& t) { t.Set(IDC_NOT_RECIPIENTS, L" , ,,"); }, L"Please input email address.",
       IDC_NOT_RECIPIENTS},
      {[](NotificationPageTest& t) { t.Set(IDC_NOT_RECIPIENTS, L"me@example.com, you.example.com"); },
       L"Invalid email address 'you.example.com'.", IDC_NOT_RECIPIENTS},
      {[](NotificationPageTest& t) { t.Set(IDC_NOT_PROGRAM, L""); }, L"Please choose an executable file.",
       IDC_NOT_PROGRAM},
      {[](NotificationPageTest& t) { t.Set(IDC_NOT_PROGRAM, L"C:\\nothere\\x.exe"); },
       L"File 'C:\\nothere\\x.exe' isn't available.", IDC_NOT_PROGRAM},
  };
  for (const auto& c : cases) {
    Open();
    FillValid();
    c.spoil(*this);
    // The last check fails too (another box): only the earlier one may be reported.
    if (std::end(cases)[-1].focus != c.focus) std::end(cases)[-1].spoil(*this);
    Apply();
    ASSERT_EQ(shown.size(), 1u) << c.message;
    EXPECT_EQ(shown[0].text, c.message);
    EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(shown[0].page, 1) << c.message;
    EXPECT_EQ(shown[0].focus, c.focus) << c.message;
    EXPECT_EQ(meter->settings().notificationEnabled, 0) << c.message;
  }
}

TEST_F(NotificationPageTest, ApplyStoresTheRuleTheFlagAndTheMailSettings) {
  Open();
  FillValid();
  Set(IDC_NOT_NUMBER, L"0.000001");
  Apply();
  // The e-mail settings are incomplete: asked about once, and the apply goes on.
  ASSERT_EQ(shown.size(), 1u) << std::string(shown.back().text.begin(), shown.back().text.end());
  EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
  EXPECT_EQ(meter->settings().notificationEnabled, 1);
  EXPECT_EQ(meter->settings().rule.threshold, L"0.000001");
  EXPECT_EQ(meter->settings().rule.program, program);
  EXPECT_EQ(meter->alert().state(), AlertState::Armed);
  ASSERT_NE(meter->alert().watched(), nullptr);

  HKEY key = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, reg.key(L"Options").c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
  BYTE image[2048];
  DWORD size = sizeof image, type = 0;
  EXPECT_EQ(::RegQueryValueExW(key, L"NotificationEx2U", nullptr, &type, image, &size), ERROR_SUCCESS);
  ::RegCloseKey(key);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(size, 1992u);
  EXPECT_EQ(image[0], 3);  // the version
  DWORD enabled = 0;
  EXPECT_TRUE(ReadDwordValue(HKEY_CURRENT_USER, reg.key(L"Options"), L"NotificationEnabled", enabled));
  EXPECT_EQ(enabled, 1u);
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, reg.key(L"Options\\EmailSettings"), L"EmlTempBody"));

  // Switched off: nothing is checked, the flag is stored off.
  Open();
  Check(IDC_NOT_ENABLED, false);
  Set(IDC_NOT_NUMBER, L"");
  Apply();
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(meter->settings().notificationEnabled, 0);
  EXPECT_TRUE(ReadDwordValue(HKEY_CURRENT_USER, reg.key(L"Options"), L"NotificationEnabled", enabled));
  EXPECT_EQ(enabled, 0u);
}

// ---- the notification window --------------------------------------------------

NotificationInput WindowInput(const AdapterEntry* connection) {
  NotificationInput in;
  in.rule.threshold = L"10";
  in.rule.unit = kUnitGB;
  in.rule.transfer = kTransferBoth;
  in.rule.period = kPeriodWeek;
  in.connection = connection;
  in.connectionName = L"LAN";
  in.baseTotal = INT64_C(10737418240);
  in.shown = DateRange{CivilDate{2026, 12, 6}, CivilDate{2026, 12, 8}};
  in.reminder = ReminderChoice{0, 5};
  return in;
}

TEST(NotificationWindow, TextsFontsColoursReminderAndStopButton) {
  AdapterEntry lan;
  lan.todayIn = 1;
  CNotificationDlg window(WindowInput(&lan));
  std::vector<std::wstring> boxes;
  window.SetMessageBox([&](HWND, const std::wstring& text, UINT) {
    boxes.push_back(text);
    return IDOK;
  });
  HWND dlg = window.Create(nullptr);
  ASSERT_NE(dlg, nullptr);
  wchar_t title[64] = {};
  ::GetWindowTextW(dlg, title, 64);
  EXPECT_STREQ(title, L"Notification - Zephra");
  EXPECT_TRUE(::GetWindowLongPtrW(dlg, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_EQ(ItemText(dlg, IDC_ALERT_MESSAGE),
            L"Dear user, more than 10 GB have been downloaded and uploaded through \"LAN\" in last week "
            L"(12/06/2026 -- 12/08/2026).");
  EXPECT_EQ(ItemText(dlg, IDC_ALERT_TOTAL), L"Downloaded and uploaded so far: 10.00 GB");

  const struct {
    int id;
    LONG height;
    COLORREF colour;
  } labels[] = {{IDC_ALERT_MESSAGE, -14, RGB(238, 0, 0)}, {IDC_ALERT_TOTAL, -12, RGB(0, 0, 238)}};
  for (const auto& l : labels) {
    LOGFONTW font{};
    auto hfont = reinterpret_cast<HFONT>(::SendDlgItemMessageW(dlg, l.id, WM_GETFONT, 0, 0));
    ASSERT_EQ(::GetObjectW(hfont, sizeof font, &font), static_cast<int>(sizeof font));
    EXPECT_STREQ(font.lfFaceName, L"Tahoma");
    EXPECT_EQ(font.lfHeight, l.height);
    EXPECT_EQ(font.lfWeight, FW_BOLD);
    PixelCanvas canvas(4, 4);
    ::SendMessageW(dlg, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(canvas.dc()),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dlg, l.id)));
    EXPECT_EQ(::GetTextColor(canvas.dc()), l.colour);
  }

  // The total follows the connection's counters once a second.
  lan.todayOut = INT64_C(1073741824);
  ::SendMessageW(dlg, WM_TIMER, 1, 0);
  EXPECT_EQ(ItemText(dlg, IDC_ALERT_TOTAL), L"Downloaded and uploaded so far: 11.00 GB");

  // Neither a sound nor a beep: nothing to stop.
  EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dlg, IDC_ALERT_STOP_SOUND)));
  EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dlg, IDC_ALERT_MINUTES)));
  ::SendDlgItemMessageW(dlg, IDC_ALERT_REMIND, BM_CLICK, 0, 0);
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(dlg, IDC_ALERT_MINUTES)));
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(dlg, IDC_ALERT_MINUTES_SPIN)));
  EXPECT_EQ(::GetDlgCtrlID(::GetFocus()), IDC_ALERT_MINUTES);
  ::SetDlgItemTextW(dlg, IDC_ALERT_MINUTES, L"0");
  ::SendDlgItemMessageW(dlg, IDC_ALERT_CLOSE, BM_CLICK, 0, 0);
  EXPECT_EQ(boxes, std::vector<std::wstring>{L"Minutes up to next alert should be greater than 0."});
  EXPECT_FALSE(window.closed());
  ::SetDlgItemTextW(dlg, IDC_ALERT_MINUTES, L"7");
  ::SendDlgItemMessageW(dlg, IDC_ALERT_CLOSE, BM_CLICK, 0, 0);
  EXPECT_TRUE(window.closed());
  EXPECT_EQ(window.reminder().type, 1);
  EXPECT_EQ(window.reminder().minutes, 7);

  // With a beep pattern the stop button stops it and greys itself.
  NotificationInput beeping = WindowInput(&lan);
  beeping.rule.beep = 1;
  beeping.rule.playSound = 1;
  beeping.rule.soundFile = L"C:\\nothere\\missing.wav";  // a missing file is never played
  CNotificationDlg second(beeping);
  HWND dlg2 = second.Create(nullptr);
  ASSERT_NE(dlg2, nullptr);
  EXPECT_TRUE(second.beeperRunning());
  EXPECT_FALSE(second.soundPlaying());
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(dlg2, IDC_ALERT_STOP_SOUND)));
  ::SendDlgItemMessageW(dlg2, IDC_ALERT_STOP_SOUND, BM_CLICK, 0, 0);
  EXPECT_FALSE(second.beeperRunning());
  EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dlg2, IDC_ALERT_STOP_SOUND)));
}

// ---- the meter window with a rule ---------------------------------------------

// Closes the notification window when it has opened inside the meter's tick.
HWND g_alertWindow = nullptr;
void CALLBACK CloseAlertWindow(HWND, UINT, UINT_PTR id, DWORD) {
  HWND w = ::FindWindowW(nullptr, L"Notification - Zephra");
  if (!w) return;
  g_alertWindow = w;
  ::KillTimer(nullptr, id);
  ::PostMessageW(w, WM_COMMAND, MAKEWPARAM(IDC_ALERT_CLOSE, BN_CLICKED), 0);
}

class MeterAlertTest : public MeterTest {};

TEST_F(MeterAlertTest, PassingTheRuleRunsTheProgramOnceAndOpensTheWindow) {
  const std::wstring program = TempFilePath(L"alert-run") + L".exe";
  ASSERT_TRUE(WriteFileBytes(program, "MZ"));
  adapters.Add("{AAAAAAAA-0000-0000-0000-000000000001}", 1);
  AlertRule rule;
  rule.version = 3;
  rule.kind = 100;
  rule.threshold = L"1";
  rule.unit = kUnitKB;
  rule.period = kPeriodWeek;
  rule.runProgram = 1;
  rule.program = program;
  ASSERT_TRUE(registry.WriteBinary(RegRoot::CurrentUser, reg.key(L"Options"), L"NotificationEx2U",
                                   SerializeAlertRule(rule)));
  ASSERT_TRUE(registry.WriteDword(RegRoot::CurrentUser, reg.key(L"Options"), L"NotificationEnabled", 1));
  ASSERT_TRUE(Start());
  ASSERT_NE(meter->alert().watched(), nullptr);
  TickSeconds(2);
  adapters.Count(1, 1024, 0);
  TickSeconds(1);
  EXPECT_EQ(meter->alert().state(), AlertState::Armed);
  EXPECT_TRUE(opened.empty());

  g_alertWindow = nullptr;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &CloseAlertWindow);
  adapters.Count(1, 1, 0);
  TickSeconds(1);
  ::KillTimer(nullptr, timer);
  EXPECT_NE(g_alertWindow, nullptr);
  EXPECT_EQ(meter->alert().state(), AlertState::Alerted);
  EXPECT_EQ(opened, std::vector<std::wstring>{L"open|" + program});
  EXPECT_FALSE(meter->flags().modalOpen);

  // Ctrl+N shows the last alert again: the window only.
  g_alertWindow = nullptr;
  const UINT_PTR again = ::SetTimer(nullptr, 0, 50, &CloseAlertWindow);
  Command(ID_SHOW_ALERT_AGAIN);
  ::KillTimer(nullptr, again);
  EXPECT_NE(g_alertWindow, nullptr);
  EXPECT_EQ(opened.size(), 1u);

  // A failed mail reaches the user with the worker's text.
  ::SendMessageW(hwnd, WM_MAIL_DONE, 0, reinterpret_cast<LPARAM>(AllocateMailDoneText("Time out.")));
  EXPECT_EQ(messages, std::vector<std::wstring>{
                          L"Zephra|Failed to send the notification email.\n\nError: Time out.\n\nPlease check your "
                          L"email settings at Options -> Notification -> Email Settings."});
  ::DeleteFileW(program.c_str());
}

// ---- pictures ------------------------------------------------------------------

using NotificationScreenshots = NotificationPageTest;

TEST_F(NotificationScreenshots, DISABLED_Window) {
  const wchar_t* dir = _wgetenv(L"ZEPHRA_SCREENSHOT_DIR");
  ASSERT_NE(dir, nullptr) << "set ZEPHRA_SCREENSHOT_DIR";
  AdapterEntry lan;
  lan.todayIn = INT64_C(734003200);
  NotificationInput in = WindowInput(&lan);
  in.reminder = ReminderChoice{1, 5};
  CNotificationDlg window(in);
  HWND dlg = window.Create(nullptr);
  ASSERT_NE(dlg, nullptr);
  ::SetWindowPos(dlg, HWND_TOP, 60, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  ::RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  PumpUntil([] { return false; }, 400);
  EXPECT_TRUE(WriteScreenBmp(dlg, std::wstring(dir) + L"\\notification-window.bmp"));
  ::DestroyWindow(dlg);
}

}  // namespace
