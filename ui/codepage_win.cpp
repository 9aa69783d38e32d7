#include "ui/codepage_win.h"

#include <windows.h>

std::string ToSystemCodePage(std::wstring_view text) {
  if (text.empty()) return std::string();
  const int wide = static_cast<int>(text.size());
  const int n = ::WideCharToMultiByte(CP_ACP, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text.data(), wide, out.data(), n, nullptr, nullptr);
  return out;
}
