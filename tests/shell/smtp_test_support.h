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

private:
  bool WaitFor(const char* name, DWORD timeoutMs) const;
  std::wstring Path(const char* name) const;

  uint16_t port_;
  std::string dir_;
  bool ready_ = false;
};

// Threads of this process.
int ProcessThreadCount();
