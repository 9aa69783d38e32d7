// The real reports window driven with messages over a log of the test's own:
// the opening connection, unit-aware and date sorting, the current row after
// a sort, Clear, Restore, Backup, the selection label and the export.
#include <gtest/gtest.h>

#include "core/log_test_support.h"
#include "measure/catalogue.h"
#include "res/resource.h"
#include "shell_support.h"
#include "trafficlog/summary_sheet_win.h"

namespace {

// Stands in for the meter window: clearing the log zeroes today's counters.
struct MeterStandIn {
  std::vector<AdapterEntry*> entries;
  int clears = 0;
  HWND hwnd = nullptr;

  static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<MeterStandIn*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
    if (msg == WM_LOG_CLEARED && self) {
      ++self->clears;
      for (AdapterEntry* e : self->entries) e->todayIn = e->todayOut = 0;
      return TRUE;  // cleared
    }
    return ::DefWindowProcW(h, msg, wp, lp);
  }
  void Create() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZephraMeterStandIn";
    ::RegisterClassW(&wc);
    hwnd = ::CreateWindowW(L"ZephraMeterStandIn", L"Zephra", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                           wc.hInstance, nullptr);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~MeterStandIn() {
    if (hwnd) ::DestroyWindow(hwnd);
  }
};

class ReportsWindow : public ::testing::Test {
protected:
  void SetUp() override {
    all.kind = kKindAll;
    all.name = L"All Connections";
    dial.kind = kKindDialUp;
    dial.name = L"Dial-Up Connections";
    lan.id = "{LAN}";
    lan.name = L"LAN";
    lan.todayIn = 500;
    lan.todayOut = 100;
    meter.entries = {&all, &dial, &lan};
    meter.Create();
    env.now = [this] { return now; };
    env.messageBox = [this](HWND, const std::wstring& text, UINT type) {
      messages.push_back(text);
      return (type & MB_YESNO) ? answer : IDOK;
    };
    env.chooseFile = [this](HWND, const FileRequest& r, std::wstring& path, DWORD& filter) {
      requests.push_back(r);
      if (chosen.empty()) return false;
      path = chosen;
      filter = chosenFilter;
      return true;
    };
    env.openDocument = [this](const std::wstring& path) { opened.push_back(path); };
    env.encode = &ToWindows1252;
    env.writeAll = DefaultReportsEnvironment().writeAll;
    input.log = &log;
    input.entries = meter.entries;
    input.selected = {300, "{LAN}"};
    input.logPath = logPath;
  }
  void TearDown() override {
    sheet.reset();
    for (const auto& f : cleanup) ::DeleteFileW(f.c_str());
  }
  void Add(int y, int m, int d, uint64_t down, uint64_t up) {
    uint8_t image[kDayRecordSize];
    EncodeDayRecord(Rec(y, m, d, 300, "{LAN}", down, up), image);
    uint64_t size = 0;
    log.Size(size);
    log.WriteAt(size < kLogHeaderSize ? kLogHeaderSize : size, image, sizeof image);
  }
  void Open() {
    sheet = std::make_unique<CSummarySheet>(input, env);
    ASSERT_NE(sheet->Create(::GetModuleHandleW(nullptr), meter.hwnd), nullptr);
    PumpPending();
  }
  CSumListPage& Show(int page) {
    ::SendMessageW(sheet->hwnd(), PSM_SETCURSEL, static_cast<WPARAM>(page), 0);
    PumpPending();
    return sheet->listPage(page);
  }
  void ClickHeader(CSumListPage& page, int column) {
    NMLISTVIEW n{};
    n.hdr.hwndFrom = page.list().hwnd();
    n.hdr.idFrom = IDC_SUM_LIST;
    n.hdr.code = LVN_COLUMNCLICK;
    n.iItem = -1;
    n.iSubItem = column;
    ::SendMessageW(page.hwnd(), WM_NOTIFY, IDC_SUM_LIST, reinterpret_cast<LPARAM>(&n));
  }
  std::vector<std::wstring> Column(const CSumListPage& page, int column) {
    std::vector<std::wstring> out;
    for (int i = 0; i < page.list().Count(); ++i) out.push_back(page.list().Text(i, column));
    return out;
  }
  std::wstring Text(HWND dialog, int id) {
    wchar_t buf[512] = {};
    ::GetDlgItemTextW(dialog, id, buf, 512);
    return buf;
  }

  AdapterEntry all, dial, lan;
  MeterStandIn meter;
  MemoryLogFile log;
  LocalTime now = MakeLocalTime(2026, 12, 8, 10, 0, 0);
  ReportsEnvironment env;
  ReportsInput input;
  std::wstring logPath = TempFilePath(L"zephra-reports");
  std::vector<std::wstring> cleanup{logPath};
  std::unique_ptr<CSummarySheet> sheet;
  std::vector<std::wstring> messages;
  std::vector<FileRequest> requests;
  std::vector<std::wstring> opened;
  std::wstring chosen;
  DWORD chosenFilter = 1;
  int answer = IDYES;
};

TEST_F(ReportsWindow, AStoredConnectionThatIsGoneOpensOnAllConnections) {
  input.selected = {300, "{GONE}"};
  Open();
  wchar_t title[128] = {};
  ::GetWindowTextW(sheet->hwnd(), title, 128);
  EXPECT_STREQ(title, L"Traffic Reports - [All Connections]");
  EXPECT_EQ(sheet->selected().kind, 100);
  EXPECT_EQ(::SendDlgItemMessageW(sheet->hwnd(), IDC_SUM_CONNECTION, CB_GETCURSEL, 0, 0), 0);
  EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(sheet->hwnd(), IDOK)));
  EXPECT_EQ(Text(sheet->hwnd(), IDCANCEL), L"&Close");
}

TEST_F(ReportsWindow, ByteCountsSortByTheirUnitAndASecondClickReverses) {
  Add(2026, 12, 1, 921600, 0);   // 900.0 KB
  Add(2026, 12, 2, 1572864, 0);  // 1.50 MB
  Add(2026, 12, 3, 2000, 0);     // 2.0 KB
  Open();
  CSumListPage& daily = Show(kPageDaily);
  ClickHeader(daily, 2);
  EXPECT_EQ(Column(daily, 2), (std::vector<std::wstring>{L"500 B", L"2.0 KB", L"900.0 KB", L"1.50 MB"}));
  EXPECT_EQ(daily.currentListRow(), 0);  // today's row found again after the sort
  ClickHeader(daily, 2);
  EXPECT_EQ(Column(daily, 2), (std::vector<std::wstring>{L"1.50 MB", L"900.0 KB", L"2.0 KB", L"500 B"}));
  EXPECT_EQ(daily.currentListRow(), 3);
}

TEST_F(ReportsWindow, DayMonthYearDatesSortByTheirDate) {
  input.options.dateFormat = 0x22;
  Add(2008, 2, 1, 1, 1);
  Add(2008, 1, 31, 1, 1);
  Open();
  CSumListPage& daily = Show(kPageDaily);
  ClickHeader(daily, 0);
  EXPECT_EQ(Column(daily, 0), (std::vector<std::wstring>{L"31/01/2008", L"01/02/2008", L"08/12/2026"}));
}

TEST_F(ReportsWindow, ClearLeavesOneCurrentRowPerListThatFollowsTheRestartedCounters) {
  Add(2026, 11, 20, 5000, 5000);
  Add(2026, 12, 7, 5000, 5000);
  Open();
  for (int page : {kPageDaily, kPageWeekly, kPageMonthly}) Show(page);
  ::SendMessageW(sheet->hwnd(), WM_COMMAND, MAKEWPARAM(IDC_SUM_CLEAR, BN_CLICKED), 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(meter.clears, 1);
  for (int page : {kPageDaily, kPageWeekly, kPageMonthly}) {
    const CSumListPage& p = sheet->listPage(page);
    ASSERT_EQ(p.list().Count(), 1) << page;
    EXPECT_EQ(p.list().Text(0, 2), L"0 B") << page;
  }
  EXPECT_EQ(Text(sheet->summaryPage().hwnd(), 1074), L"0 B");  // the total
  lan.todayIn = 2048;  // traffic since the clear
  CSumListPage& monthly = Show(kPageMonthly);
  ::SendMessageW(monthly.hwnd(), WM_TIMER, kSumRefreshTimer, 0);
  EXPECT_EQ(monthly.list().Text(0, 2), L"2.0 KB");
  EXPECT_EQ(monthly.list().Text(0, 1), L"12/01/2026 -- 12/31/2026");
}

TEST_F(ReportsWindow, InServiceModeClearExplainsAndEmptiesNothing) {
  Add(2026, 12, 7, 5000, 5000);
  input.serviceMode = true;
  Open();
  ::SendMessageW(sheet->hwnd(), WM_COMMAND, MAKEWPARAM(IDC_SUM_CLEAR, BN_CLICKED), 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find(L"cannot be cleared while"), std::wstring::npos);
  EXPECT_EQ(meter.clears, 0);
  EXPECT_EQ(Show(kPageDaily).list().Count(), 2);
}

TEST_F(ReportsWindow, ALogPathLongerThan259CharactersIsRefused) {
  Open();
  chosen = L"C:\\" + std::wstring(252, L'x') + L".log";  // 259 characters: taken
  const std::wstring longer = L"C:\\" + std::wstring(253, L'x') + L".log";
  ::SendMessageW(sheet->summaryPage().hwnd(), WM_COMMAND, MAKEWPARAM(IDC_SUM_CHANGE, BN_CLICKED), 0);
  EXPECT_EQ(sheet->logPath(), chosen);
  chosen = longer;
  messages.clear();
  ::SendMessageW(sheet->summaryPage().hwnd(), WM_COMMAND, MAKEWPARAM(IDC_SUM_CHANGE, BN_CLICKED), 0);
  EXPECT_EQ(sheet->logPath(), std::wstring(L"C:\\") + std::wstring(252, L'x') + L".log");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find(L"259 characters"), std::wstring::npos);
}

TEST_F(ReportsWindow, RestoreCopiesToTheFirstFreeNumberedName) {
  const std::wstring base = logPath.substr(0, logPath.size() - 4);
  const std::wstring first = base + L"_1.log", second = base + L"_2.log";
  const std::wstring backup = TempFilePath(L"zephra-backup");
  cleanup.insert(cleanup.end(), {first, second, backup});
  WriteFileBytes(first, "one");
  WriteFileBytes(backup, "restored");
  Open();
  chosen = backup;
  ::SendMessageW(sheet->summaryPage().hwnd(), WM_COMMAND, MAKEWPARAM(IDC_SUM_RESTORE, BN_CLICKED), 0);
  EXPECT_EQ(ReadFileBytes(second), "restored");
  EXPECT_EQ(requests[0].initialFolder, logPath.substr(0, logPath.find_last_of(L'\\') + 1) + L"Backups\\");
  EXPECT_EQ(sheet->logPath(), second);
  EXPECT_EQ(Text(sheet->summaryPage().hwnd(), IDC_SUM_LOG_PATH), second);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], L"The new change won't take effect until the program restarts.");
}

TEST_F(ReportsWindow, AFailedBackupLeavesTheOldOneAndNoTemporaryFile) {
  Add(2026, 12, 7, 5000, 5000);
  const std::wstring target = TempFilePath(L"zephra-backup");
  cleanup.insert(cleanup.end(), {target, target + L".part"});
  WriteFileBytes(target, "old backup");
  Open();
  log.failReads = true;  // the copy breaks off
  chosen = target;
  ::SendMessageW(sheet->summaryPage().hwnd(), WM_COMMAND, MAKEWPARAM(IDC_SUM_BACKUP, BN_CLICKED), 0);
  EXPECT_EQ(ReadFileBytes(target), "old backup");
  EXPECT_EQ(::GetFileAttributesW((target + L".part").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(messages, std::vector<std::wstring>{L"Failed to copy file."});
  log.failReads = false;
  messages.clear();
  ::SendMessageW(sheet->summaryPage().hwnd(), WM_COMMAND, MAKEWPARAM(IDC_SUM_BACKUP, BN_CLICKED), 0);
  EXPECT_EQ(ReadFileBytes(target), std::string(log.bytes().begin(), log.bytes().end()));
  EXPECT_TRUE(messages.empty());
}

TEST_F(ReportsWindow, BackupOntoTheLogItselfDoesNothing) {
  WriteFileBytes(logPath, "log bytes");
  Open();
  chosen = logPath;
  for (wchar_t& c : chosen) c = static_cast<wchar_t>(::towupper(c));
  ::SendMessageW(sheet->summaryPage().hwnd(), WM_COMMAND, MAKEWPARAM(IDC_SUM_BACKUP, BN_CLICKED), 0);
  EXPECT_EQ(ReadFileBytes(logPath), "log bytes");
  EXPECT_TRUE(messages.empty());
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].title, L"Backup");
}

TEST_F(ReportsWindow, TheSelectionLabelOfTheCurrentRowDoesNotFollowTheTimer) {
  Add(2026, 12, 7, 1000000, 1000);
  Open();
  CSumListPage& daily = Show(kPageDaily);
  ListView_SetItemState(daily.list().hwnd(), daily.currentListRow(), LVIS_SELECTED, LVIS_SELECTED);
  const std::wstring label = L"Selected: 1   Down: 500 B   Up: 100 B   Both: 600 B";
  EXPECT_EQ(Text(daily.hwnd(), IDC_SUM_SELECTION), label);
  lan.todayIn = 700;
  ::SendMessageW(daily.hwnd(), WM_TIMER, kSumRefreshTimer, 0);
  EXPECT_EQ(daily.list().Text(daily.currentListRow(), 2), L"700 B");
  EXPECT_EQ(Text(daily.hwnd(), IDC_SUM_SELECTION), label);
}

TEST_F(ReportsWindow, ExportWritesTheChosenFormatAndOffersToOpenIt) {
  Add(2026, 12, 7, 1000, 10);
  Open();
  Show(kPageDaily);
  const std::wstring name = TempFilePath(L"zephra-export");
  chosen = name.substr(0, name.size() - 4);  // no extension, CSV filter
  chosenFilter = 2;
  cleanup.push_back(chosen + L".csv");
  ::SendMessageW(sheet->hwnd(), WM_COMMAND, MAKEWPARAM(IDC_SUM_EXPORT, BN_CLICKED), 0);
  EXPECT_EQ(ReadFileBytes(chosen + L".csv"),
            "Daily Traffic Report\r\n\r\nLAN [12/07/2026 --- 12/08/2026]\r\n\r\n"
            "Date,Day,Downloaded,Uploaded,Both\r\n"
            "12/07/2026,Monday,1.0 KB,10 B,1.0 KB\r\n"
            "12/08/2026,Tuesday,500 B,100 B,600 B\r\n"
            "\r\n\r\nThe report was generated by Zephra https://www.quarlen.example/zephra/\r\n");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].title, L"Export Daily Report");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], L"Successfully export daily traffic report to file '" + chosen +
                             L".csv'.\n\nDo you want to open it now?");
  EXPECT_EQ(opened, std::vector<std::wstring>{chosen + L".csv"});

  // The same name again: the added extension names a file that exists, which is not replaced unasked.
  messages.clear();
  answer = IDNO;
  ::SendMessageW(sheet->hwnd(), WM_COMMAND, MAKEWPARAM(IDC_SUM_EXPORT, BN_CLICKED), 0);
  EXPECT_EQ(messages, std::vector<std::wstring>{chosen + L".csv already exists.\nDo you want to replace it?"});

  // A folder that does not exist: a warning, no success question.
  messages.clear();
  chosen = L"Z:\\no-such-folder-zephra\\report";
  ::SendMessageW(sheet->hwnd(), WM_COMMAND, MAKEWPARAM(IDC_SUM_EXPORT, BN_CLICKED), 0);
  EXPECT_EQ(messages, std::vector<std::wstring>{L"Failed to create file 'Z:\\no-such-folder-zephra\\report.csv'."});

  // A write that fails halfway (a full disk): no success question, no file left to open.
  messages.clear();
  opened.clear();
  chosen = name.substr(0, name.size() - 4) + L"-full";
  env.writeAll = [](HANDLE file, const std::string& bytes) {
    DWORD put = 0;
    ::WriteFile(file, bytes.data(), 10, &put, nullptr);
    return false;
  };
  sheet.reset();
  Open();
  Show(kPageDaily);
  ::SendMessageW(sheet->hwnd(), WM_COMMAND, MAKEWPARAM(IDC_SUM_EXPORT, BN_CLICKED), 0);
  EXPECT_EQ(messages, std::vector<std::wstring>{L"Failed to write file '" + chosen + L".csv'."});
  EXPECT_EQ(::GetFileAttributesW((chosen + L".csv").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(opened.empty());
}

TEST_F(ReportsWindow, ClosingKeepsThePageNAndTheConnection) {
  input.startPage = kPageWeekly;
  Open();
  Show(kPageSummary);
  ::SetDlgItemTextW(sheet->summaryPage().hwnd(), IDC_SUM_DAYS, L"7");
  ::SendDlgItemMessageW(sheet->hwnd(), IDC_SUM_CONNECTION, CB_SETCURSEL, 1, 0);
  ::SendMessageW(sheet->hwnd(), WM_COMMAND, MAKEWPARAM(IDC_SUM_CONNECTION, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(::GetDlgItem(sheet->hwnd(), IDC_SUM_CONNECTION)));
  wchar_t title[128] = {};
  ::GetWindowTextW(sheet->hwnd(), title, 128);
  EXPECT_STREQ(title, L"Traffic Reports - [Dial-Up Connections]");
  Show(kPageMonthly);
  ::DestroyWindow(sheet->hwnd());
  EXPECT_EQ(sheet->lastPage(), kPageMonthly);
  EXPECT_EQ(sheet->lastDays(), 7);
  EXPECT_EQ(sheet->selected().kind, 200);
}

}  // namespace
