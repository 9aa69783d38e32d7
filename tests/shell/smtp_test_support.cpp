#include "smtp_test_support.h"

#include <tlhelp32.h>

#include "alerts/smtp_win.h"

uint16_t FreeLocalPort() {
  StartSockets();
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = ::inet_addr("127.0.0.1");
  int size = sizeof a;
  ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  const bool named = ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &size) == 0;
  ::closesocket(s);
  return named ? ::ntohs(a.sin_port) : 0;
}

ScriptServer::ScriptServer(const char* script, const std::string& args) : port_(FreeLocalPort()) {
  static int counter = 0;
  dir_ = "/tmp/zephra-smtp-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter);
  const std::string command = "/usr/bin/python3 " ZEPHRA_TESTS_DIR "/smtp/" + std::string(script) + " " +
                              std::to_string(port_) + " " + dir_ + " " + args;
  std::wstring line(command.begin(), command.end());
  STARTUPINFOW si = {sizeof si};
  PROCESS_INFORMATION pi = {};
  // Wine runs a host program directly; it gives no process handle for it.
  if (!::CreateProcessW(L"Z:\\usr\\bin\\python3", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return;
  if (pi.hProcess) ::CloseHandle(pi.hProcess);
  if (pi.hThread) ::CloseHandle(pi.hThread);
  ready_ = WaitFor("ready", 10000);
}

ScriptServer::~ScriptServer() {
  HANDLE stop = ::CreateFileW(Path("stop").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (stop != INVALID_HANDLE_VALUE) ::CloseHandle(stop);
}

std::wstring ScriptServer::Path(const char* name) const {
  std::wstring path = L"Z:";
  for (char c : dir_ + "/" + name) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path;
}

bool ScriptServer::WaitFor(const char* name, DWORD timeoutMs) const {
  const DWORD start = ::GetTickCount();
  while (::GetFileAttributesW(Path(name).c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (::GetTickCount() - start > timeoutMs) return false;
    ::Sleep(20);
  }
  return true;
}

std::string ScriptServer::Read(const char* name) const {
  if (!WaitFor(name, 5000)) return {};
  HANDLE f = ::CreateFileW(Path(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  std::string data;
  char buffer[4096];
  DWORD n = 0;
  while (f != INVALID_HANDLE_VALUE && ::ReadFile(f, buffer, sizeof buffer, &n, nullptr) && n > 0) data.append(buffer, n);
  if (f != INVALID_HANDLE_VALUE) ::CloseHandle(f);
  return data;
}

int ProcessThreadCount() {
  HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 t = {sizeof t};
  int count = 0;
  for (BOOL ok = ::Thread32First(snap, &t); ok; ok = ::Thread32Next(snap, &t))
    count += t.th32OwnerProcessID == ::GetCurrentProcessId();
  ::CloseHandle(snap);
  return count;
}
