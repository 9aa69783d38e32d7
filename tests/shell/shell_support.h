// Helpers shared by the shell tests: a driven clock, the scripted adapter
// source, a private registry root, message pumping with bounded waits.
#pragma once
#include <windows.h>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/scripted_clock.h"
#include "measure/scripted_source.h"

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
