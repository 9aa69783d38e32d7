#include "app/service_switch_win.h"

#include <shellapi.h>

#include "alerts/email_settings.h"
#include "engine/handover.h"
#include "service_control/service_control_win.h"
#include "settings/registry_security_win.h"
#include "settings/registry_win.h"
#include "settings/service_settings.h"
#include "ui/files_win.h"
#include "ui/handle_win.h"

namespace {

constexpr wchar_t kHelperSwitch[] = L"--service-mode";
// Install and start, or stop and remove, each wait bounded by the service control.
constexpr DWORD kHelperWaitMs = 4 * kServiceWaitMs;

// The root without its closing separator: a backslash before the closing quote
// would escape it on the helper's command line.
std::wstring Trimmed(std::wstring root) {
  while (!root.empty() && root.back() == L'\\') root.pop_back();
  return root;
}

}  // namespace

uint32_t WinServiceSwitchSteps::Outcome(bool ok) {
  if (ok) return 0;
  const DWORD error = ::GetLastError();
  return error != 0 ? error : ERROR_GEN_FAILURE;
}

uint32_t WinServiceSwitchSteps::SetKeyAccess(bool grant) {
  return SetMachineWideKeyAccess(root_, grant, userSid_);
}

uint32_t WinServiceSwitchSteps::CopyOptions() {
  if (!CopyOptionsMachineWide(registry_, root_)) return ERROR_WRITE_FAULT;
  // Keys written now inherit the DACL; set it on each of them all the same, so
  // that no copy depends on inheritance.
  return SetMachineWideKeyAccess(root_, true, userSid_);
}

uint32_t WinServiceSwitchSteps::ClearMachineWide() {
  const RegRoot machine = RegRoot::LocalMachine;
  // The service's hand-over (or the meter's own, when the switch-on is undone)
  // goes where the meter can read it once the user's access is taken away.
  MoveHandOver(registry_, root_, machine, RegRoot::CurrentUser);
  if (registry_.KeyExists(machine, EmailSettingsKeyPath(root_)) &&
      !registry_.DeleteKey(machine, EmailSettingsKeyPath(root_)))
    return ERROR_ACCESS_DENIED;
  if (registry_.KeyExists(machine, ServiceKeyPath(root_)) &&
      !registry_.WriteDword(machine, ServiceKeyPath(root_), kServiceEnabledValue, 0))
    return ERROR_ACCESS_DENIED;
  return 0;
}

ServiceSwitchResult WinServiceSwitcher::Switch(bool enable) {
  const std::wstring sid = CurrentUserSid();
  if (mode_ == Mode::InProcess || (mode_ == Mode::Auto && ProcessIsElevated())) {
    WinServiceSwitchSteps steps(registry_, root_, control_, sid);
    return RunServiceSwitch(enable, steps);
  }
  wchar_t exe[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {ServiceStep::Helper, ERROR_FILE_NOT_FOUND};
  return LaunchServiceHelper(owner_, std::wstring(exe, n), enable, root_, sid);
}

bool ProcessIsElevated() {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
  KernelHandle token(raw);
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  return ::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
         elevation.TokenIsElevated != 0;
}

ServiceSwitchResult LaunchServiceHelper(HWND owner, const std::wstring& exe, bool enable, const std::wstring& root,
                                        const std::wstring& userSid) {
  const std::wstring parameters = std::wstring(kHelperSwitch) + (enable ? L" on " : L" off ") +
                                  (userSid.empty() ? L"-" : userSid) + L" \"" + Trimmed(root) + L"\"";
  SHELLEXECUTEINFOW info{sizeof info};
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.hwnd = owner;
  info.lpVerb = L"runas";
  info.lpFile = exe.c_str();
  info.lpParameters = parameters.c_str();
  info.nShow = SW_HIDE;
  if (!::ShellExecuteExW(&info)) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_CANCELLED) return {ServiceStep::Approval, kErrorCancelled};
    return {ServiceStep::Helper, error != 0 ? error : ERROR_GEN_FAILURE};
  }
  if (!info.hProcess) return {ServiceStep::Helper, ERROR_INVALID_HANDLE};
  KernelHandle process(info.hProcess);
  if (::WaitForSingleObject(process.get(), kHelperWaitMs) != WAIT_OBJECT_0) return {ServiceStep::Helper, WAIT_TIMEOUT};
  DWORD code = 0;
  if (!::GetExitCodeProcess(process.get(), &code)) return {ServiceStep::Helper, ::GetLastError()};
  return FromServiceHelperExitCode(code);
}

bool RunServiceHelper(const wchar_t* commandLine, int& exitCode) {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(commandLine, &argc);
  if (!argv) return false;
  std::vector<std::wstring> args(argv, argv + argc);
  ::LocalFree(argv);
  // argv[0] is the program when the command line names it.
  if (!args.empty() && args[0] != kHelperSwitch) args.erase(args.begin());
  if (args.size() != 4 || args[0] != kHelperSwitch || (args[1] != L"on" && args[1] != L"off")) return false;
  // Only the program's own keys under Software.
  const std::wstring root = args[3] + L"\\";
  if (root.size() < 10 || _wcsnicmp(root.c_str(), L"Software\\", 9) != 0) {
    exitCode = static_cast<int>(ServiceHelperExitCode({ServiceStep::Helper, ERROR_INVALID_PARAMETER}));
    return true;
  }
  Win32Registry registry;
  WinServiceControl control;
  WinServiceSwitchSteps steps(registry, root, control, args[2] == L"-" ? std::wstring() : args[2]);
  exitCode = static_cast<int>(ServiceHelperExitCode(RunServiceSwitch(args[1] == L"on", steps)));
  return true;
}

std::wstring SystemErrorText(uint32_t error) {
  wchar_t* text = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring out = n && text ? std::wstring(text, n) : std::wstring();
  if (text) ::LocalFree(text);
  while (!out.empty() && (out.back() == L'\n' || out.back() == L'\r' || out.back() == L' ')) out.pop_back();
  return out;
}
