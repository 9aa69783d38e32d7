// SMTP servers for the mail tests: the Python scripts of tests/smtp, run as
// host programs on a free 127.0.0.1 port, each keeping what it received in a
// folder of its own under /tmp (drive Z: under Wine).
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>

// A free local TCP port (nothing listens on it once this returns).
uint16_t FreeLocalPort();

class ScriptServer {
public:
  // Runs /usr/bin/python3 tests/smtp/<script> PORT DIR args and waits until
  // it listens; the script stops and removes DIR when this ends.
  ScriptServer(const char* script, const std::string& args);
  ~ScriptServer();
  ScriptServer(const ScriptServer&) = delete;
  ScriptServer& operator=(const ScriptServer&) = delete;

  bool ready() const { return ready_; }
  uint16_t port() const { return port_; }
  // A file of the folder, byte for byte, once it exists (empty after 5 s).
  std::string Read(const char* name) const;
  // Whether the file exists now.
  bool Has(const char* name) const;

private:
  bool WaitFor(const char* name, DWORD timeoutMs) const;
  std::wstring Path(const char* name) const;

  uint16_t port_;
  std::string dir_;
  bool ready_ = false;
};

// The certificates of tests/smtp/make_certs.py, made once per test program;
// their authority sits in the current user's "Root" store (of the Wine
// prefix) until the program ends.
class TestCertificates {
public:
  static const TestCertificates& Get();
  ~TestCertificates();
  bool ready() const { return added_ != nullptr; }
  // "<cert> <key>" of a server certificate ("localhost", "other" for
  // mail.example.org, "stranger" from an unknown authority), as the server
  // scripts take them.
  std::string Files(const char* name) const;

private:
  TestCertificates();
  std::string dir_;
  void* store_ = nullptr;        // the Root store, open while the authority is in it
  const void* added_ = nullptr;  // the authority's certificate context in it
};

// Runs /usr/bin/python3 with the arguments as a host program (no wait).
bool StartHostPython(const std::string& args);
// A file under /tmp by its Unix path, as Wine sees it (drive Z:).
std::wstring HostPath(const std::string& unixPath);

// Threads of this process.
int ProcessThreadCount();
