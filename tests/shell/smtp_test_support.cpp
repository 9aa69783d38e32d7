#include "smtp_test_support.h"

#include <tlhelp32.h>

#include "alerts/smtp_win.h"

namespace {
std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// Wine shows the host's root as drive Z:.
std::wstring HostPath(const std::string& unixPath) {
  std::wstring w = L"Z:" + Widen(unixPath);
  for (wchar_t& c : w)
    if (c == L'/') c = L'\\';
  return w;
}
}  // namespace

uint16_t FreeLocalPort() {
  StartSockets();
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = ::inet_addr("127.0.0.1");
  uint16_t port = 0;
  int size = sizeof a;
  if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &size) == 0)
    port = ::ntohs(a.sin_port);
  ::closesocket(s);
  return port;
}

ScriptServer::ScriptServer(const char* script, const std::vector<std::string>& args) {
  static int counter = 0;
  port_ = FreeLocalPort();
  unixDir_ = "/tmp/zephra-smtp-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter);
  ::CreateDirectoryW(HostPath(unixDir_).c_str(), nullptr);
  std::string command = "/usr/bin/python3 " + std::string(ZEPHRA_TESTS_DIR) + "/smtp/" + script + " " +
                        std::to_string(port_) + " " + unixDir_;
  for (const std::string& a : args) command += " " + a;
  std::wstring line = Widen(command);
  STARTUPINFOW si = {sizeof si};
  PROCESS_INFORMATION pi = {};
  if (!::CreateProcessW(HostPath("/usr/bin/python3").c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &si, &pi))
    return;
  process_ = pi.hProcess;
  if (pi.hThread) ::CloseHandle(pi.hThread);
  ready_ = WaitFor("ready", 10000);
}

ScriptServer::~ScriptServer() {
  HANDLE stop = ::CreateFileW(WinPath("stop").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (stop != INVALID_HANDLE_VALUE) ::CloseHandle(stop);
  if (process_) {
    ::WaitForSingleObject(process_, 5000);
    ::CloseHandle(process_);
  }
  WIN32_FIND_DATAW found;
  HANDLE find = ::FindFirstFileW(WinPath("*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        ::DeleteFileW((HostPath(unixDir_) + L"\\" + found.cFileName).c_str());
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
  }
  ::RemoveDirectoryW(HostPath(unixDir_).c_str());
}

std::wstring ScriptServer::WinPath(const char* name) const { return HostPath(unixDir_ + "/" + name); }

bool ScriptServer::WaitFor(const char* name, DWORD timeoutMs) const {
  const DWORD start = ::GetTickCount();
  while (::GetFileAttributesW(WinPath(name).c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (::GetTickCount() - start > timeoutMs) return false;
    ::Sleep(20);
  }
  return true;
}

std::string ScriptServer::Read(const char* name) const {
  HANDLE f = ::CreateFileW(WinPath(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return {};
  std::string data;
  char buffer[4096];
  DWORD n = 0;
  while (::ReadFile(f, buffer, sizeof buffer, &n, nullptr) && n > 0) data.append(buffer, n);
  ::CloseHandle(f);
  return data;
}

int ProcessThreadCount() {
  HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snap == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 t = {sizeof t};
  int count = 0;
  const DWORD self = ::GetCurrentProcessId();
  for (BOOL ok = ::Thread32First(snap, &t); ok; ok = ::Thread32Next(snap, &t))
    if (t.th32OwnerProcessID == self) ++count;
  ::CloseHandle(snap);
  return count;
}
