// The rates recorder window's checks and edits, the meter applying it to the
// files, and the stopwatch driven by the meter's tick and its own timer.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recorder/recorder_dlg_win.h"
#include "res/resource.h"
#include "shell_support.h"
#include "stopwatch/stopwatch_dlg_win.h"
#include "ui/pickers_win.h"
#include "ui/window_util_win.h"

namespace {

// A folder of its own in the temporary folder, removed with everything in it.
struct TempFolder {
  std::wstring path = TempFilePath(L"zephra-rec") + L".d";
  TempFolder() { ::CreateDirectoryW(path.c_str(), nullptr); }
  ~TempFolder() {
    std::wstring from = path + L'\0';
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    ::SHFileOperationW(&op);
  }
  std::wstring operator/(const wchar_t* name) const { return path + L"\\" + name; }
};

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = 0; (at = text.find(part, at)) != std::string::npos; at += part.size()) ++n;
  return n;
}

TEST(RecorderDialog, OkChecksTheRowsInOrderAndSelectsTheFailingOne) {
  TempFolder dir;
  const std::wstring blocker = dir / L"plain-file";
  ASSERT_TRUE(WriteFileBytes(blocker, "x"));
  struct Case {
    const char* name;
    std::vector<RecorderSettings> rows;
    int selected;
    std::wstring message;  // empty: OK closes the window
  } cases[] = {
      {"two rows on one file", {{true, 1, false, dir / L"a.txt"}, {false, 1, false, L""}, {true, 1, false, dir / L"A.TXT"}},
       0, L"There are two or more same rates recording files. Please choose a different file for each adapter."},
      {"interval 0", {{false, 0, false, L""}, {true, 0, false, dir / L"a.txt"}}, 1,
       L"The recording interval should be equal to or greater than 1."},
      {"interval beyond its spin", {{true, 32768, false, dir / L"a.txt"}}, 0,
       L"The recording interval must be between 1 and 32767."},
      {"empty file", {{true, 3, false, L""}}, 0, L"The rates recording file should not be empty."},
      {"a folder that is a file", {{true, 3, false, blocker + L"\\r.txt"}}, 0,
       L"Failed to create file \"" + blocker + L"\\r.txt\". Be sure you have write permission or choose another file."},
      {"a missing folder is created", {{true, 3, false, dir / L"new\\deeper\\r.csv"}}, -1, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::wstring> shown;
    CRecorderDlg dlg(std::vector<std::wstring>(c.rows.size(), L"Connection"), c.rows);
    dlg.SetMessageBox([&](HWND, const std::wstring& text, UINT type) {
      EXPECT_EQ(type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
      shown.push_back(text);
      return IDOK;
    });
    ASSERT_NE(dlg.Create(nullptr), nullptr);
    ::SendMessageW(dlg.hwnd(), WM_COMMAND, IDOK, 0);
    if (c.message.empty()) {
      EXPECT_EQ(dlg.result(), IDOK);
      EXPECT_TRUE(shown.empty());
      EXPECT_NE(::GetFileAttributesW((dir / L"new\\deeper").c_str()), INVALID_FILE_ATTRIBUTES);
      continue;
    }
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], c.message);
    EXPECT_EQ(ListView_GetNextItem(dlg.list().hwnd(), -1, LVNI_SELECTED), c.selected);
    EXPECT_EQ(dlg.result(), 0);
    ::DestroyWindow(dlg.hwnd());
  }
}

TEST(RecorderDialog, TheSelectedRowIsEditedInItsCells) {
  CRecorderDlg dlg({L"All Connections", L"Ethernet"}, {{}, {true, 4, false, L"C:\\x.txt"}});
  ASSERT_NE(dlg.Create(nullptr), nullptr);
  HWND h = dlg.hwnd();
  EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(h, IDC_REC_RECORD)));  // nothing selected
  EXPECT_EQ(dlg.list().Text(1, 2), L"4 sec.");
  ListView_SetItemState(dlg.list().hwnd(), 0, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(h, IDC_REC_FILE)));  // the row does not record
  ::CheckDlgButton(h, IDC_REC_RECORD, BST_CHECKED);
  ::SendMessageW(h, WM_COMMAND, MAKEWPARAM(IDC_REC_RECORD, BN_CLICKED), 0);
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(h, IDC_REC_FILE)));
  ::SetDlgItemTextW(h, IDC_REC_INTERVAL, L"7");
  ::SetDlgItemTextW(h, IDC_REC_FILE, L"D:\\rates.csv");
  ::CheckRadioButton(h, IDC_REC_NUMBER_ONLY, IDC_REC_WITH_UNITS, IDC_REC_NUMBER_ONLY);
  ::SendMessageW(h, WM_COMMAND, MAKEWPARAM(IDC_REC_NUMBER_ONLY, BN_CLICKED), 0);
  EXPECT_EQ(dlg.list().Text(0, 1), L"Yes");
  EXPECT_EQ(dlg.list().Text(0, 2), L"7 sec.");
  EXPECT_EQ(dlg.list().Text(0, 3), L"D:\\rates.csv");
  const RecorderSettings& r = dlg.rows()[0];
  EXPECT_TRUE(r.enabled && r.numberOnly && r.interval == 7 && r.file == L"D:\\rates.csv");

  // Browse chooses a file to append to: nothing asks about replacing it.
  static DWORD flags;
  const Pickers saved = CurrentPickers();
  CurrentPickers().file = [](OPENFILENAMEW* ofn, bool) -> BOOL {
    flags = ofn->Flags;
    wcscpy_s(ofn->lpstrFile, ofn->nMaxFile, L"D:\\more");
    ofn->nFilterIndex = 2;
    return TRUE;
  };
  ::SendMessageW(h, WM_COMMAND, MAKEWPARAM(IDC_REC_BROWSE, BN_CLICKED), 0);
  CurrentPickers() = saved;
  EXPECT_EQ(flags & OFN_OVERWRITEPROMPT, 0u);
  EXPECT_EQ(dlg.rows()[0].file, L"D:\\more.csv");
  ::DestroyWindow(h);
}

class MeterRecorder : public MeterTest {
protected:
  void SetUp() override {
    adapters.Add("{AAAAAAAA-0000-0000-0000-000000000001}", 3);
    const std::wstring key = reg.key(L"AdaptersEx\\100-");
    registry.WriteString(RegRoot::CurrentUser, key, L"AdapterID", L"");
    registry.WriteDword(RegRoot::CurrentUser, key, L"RecordTrafficRates", 1);
    registry.WriteDword(RegRoot::CurrentUser, key, L"RecordInterval", 1);
    registry.WriteDword(RegRoot::CurrentUser, key, L"RecordNumberOnly", 1);
    registry.WriteString(RegRoot::CurrentUser, key, L"RecordFile", file);
    ASSERT_TRUE(Start());
  }
  void TearDown() override { meter.reset(); }  // its files close before the folder goes
  // Runs the recorder window from its command; `edit` acts inside its loop, then OK.
  void RunRecorder(void (*edit)(HWND)) {
    static void (*script)(HWND);
    script = edit;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
      HWND w = ::FindWindowW(nullptr, L"Rates Recorder");
      if (!w || !::IsWindowVisible(w)) return;
      script(w);
      ::SendMessageW(w, WM_COMMAND, IDOK, 0);
    });
    Command(ID_RATES_RECORDER);
    ::KillTimer(nullptr, timer);
  }
  TempFolder dir;
  std::wstring file = dir / L"all.csv";
};

TEST_F(MeterRecorder, TicksWriteLinesAndApplyingReopensOnlyAChangedRow) {
  adapters.Count(3, 700, 30);
  TickSeconds(2);
  const std::string first = ReadFileBytes(file);
  EXPECT_EQ(Count(first, "File:,Traffic Rates Log"), 1u);
  EXPECT_NE(first.find("Unit:,bit\r\n\r\nDate,Time,Download,Up,Both\r\n12/08/2026,10:00:01,5600,240,5840\r\n"),
            std::string::npos) << first;  // bits: the default unit

  RunRecorder([](HWND) {});  // unchanged: the file stays open, no new header
  EXPECT_FALSE(meter->flags().modalOpen);
  TickSeconds(1);
  EXPECT_EQ(Count(ReadFileBytes(file), "File:,Traffic Rates Log"), 1u);

  RunRecorder([](HWND w) {
    ListView_SetItemState(::GetDlgItem(w, IDC_REC_LIST), 0, LVIS_SELECTED, LVIS_SELECTED);
    ::SetDlgItemTextW(w, IDC_REC_INTERVAL, L"2");
  });
  const std::string after = ReadFileBytes(file);
  EXPECT_EQ(Count(after, "File:,Traffic Rates Log"), 2u);
  EXPECT_NE(after.find("Interval:,2 Sec\r\n"), std::string::npos);
  DWORD interval = 0;
  EXPECT_TRUE(ReadDwordValue(HKEY_CURRENT_USER, reg.key(L"AdaptersEx\\100-"), L"RecordInterval", interval));
  EXPECT_EQ(interval, 2u);
}

// While the service records, the meter keeps no file, copies the values to
// the machine-wide root and asks for the service's restart after OK.
TEST_F(MeterRecorder, TheServiceRecordsInstead) {
  struct RunningService : ServiceControl {
    int Query() override { return kServiceStateRunning; }
    bool Install() override { return false; }
    bool StartAndWait() override { return true; }
    bool StopAndWait() override { return false; }
    bool Remove() override { return false; }
  } running;
  env.service = &running;
  const std::wstring service = reg.key(L"Service");
  registry.WriteDword(RegRoot::CurrentUser, service, L"ServiceEnabled", 1);
  registry.WriteBinary(RegRoot::CurrentUser, service, L"ServiceOptions", {1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0});
  meter.reset();
  ::DeleteFileW(file.c_str());
  ASSERT_TRUE(Start());
  TickSeconds(1);
  EXPECT_EQ(::GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
  messages.clear();
  RunRecorder([](HWND w) {
    ListView_SetItemState(::GetDlgItem(w, IDC_REC_LIST), 0, LVIS_SELECTED, LVIS_SELECTED);
    ::SetDlgItemTextW(w, IDC_REC_INTERVAL, L"9");
  });
  EXPECT_EQ(messages, std::vector<std::wstring>{L"Zephra|Rates recorder is enabled in service, please restart Zephra "
                                                L"Service to make options take effect."});
  DWORD interval = 0;
  EXPECT_TRUE(ReadDwordValue(HKEY_LOCAL_MACHINE, reg.key(L"AdaptersEx\\100-"), L"RecordInterval", interval));
  EXPECT_EQ(interval, 9u);
  TickSeconds(9);  // the changed row is still the service's: OK's check made the file, nothing writes it
  EXPECT_EQ(ReadFileBytes(file), "");
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, reg.root().substr(0, reg.root().size() - 1).c_str());
}

class StopwatchTest : public MeterTest {
protected:
  void SetUp() override {
    adapters.Add("{AAAAAAAA-0000-0000-0000-000000000001}", 3);
    ASSERT_TRUE(Start());
  }
  StopwatchInput Input() {
    StopwatchInput in;
    for (const auto& e : meter->catalogue().entries) in.connections.push_back({e->name, &e->history, e->resetMenuId});
    in.meter = hwnd;
    return in;
  }
  void Second(uint64_t down, uint64_t up) {
    adapters.Count(3, down, up);
    TickSeconds(1);
  }
};

TEST_F(StopwatchTest, WorkedExampleThroughTheTickAndTheTimer) {
  Second(5000, 5000);
  Second(5000, 5000);
  StopwatchInput in = Input();
  in.resetGraphOnStart = true;
  CStopwatchDlg dlg(in);
  HWND w = dlg.Create(nullptr);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(ItemText(w, IDC_SW_ELAPSED), L"00 : 00 : 00");
  ::SendMessageW(w, WM_COMMAND, IDC_SW_START, 0);
  EXPECT_TRUE(meter->catalogue()[0].history.empty());  // the reset reached the meter
  EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(w, IDC_SW_CONNECTION)));
  EXPECT_EQ(ItemText(w, IDC_SW_START), L"&Stop");
  auto timer = [&] { ::SendMessageW(w, WM_TIMER, kStopwatchTimerId, 0); };
  Second(100, 10);
  timer();
  timer();  // no new sample: nothing counted twice
  Second(50, 20);
  Second(200, 5);
  timer();  // two samples since the last tick: both counted
  const std::pair<int, const wchar_t*> expected[] = {
      {IDC_SW_ELAPSED, L"00 : 00 : 03"}, {IDC_SW_TOTAL_DOWN, L"350 B"}, {IDC_SW_MAX_DOWN, L"200 B/s"},
      {IDC_SW_MIN_DOWN, L"50 B/s"},      {IDC_SW_AVG_DOWN, L"116 B/s"}, {IDC_SW_TOTAL_UP, L"35 B"},
      {IDC_SW_MAX_UP, L"20 B/s"},        {IDC_SW_MIN_UP, L"5 B/s"},     {IDC_SW_AVG_UP, L"11 B/s"},
      {IDC_SW_TOTAL_DOWN_BITS, L"2.8 kb"},
  };
  for (const auto& [id, text] : expected) EXPECT_EQ(ItemText(w, id), text) << id;

  // Stop keeps the figures; Start without a connection warns and changes nothing.
  ::SendMessageW(w, WM_COMMAND, IDC_SW_START, 0);
  EXPECT_EQ(ItemText(w, IDC_SW_START), L"&Start");
  std::vector<std::wstring> shown;
  dlg.SetMessageBox([&](HWND, const std::wstring& text, UINT) {
    shown.push_back(text);
    return IDOK;
  });
  ::SendDlgItemMessageW(w, IDC_SW_CONNECTION, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  ::SendMessageW(w, WM_COMMAND, IDC_SW_START, 0);
  EXPECT_EQ(shown, std::vector<std::wstring>{L"Please select an adapter."});
  EXPECT_FALSE(dlg.span().running);
  EXPECT_EQ(ItemText(w, IDC_SW_TOTAL_DOWN), L"350 B");
  ::DestroyWindow(w);
}

TEST_F(StopwatchTest, TheOnTopBoxAndCloseHandTheOptionsBack) {
  StopwatchInput in = Input();
  in.alwaysOnTop = true;
  CStopwatchDlg dlg(in);
  HWND w = dlg.Create(nullptr);
  ASSERT_NE(w, nullptr);
  PumpPending();  // the posted on-top command
  EXPECT_TRUE(::GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(::GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  ::CheckDlgButton(w, IDC_SW_ON_TOP, BST_UNCHECKED);
  ::CheckDlgButton(w, IDC_SW_RESET_GRAPH, BST_CHECKED);
  ::SendMessageW(w, WM_COMMAND, IDC_SW_ON_TOP, 0);
  EXPECT_FALSE(::GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
  ::SendMessageW(w, WM_CLOSE, 0, 0);
  EXPECT_FALSE(dlg.alwaysOnTop());
  EXPECT_TRUE(dlg.resetGraphOnStart());
}

// Pictures of both windows for the documentation (scripts/screenshots.sh).
class RecorderStopwatchScreenshots : public StopwatchTest {};
TEST_F(RecorderStopwatchScreenshots, DISABLED_BothWindows) {
  const wchar_t* dir = _wgetenv(L"ZEPHRA_SCREENSHOT_DIR");
  ASSERT_NE(dir, nullptr) << "set ZEPHRA_SCREENSHOT_DIR";
  CStopwatchDlg stopwatch(Input());
  HWND w = stopwatch.Create(nullptr);
  ASSERT_NE(w, nullptr);
  ::SendMessageW(w, WM_COMMAND, IDC_SW_START, 0);
  const uint64_t rates[][2] = {{182000, 9100}, {240500, 12800}, {96300, 4400}, {310200, 15100}, {150000, 7000}};
  for (int s = 0; s < 65; ++s) {
    Second(rates[s % 5][0], rates[s % 5][1]);
    ::SendMessageW(w, WM_TIMER, kStopwatchTimerId, 0);
  }
  ::ShowWindow(w, SW_SHOW);
  ::SetForegroundWindow(w);
  PumpPending();
  ::Sleep(300);
  PumpPending();
  EXPECT_TRUE(WriteScreenBmp(w, std::wstring(dir) + L"\\stopwatch.bmp"));
  ::DestroyWindow(w);

  CRecorderDlg recorder({L"All Connections", L"Dial-Up Connections", L"Ethernet [192.168.1.20]", L"Wi-Fi"},
                        {{true, 1, true, L"C:\\Rates\\all.csv"}, {}, {true, 10, false, L"C:\\Rates\\ethernet.txt"}, {}});
  HWND r = recorder.Create(nullptr);
  ASSERT_NE(r, nullptr);
  ListView_SetItemState(recorder.list().hwnd(), 2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ::ShowWindow(r, SW_SHOW);
  ::SetForegroundWindow(r);
  PumpPending();
  ::Sleep(300);
  PumpPending();
  EXPECT_TRUE(WriteScreenBmp(r, std::wstring(dir) + L"\\rates-recorder.bmp"));
  ::DestroyWindow(r);
}

}  // namespace
