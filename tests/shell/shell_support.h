// Helpers shared by the shell tests: a private registry root, message pumping
// with bounded waits, and the fixture of every meter window test (with the
// scripted clock and adapter source of the core tests).
#pragma once
#include <windows.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/meter_dlg.h"
#include "engine/scripted_clock.h"
#include "measure/scripted_source.h"
#include "settings/registry_win.h"

// A registry root of its own under HKCU, deleted when the test ends.
class TestRegistryRoot {
public:
  TestRegistryRoot();
  ~TestRegistryRoot();
  const std::wstring& root() const { return root_; }  // ends with a backslash
  std::wstring key(const std::wstring& sub) const { return root_ + sub; }

private:
  std::wstring root_;
};

// Pumps messages until the predicate holds or the time runs out.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
void PumpPending();

// A fresh file path in the temporary folder (the file does not exist yet).
std::wstring TempFilePath(const wchar_t* stem);
// A whole file's bytes ("(missing)" when it cannot be opened), and a file
// written afresh with the bytes given.
std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);

// A 32-bit top-down DIB selected into a memory DC: tests paint into it and read
// the pixels back as COLORREF (0x00BBGGRR).
class PixelCanvas {
public:
  PixelCanvas(int w, int h);
  ~PixelCanvas();
  PixelCanvas(const PixelCanvas&) = delete;
  PixelCanvas& operator=(const PixelCanvas&) = delete;
  HDC dc() const { return dc_; }
  int w() const { return w_; }
  int h() const { return h_; }
  COLORREF At(int x, int y) const;

private:
  int w_, h_;
  HDC dc_ = nullptr;
  HBITMAP bmp_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint32_t* bits_ = nullptr;
};

// Writes what the screen shows of a window to a 24-bit BMP file.
bool WriteScreenBmp(HWND window, const std::wstring& path);

bool ReadDwordValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD& out);
bool ValueExists(HKEY root, const std::wstring& key, const std::wstring& name);

// The meter window with the injected clock and adapters, the real registry
// under a private root and a log file of its own; no timer, help viewer, tray
// icon or global hot key. Message boxes and opened files and addresses are
// recorded ("Title|text", "verb|target", "address|target").
class MeterTest : public ::testing::Test {
protected:
  MeterTest();
  ~MeterTest() override;

  // Creates the window from `env` (a meter already there goes first); false when it failed.
  bool Start();
  void Command(UINT id) const;
  // n seconds, one tick each.
  void TickSeconds(int n);

  static std::vector<std::wstring> messages;
  static std::vector<std::wstring> opened;
  static int answer;  // what the next message box returns

  ScriptedClock clock;
  ScriptedSource adapters;
  TestRegistryRoot reg;
  Win32Registry registry;
  MeterEnvironment env;
  std::unique_ptr<CMeterDlg> meter;
  HWND hwnd = nullptr;

private:
  static int RecordMessage(HWND, const wchar_t* text, const wchar_t* title, UINT);
  static intptr_t RecordFile(const std::wstring& target, const wchar_t* verb, int);
  static intptr_t RecordAddress(const std::wstring& target, int);
};
