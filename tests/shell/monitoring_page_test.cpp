// The Monitoring page applied through the meter window: the endpoint serves
// what the tick counted, a port in use is told and the meter counts on, the
// service switch hands the endpoint over, and the page checks what is typed.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "alerts/smtp_win.h"
#include "res/resource.h"
#include "settings/opt_monitoring_page_win.h"
#include "settings/opt_service_page_win.h"
#include "settings/options_sheet_win.h"
#include "shell_support.h"

namespace {

class NoService : public ServiceControl {
public:
  int Query() override { return state; }
  bool Install() override { state = kServiceStateStopped; return true; }
  bool StartAndWait() override { state = kServiceStateRunning; return true; }
  bool StopAndWait() override { state = kServiceStateStopped; return true; }
  bool Remove() override { state = kServiceStateNotInstalled; return true; }
  int state = kServiceStateNotInstalled;
};

// A loopback port nobody listens on (for a moment).
uint16_t FreePort() {
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
  ::bind(s, reinterpret_cast<sockaddr*>(&at), sizeof at);
  int length = sizeof at;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&at), &length);
  ::closesocket(s);
  return ::ntohs(at.sin_port);
}

// The whole answer to one request, read until the server closes.
std::string Fetch(uint16_t port, const std::string& request) {
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  DWORD timeout = 5000;
  ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_port = ::htons(port);
  at.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
  std::string answer;
  if (::connect(s, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0) {
    ::send(s, request.data(), static_cast<int>(request.size()), 0);
    char buffer[4096];
    for (int n; (n = ::recv(s, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, n);
  }
  ::closesocket(s);
  return answer;
}

class MonitoringPageTest : public MeterTest {
public:
  void SetUp() override {
    ASSERT_TRUE(StartSockets());
    adapters.Add("{AAAAAAAA-0000-0000-0000-000000000001}", 1);
    env.service = &service;
    ASSERT_TRUE(Start());
    port = FreePort();
  }
  void TearDown() override { sheet.reset(); }

  void Open(const MetricsSettings& settings) {
    sheet.reset();
    page = std::make_unique<COptMonitoringPage>(settings);
    sheet = std::make_unique<COptionsSheet>(::GetModuleHandleW(nullptr), hwnd);
    sheet->AddPage(*page);
    sheet->SetMessageBox([](HWND, const std::wstring& text, UINT) {
      messages.push_back(text);
      return IDOK;
    });
    ASSERT_NE(sheet->Create(hwnd), nullptr);
    dlg = page->hwnd();
  }
  void Type(int id, const wchar_t* text) {
    ::SetDlgItemTextW(dlg, id, text);  // sends EN_CHANGE
    PumpPending();
  }
  void Apply() {
    ::SendMessageW(sheet->hwnd(), PSM_PRESSBUTTON, PSBTN_APPLYNOW, 0);
    PumpPending();
  }
  // The Service page's Apply with counting handed to the service or taken back.
  void ApplyService(bool on) {
    ServiceSettings s;
    s.enabled = on;
    COptServicePage servicePage(s, meter->AdapterRows());
    ::SendMessageW(hwnd, WM_OPTIONS_APPLIED, kPageService,
                   reinterpret_cast<LPARAM>(static_cast<COptionPage*>(&servicePage)));
  }

  NoService service;
  std::unique_ptr<COptionsSheet> sheet;
  std::unique_ptr<COptMonitoringPage> page;
  HWND dlg = nullptr;
  uint16_t port = 0;
};

TEST_F(MonitoringPageTest, ServesWhatTheTickCountedAndNoAddress) {
  Open(MetricsSettings{});
  ::SendDlgItemMessageW(dlg, IDC_MON_ENABLE, BM_CLICK, 0, 0);
  Type(IDC_MON_PORT, std::to_wstring(port).c_str());
  Apply();
  ASSERT_TRUE(meter->metricsServer().running());
  DWORD stored = 0;
  ASSERT_TRUE(ReadDwordValue(HKEY_CURRENT_USER, reg.key(L"Options"), L"MetricsPort", stored));
  EXPECT_EQ(stored, port);
  TickSeconds(1);
  adapters.Count(1, 123456, 789);
  TickSeconds(1);
  const std::string answer = Fetch(port, "GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n");
  EXPECT_EQ(answer.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << answer;
  EXPECT_NE(answer.find("zephra_receive_bytes_total{connection=\"{AAAAAAAA-0000-0000-0000-000000000001}\""),
            std::string::npos);
  EXPECT_NE(answer.find("\"} 123456\n"), std::string::npos) << answer;
  EXPECT_NE(answer.find("zephra_counting_program{program=\"meter\"} 1"), std::string::npos);
  EXPECT_EQ(Fetch(port, "DELETE /metrics HTTP/1.1\r\n\r\n").rfind("HTTP/1.1 405", 0), 0u);
}

TEST_F(MonitoringPageTest, APortInUseIsToldAndTheMeterCountsOn) {
  SOCKET taken = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_port = ::htons(port);
  at.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(taken, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
  ::listen(taken, 1);
  Open(MetricsSettings{false, L"127.0.0.1", port});
  ::SendDlgItemMessageW(dlg, IDC_MON_ENABLE, BM_CLICK, 0, 0);
  Apply();
  ::closesocket(taken);
  EXPECT_FALSE(meter->metricsServer().running());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find(L"already in use"), std::wstring::npos) << messages[0];
  const int ticks = meter->counters().ticks;
  TickSeconds(2);
  EXPECT_EQ(meter->counters().ticks, ticks + 2);
}

TEST_F(MonitoringPageTest, AnOpenAddressIsSaidAndABadPortKeepsThePage) {
  Open(MetricsSettings{true, L"127.0.0.1", port});
  wchar_t text[256];
  ::GetDlgItemTextW(dlg, IDC_MON_AUDIENCE, text, 256);
  EXPECT_EQ(std::wstring(text).find(L"Other computers"), std::wstring::npos);
  Type(IDC_MON_ADDRESS, L"0.0.0.0");
  ::GetDlgItemTextW(dlg, IDC_MON_AUDIENCE, text, 256);
  EXPECT_NE(std::wstring(text).find(L"Other computers"), std::wstring::npos);
  Type(IDC_MON_PORT, L"70000");
  Apply();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find(L"1 to 65535"), std::wstring::npos);
  EXPECT_FALSE(meter->metricsServer().running());
}

TEST_F(MonitoringPageTest, TheServiceSwitchHandsTheEndpointOver) {
  Open(MetricsSettings{false, L"127.0.0.1", port});
  ::SendDlgItemMessageW(dlg, IDC_MON_ENABLE, BM_CLICK, 0, 0);
  Apply();
  ASSERT_TRUE(meter->metricsServer().running());
  ApplyService(true);
  EXPECT_FALSE(meter->metricsServer().running());
  DWORD enabled = 0;
  EXPECT_TRUE(ReadDwordValue(HKEY_LOCAL_MACHINE, reg.key(L"Options"), L"MetricsEnabled", enabled));
  EXPECT_EQ(enabled, 1u);
  ApplyService(false);
  EXPECT_TRUE(meter->metricsServer().running());
  EXPECT_EQ(Fetch(port, "GET /metrics HTTP/1.1\r\n\r\n").rfind("HTTP/1.1 200", 0), 0u);
}

using MonitoringScreenshots = MonitoringPageTest;

TEST_F(MonitoringScreenshots, DISABLED_MonitoringPage) {
  const wchar_t* dir = _wgetenv(L"ZEPHRA_SCREENSHOT_DIR");
  ASSERT_NE(dir, nullptr) << "set ZEPHRA_SCREENSHOT_DIR";
  Open(MetricsSettings{true, L"127.0.0.1", kDefaultMetricsPort});
  ::ShowWindow(sheet->hwnd(), SW_SHOW);
  ::SetWindowPos(sheet->hwnd(), HWND_TOP, 60, 40, 0, 0, SWP_NOSIZE);
  ::RedrawWindow(sheet->hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  PumpUntil([] { return false; }, 400);
  EXPECT_TRUE(WriteScreenBmp(sheet->hwnd(), std::wstring(dir) + L"\\options-monitoring.bmp"));
}

}  // namespace
