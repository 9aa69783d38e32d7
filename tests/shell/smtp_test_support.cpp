#include "smtp_test_support.h"

#include <tlhelp32.h>
#include <wincrypt.h>

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

bool StartHostPython(const std::string& args) {
  const std::string command = "/usr/bin/python3 " + args;
  std::wstring line(command.begin(), command.end());
  STARTUPINFOW si = {sizeof si};
  PROCESS_INFORMATION pi = {};
  // Wine runs a host program directly; it gives no process handle for it.
  if (!::CreateProcessW(L"Z:\\usr\\bin\\python3", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return false;
  if (pi.hProcess) ::CloseHandle(pi.hProcess);
  if (pi.hThread) ::CloseHandle(pi.hThread);
  return true;
}

std::wstring HostPath(const std::string& unixPath) {
  std::wstring path = L"Z:";
  for (char c : unixPath) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path;
}

ScriptServer::ScriptServer(const char* script, const std::string& args) : port_(FreeLocalPort()) {
  static int counter = 0;
  dir_ = "/tmp/zephra-smtp-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter);
  if (!StartHostPython(ZEPHRA_TESTS_DIR "/smtp/" + std::string(script) + " " + std::to_string(port_) + " " + dir_ +
                       " " + args))
    return;
  ready_ = WaitFor("ready", 10000);
}

ScriptServer::~ScriptServer() {
  HANDLE stop = ::CreateFileW(Path("stop").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (stop != INVALID_HANDLE_VALUE) ::CloseHandle(stop);
}

std::wstring ScriptServer::Path(const char* name) const { return HostPath(dir_ + "/" + name); }

bool ScriptServer::Has(const char* name) const {
  return ::GetFileAttributesW(Path(name).c_str()) != INVALID_FILE_ATTRIBUTES;
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

TestCertificates::TestCertificates() : dir_("/tmp/zephra-certs-" + std::to_string(::GetCurrentProcessId())) {
  if (!StartHostPython(ZEPHRA_TESTS_DIR "/smtp/make_certs.py " + dir_)) return;
  const DWORD start = ::GetTickCount();
  while (::GetFileAttributesW(HostPath(dir_ + "/ready").c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (::GetTickCount() - start > 30000) return;
    ::Sleep(50);
  }
  HANDLE f = ::CreateFileW(HostPath(dir_ + "/ca.der").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  BYTE der[8192];
  DWORD size = 0;
  ::ReadFile(f, der, sizeof der, &size, nullptr);
  ::CloseHandle(f);
  HCERTSTORE root = ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
  if (!root) return;
  store_ = root;
  // The kept context keeps the store open, so the store is written now.
  PCCERT_CONTEXT added = nullptr;
  if (::CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der, size, CERT_STORE_ADD_REPLACE_EXISTING, &added) &&
      ::CertControlStore(root, 0, CERT_STORE_CTRL_COMMIT, nullptr))
    added_ = added;
}

TestCertificates::~TestCertificates() {
  if (added_) ::CertDeleteCertificateFromStore(static_cast<PCCERT_CONTEXT>(added_));
  if (store_) {
    ::CertControlStore(store_, 0, CERT_STORE_CTRL_COMMIT, nullptr);
    ::CertCloseStore(store_, 0);
  }
  WIN32_FIND_DATAW found;
  HANDLE find = ::FindFirstFileW(HostPath(dir_ + "/*").c_str(), &found);
  while (find != INVALID_HANDLE_VALUE) {
    ::DeleteFileW((HostPath(dir_ + "/") + found.cFileName).c_str());
    if (!::FindNextFileW(find, &found)) break;
  }
  if (find != INVALID_HANDLE_VALUE) ::FindClose(find);
  ::RemoveDirectoryW(HostPath(dir_).c_str());
}

const TestCertificates& TestCertificates::Get() {
  static TestCertificates certificates;
  return certificates;
}

std::string TestCertificates::Files(const char* name) const {
  return dir_ + "/" + name + ".pem " + dir_ + "/" + name + ".key";
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
