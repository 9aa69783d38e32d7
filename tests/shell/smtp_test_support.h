// SMTP servers for the mail tests: Python scripts from tests/smtp run as host
// programs on a free 127.0.0.1 port, each with a scratch folder under /tmp
// (drive Z: under Wine) where it keeps what it received.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A free local TCP port (nothing listens on it once this returns).
uint16_t FreeLocalPort();

class ScriptServer {
public:
  // Runs /usr/bin/python3 tests/smtp/<script> PORT DIR args... and waits
  // until it listens.
  ScriptServer(const char* script, const std::vector<std::string>& args);
  // Asks the script to stop, waits for it, removes the folder.
  ~ScriptServer();
  ScriptServer(const ScriptServer&) = delete;
  ScriptServer& operator=(const ScriptServer&) = delete;

  bool ready() const { return ready_; }
  uint16_t port() const { return port_; }
  // A file the script wrote into its folder, byte for byte; empty when missing.
  std::string Read(const char* name) const;
  // Waits until the file exists.
  bool WaitFor(const char* name, DWORD timeoutMs = 5000) const;

private:
  std::wstring WinPath(const char* name) const;

  uint16_t port_ = 0;
  std::string unixDir_;
  bool ready_ = false;
  HANDLE process_ = nullptr;
};

// Threads of this process, as the system lists them.
int ProcessThreadCount();
