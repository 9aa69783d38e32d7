// The Service page and the report dialog driven by messages, and the meter
// window applying the page: the machine-wide copies, the log switched between
// read-only and read-write, and the service calls in their order.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/service_switch_win.h"
#include "res/resource.h"
#include "settings/opt_service_page_win.h"
#include "settings/options_sheet_win.h"
#include "settings/report_job_dlg_win.h"
#include "shell_support.h"
#include "trafficlog/log_format.h"

namespace {

// Records the calls; answers the state query and the stop as told.
class FakeService : public ServiceControl {
public:
  int Query() override { calls += L"query "; return state; }
  bool Install() override { calls += L"install "; state = kServiceStateStopped; return true; }
  bool StartAndWait() override { calls += L"start "; state = kServiceStateRunning; return true; }
  bool StopAndWait() override {
    calls += L"stop ";
    if (stops) state = kServiceStateStopped;
    return stops;
  }
  bool Remove() override { calls += L"remove "; state = kServiceStateNotInstalled; return true; }
  int state = kServiceStateNotInstalled;
  bool stops = true;
  std::wstring calls;
};

// The helper as the meter sees it: the privileged steps in this process (over
// the fake service), or an outcome the test names.
class HelperStandIn : public ServiceSwitcher {
public:
  explicit HelperStandIn(ServiceSwitcher& real) : real_(real) {}
  ServiceSwitchResult Switch(bool enable) override { return scripted ? *scripted : real_.Switch(enable); }
  std::optional<ServiceSwitchResult> scripted;

private:
  ServiceSwitcher& real_;
};

ReportJob Job(int32_t type, int32_t kind, const char* id, int32_t interval, const wchar_t* file) {
  return ReportJob{type, kind, id, interval, 0, file};
}

class ServicePageTest : public MeterTest {
public:
  void SetUp() override {
    adapters.Add("{AAAAAAAA-0000-0000-0000-000000000001}", 1);
    env.service = &service;
    env.switcher = &helper;
    ASSERT_TRUE(Start());
  }
  void TearDown() override { sheet.reset(); }

  void Open(const ServiceSettings& settings) {
    sheet.reset();
    page = std::make_unique<COptServicePage>(settings, meter->AdapterRows());
    page->SetEditJob([this](HWND, ReportJob& job) {
      edited.push_back(job);
      if (answers.empty()) return false;
      job = answers.front();
      answers.erase(answers.begin());
      return true;
    });
    page->SetOpen([this](const std::wstring& target, const wchar_t* verb, int) { opened.push_back(std::wstring(verb) + L"|" + target); });
    page->SetShield([this](HWND button, bool on) { shields[::GetDlgCtrlID(button)] = on; });
    sheet = std::make_unique<COptionsSheet>(::GetModuleHandleW(nullptr), hwnd);
    sheet->AddPage(*page);
    ASSERT_NE(sheet->Create(hwnd), nullptr);
    dlg = page->hwnd();
  }
  void Click(int id) {
    ::SendDlgItemMessageW(dlg, id, BM_CLICK, 0, 0);
    PumpPending();
  }
  void Apply() {
    ::SendMessageW(sheet->hwnd(), PSM_PRESSBUTTON, PSBTN_APPLYNOW, 0);
    PumpPending();
  }
  HWND List() const { return ::GetDlgItem(dlg, IDC_SVC_REPORTS); }
  void SelectRow(int row) {
    ListView_SetItemState(List(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
  std::wstring Row(int row) const {
    std::wstring out;
    for (int c = 0; c < 4; ++c) {
      wchar_t buffer[128] = {};
      ListView_GetItemText(List(), row, c, buffer, 128);
      out += (c ? L"|" : L"") + std::wstring(buffer);
    }
    return out;
  }
  bool Enabled(int id) const { return ::IsWindowEnabled(::GetDlgItem(dlg, id)) != FALSE; }
  std::vector<std::wstring> ValueNames(HKEY root, const std::wstring& key) const {
    std::vector<std::wstring> names;
    HKEY k;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return names;
    for (DWORD i = 0;; ++i) {
      wchar_t name[256];
      DWORD len = 256;
      if (::RegEnumValueW(k, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      names.push_back(name);
    }
    ::RegCloseKey(k);
    return names;
  }
  void ApplyPage(const ServiceSettings& s) {
    Open(s);
    Click(IDC_SVC_ENABLE);
    Click(IDC_SVC_ENABLE);  // twice: the page is modified, the box unchanged
    Apply();
  }

  bool Checked(int id) const { return ::IsDlgButtonChecked(dlg, id) == BST_CHECKED; }
  DWORD StoredEnabled() const {
    DWORD enabled = 9;
    ReadDwordValue(HKEY_CURRENT_USER, reg.key(L"Service"), L"ServiceEnabled", enabled);
    return enabled;
  }

  FakeService service;
  WinServiceSwitcher inProcess{registry, reg.root(), service, WinServiceSwitcher::Mode::InProcess};
  HelperStandIn helper{inProcess};
  std::map<int, bool> shields;
  std::unique_ptr<COptServicePage> page;
  std::unique_ptr<COptionsSheet> sheet;
  HWND dlg = nullptr;
  std::vector<ReportJob> answers;
  std::vector<ReportJob> edited;
};

TEST_F(ServicePageTest, RowsEnablingAndEditingTheList) {
  ServiceSettings s;
  s.reports = {Job(1, 100, "", 30, L"C:\\r\\day.csv"), Job(7, 300, "{NOT-HERE}", 5, L"C:\\r\\x.txt")};
  Open(s);
  EXPECT_EQ(Row(0), L"Daily Report|All Connections|30 sec.|C:\\r\\day.csv");
  EXPECT_EQ(Row(1), L"Summary Report||5 sec.|C:\\r\\x.txt");
  // Off: the options, the list and add are disabled; edit and delete need a row too.
  for (int id : {IDC_SVC_EMAIL, IDC_SVC_RECORD, IDC_SVC_REPORTS, IDC_SVC_REPORTS_LABEL, IDC_SVC_ADD, IDC_SVC_EDIT,
                 IDC_SVC_DELETE})
    EXPECT_FALSE(Enabled(id)) << id;
  Click(IDC_SVC_ENABLE);
  EXPECT_TRUE(page->modified());
  EXPECT_TRUE(Enabled(IDC_SVC_ADD));
  EXPECT_FALSE(Enabled(IDC_SVC_EDIT));
  SelectRow(1);
  EXPECT_TRUE(Enabled(IDC_SVC_EDIT));
  EXPECT_TRUE(Enabled(IDC_SVC_DELETE));

  answers = {Job(3, 300, "{AAAAAAAA-0000-0000-0000-000000000001}", 3600, L"C:\\r\\m.htm")};
  Click(IDC_SVC_EDIT);
  ASSERT_EQ(edited.size(), 1u);
  EXPECT_EQ(edited[0].file, L"C:\\r\\x.txt");
  EXPECT_EQ(Row(1).substr(0, 15), L"Monthly Report|");
  Click(IDC_SVC_ADD);  // cancelled: nothing added
  ASSERT_EQ(edited.size(), 2u);
  EXPECT_EQ(edited[1], Job(0, 100, "", 60, L""));
  EXPECT_EQ(ListView_GetItemCount(List()), 2);
  answers = {Job(2, 200, "", 10, L"C:\\r\\w.txt")};
  Click(IDC_SVC_ADD);
  EXPECT_EQ(Row(2), L"Weekly Report|Dial-Up Connections|10 sec.|C:\\r\\w.txt");
  SelectRow(0);
  Click(IDC_SVC_DELETE);
  EXPECT_EQ(ListView_GetItemCount(List()), 2);
  Click(IDC_SVC_CONSOLE);
  EXPECT_EQ(opened.back(), L"open|services.msc");
}

TEST_F(ServicePageTest, ReportDialogChecksInOrder) {
  CReportDlg report(Job(0, 100, "", 60, L""), meter->AdapterRows());
  std::vector<std::wstring> shown;
  report.SetMessageBox([&](HWND, const std::wstring& text, UINT) {
    shown.push_back(text + L"@" + std::to_wstring(::GetDlgCtrlID(::GetFocus())));
    return IDOK;
  });
  HWND d = report.Create(hwnd);
  ASSERT_NE(d, nullptr);
  ::ShowWindow(d, SW_SHOW);
  auto ok = [&] { ::SendMessageW(d, WM_COMMAND, IDOK, 0); PumpPending(); };
  ::SendDlgItemMessageW(d, IDC_JOB_TYPE, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  ok();
  ::SendDlgItemMessageW(d, IDC_JOB_TYPE, CB_SETCURSEL, 2, 0);
  ::SendDlgItemMessageW(d, IDC_JOB_CONNECTION, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  ok();
  ::SendDlgItemMessageW(d, IDC_JOB_CONNECTION, CB_SETCURSEL, 2, 0);
  ::SetDlgItemTextW(d, IDC_JOB_INTERVAL, L"0");
  ok();
  ::SetDlgItemTextW(d, IDC_JOB_INTERVAL, L"32768");
  ok();
  ::SetDlgItemTextW(d, IDC_JOB_INTERVAL, L"90");
  ok();
  EXPECT_EQ(shown, (std::vector<std::wstring>{L"Please select a report type.@1178", L"Please select an adapter.@1043",
                                              L"The interval seconds should be greater than or equal to 1.@1179",
                                              L"The interval must be between 1 and 32767.@1179",
                                              L"Please enter a report file name@1181"}));
  ::SetDlgItemTextW(d, IDC_JOB_FILE, L"C:\\r\\week.csv");
  ok();
  EXPECT_EQ(report.result(), IDOK);
  EXPECT_EQ(report.job(), Job(2, 300, "{AAAAAAAA-0000-0000-0000-000000000001}", 90, L"C:\\r\\week.csv"));
}

TEST_F(ServicePageTest, SwitchingOnCopiesMachineWideOpensReadOnlyAndStartsTheService) {
  TickSeconds(5);
  ServiceSettings s;
  s.enabled = true;
  s.reports = {Job(0, 100, "", 60, L"C:\\1.txt"), Job(0, 100, "", 60, L"C:\\2.txt"), Job(0, 100, "", 60, L"C:\\3.txt")};
  ApplyPage(s);
  EXPECT_EQ(service.calls, L"query install start ");
  EXPECT_TRUE(meter->serviceSettings().enabled);
  EXPECT_TRUE(meter->log().serviceMode());
  EXPECT_FALSE(meter->log().file()->writable());
  // The groups the service reads, and no others.
  const std::wstring options = reg.key(L"Options");
  for (const wchar_t* name : {L"TrafficLogFile", L"WeekStartDay", L"DateFormat", L"SumLastDays", L"NotificationEnabled",
                              L"NotificationEx2U"})
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, options, name)) << name;
  for (const wchar_t* name : {L"DisplayGraph", L"GraphBkgColor", L"RateFontU", L"HWND", L"WndPosition", L"STIfType"})
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, options, name)) << name;
  EXPECT_EQ(ValueNames(HKEY_LOCAL_MACHINE, reg.key(L"Service\\Reports")).size(), 3u);
  DWORD enabled = 0;
  EXPECT_TRUE(ReadDwordValue(HKEY_LOCAL_MACHINE, reg.key(L"Service"), L"ServiceEnabled", enabled));
  EXPECT_EQ(enabled, 1u);
  EXPECT_FALSE(ValueNames(HKEY_LOCAL_MACHINE, reg.key(L"AdaptersEx\\100-")).empty());

  // Applied again while running: only the copies are written, without the helper.
  ApplyPage(s);
  EXPECT_EQ(service.calls, L"query install start ");
}

TEST_F(ServicePageTest, SwitchingOnHandsTheServiceTheLogOfTheNextStart) {
  TickSeconds(2);
  const std::wstring next = TempFilePath(L"zephra-next-log");
  meter->SetNextStartLogPath(next);  // as Change in the reports window does
  ServiceSettings s;
  s.enabled = true;
  ApplyPage(s);
  wchar_t handed[512] = {};
  DWORD size = sizeof handed;
  EXPECT_EQ(::RegGetValueW(HKEY_LOCAL_MACHINE, reg.key(L"Options").c_str(), L"TrafficLogFile", RRF_RT_REG_SZ, nullptr,
                           handed, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(handed), next);
  EXPECT_EQ(meter->log().path(), next);
  EXPECT_TRUE(meter->log().isOpen());
  ::DeleteFileW(next.c_str());
}

TEST_F(ServicePageTest, SwitchingOffReopensReadWriteOnlyOnceTheServiceStopped) {
  for (bool stops : {false, true}) {
    SCOPED_TRACE(stops);
    ServiceSettings s;
    s.enabled = true;
    ApplyPage(s);
    service.calls.clear();
    service.stops = stops;
    messages.clear();
    // Meanwhile the service has written today's records.
    uint8_t bytes[kLogHeaderSize + kDayRecordSize];
    EncodeLogHeader(bytes);
    EncodeDayRecord(DayRecord{2026, 12, 8, 2, 100, "", 123456, 789}, bytes + kLogHeaderSize);
    ASSERT_TRUE(WriteFileBytes(env.logPath, std::string(reinterpret_cast<char*>(bytes), sizeof bytes)));
    TickSeconds(1);
    adapters.Count(1, 5000, 0);  // counted by the service before it stopped
    s.enabled = false;
    ApplyPage(s);
    EXPECT_EQ(service.calls, L"query stop remove ");
    EXPECT_EQ(meter->catalogue()[0].todayIn, stops ? 123456u : 0u);  // reloaded only from a log of its own
    TickSeconds(1);
    if (stops) {
      EXPECT_EQ(meter->catalogue()[0].todayIn, 123456u);  // fresh baselines: not counted twice
    }
    EXPECT_EQ(meter->log().serviceMode(), !stops);
    EXPECT_EQ(messages.size(), stops ? 0u : 1u);
    DWORD enabled = 1;
    EXPECT_TRUE(ReadDwordValue(HKEY_CURRENT_USER, reg.key(L"Service"), L"ServiceEnabled", enabled));
    EXPECT_EQ(enabled, 0u);
  }
  // Read-write again: the next slice's counts reach the file.
  TickSeconds(2);
  EXPECT_TRUE(meter->log().file()->writable());
}

TEST_F(ServicePageTest, EveryOutcomeOfTheHelperLeavesOneWriterOfTheLog) {
  auto step = [](ServiceStep failed) { return FromServiceHelperExitCode(ServiceHelperExitCode({failed, 5})); };
  struct Case {
    ServiceSwitchResult result;
    bool serviceMode;
    const wchar_t* says;
  };
  const Case cases[] = {
      {{ServiceStep::Approval, kErrorCancelled}, false, L"needs administrator approval"},
      {step(ServiceStep::Helper), false, L"running the helper"},
      {step(ServiceStep::KeyAccess), false, L"securing the machine-wide settings failed"},
      {step(ServiceStep::Copies), false, L"writing the machine-wide copies"},
      {step(ServiceStep::Install), false, L"installing the service failed.\n\nAdministrator rights"},
      {step(ServiceStep::Start), false, L"starting the service failed"},
      {{}, true, nullptr},  // last: the meter stays on for what follows
  };
  ServiceSettings on;
  on.enabled = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.result.failed));
    messages.clear();
    helper.scripted = c.result;
    ApplyPage(on);
    EXPECT_EQ(meter->serviceSettings().enabled, c.serviceMode);
    EXPECT_EQ(meter->log().serviceMode(), c.serviceMode);
    EXPECT_EQ(meter->log().file()->writable(), !c.serviceMode);
    EXPECT_EQ(StoredEnabled(), c.serviceMode ? 1u : 0u);
    EXPECT_EQ(Checked(IDC_SVC_ENABLE), c.serviceMode);
    EXPECT_FALSE(shields[IDOK] || shields[ID_APPLY_NOW]);
    ASSERT_EQ(messages.size(), c.says ? 1u : 0u);
    if (c.says) {
      EXPECT_NE(messages[0].find(c.says), std::wstring::npos) << messages[0];
    }
  }
  // Declined while on: nothing changes, the service keeps the log.
  helper.scripted = ServiceSwitchResult{ServiceStep::Approval, kErrorCancelled};
  messages.clear();
  ApplyPage(ServiceSettings{});
  EXPECT_TRUE(meter->log().serviceMode());
  EXPECT_EQ(StoredEnabled(), 1u);
  EXPECT_EQ(messages.size(), 1u);
}

TEST_F(ServicePageTest, OkAndApplyCarryTheShieldWhileTheBoxDiffersFromTheRunningState) {
  Open(ServiceSettings{});
  EXPECT_FALSE(shields[IDOK]);
  Click(IDC_SVC_ENABLE);
  EXPECT_TRUE(shields[IDOK]);
  EXPECT_TRUE(shields[ID_APPLY_NOW]);
  Click(IDC_SVC_ENABLE);
  EXPECT_FALSE(shields[IDOK]);
  EXPECT_FALSE(shields[ID_APPLY_NOW]);
}

TEST_F(ServicePageTest, AServiceThatDoesNotRunLeavesTheLogToTheMeterAtStart) {
  ServiceSettings on;
  on.enabled = true;
  ASSERT_TRUE(SaveServiceSettings(registry, RegRoot::CurrentUser, reg.root(), on));
  service.state = kServiceStateStopped;
  ASSERT_TRUE(Start());
  PumpPending();
  EXPECT_FALSE(meter->serviceSettings().enabled);
  EXPECT_TRUE(meter->log().file()->writable());
  EXPECT_EQ(messages, std::vector<std::wstring>{std::wstring(L"Zephra|") + kServiceNotRunningText});
}

using ServiceScreenshots = ServicePageTest;

TEST_F(ServiceScreenshots, DISABLED_ReportDialog) {
  const wchar_t* dir = _wgetenv(L"ZEPHRA_SCREENSHOT_DIR");
  ASSERT_NE(dir, nullptr) << "set ZEPHRA_SCREENSHOT_DIR";
  ServiceSettings s;
  s.enabled = true;
  s.sendMail = true;
  s.reports = {Job(0, 100, "", 60, L"C:\\Reports\\summary.csv"),
               Job(1, 300, "{AAAAAAAA-0000-0000-0000-000000000001}", 3600, L"C:\\Reports\\daily.htm")};
  CReportDlg report(s.reports[1], meter->AdapterRows());
  HWND d = report.Create(hwnd);
  ::ShowWindow(d, SW_SHOW);
  ::SetWindowPos(d, HWND_TOP, 60, 40, 0, 0, SWP_NOSIZE);
  ::RedrawWindow(d, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  PumpUntil([] { return false; }, 400);
  EXPECT_TRUE(WriteScreenBmp(d, std::wstring(dir) + L"\\report-job.bmp"));
  ::DestroyWindow(d);
}

}  // namespace
