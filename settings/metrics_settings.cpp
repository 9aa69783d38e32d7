#include "settings/metrics_settings.h"

#include "settings/meter_settings.h"

std::optional<uint32_t> ParseIpv4(std::wstring_view text) {
  uint32_t address = 0;
  size_t i = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (i >= text.size() || text[i] != L'.') return std::nullopt;
      ++i;
    }
    const size_t start = i;
    uint32_t n = 0;
    while (i < text.size() && text[i] >= L'0' && text[i] <= L'9' && i - start < 3) n = n * 10 + (text[i++] - L'0');
    const size_t digits = i - start;
    if (digits == 0 || n > 255 || (digits > 1 && text[start] == L'0')) return std::nullopt;
    address = address << 8 | n;
  }
  if (i != text.size()) return std::nullopt;
  return address;
}

bool IsLoopbackAddress(std::wstring_view text) {
  const auto a = ParseIpv4(text);
  return a && (*a >> 24) == 127;
}

void LoadMetricsSettings(RegistryStore& store, RegRoot root, const std::wstring& rootPath, MetricsSettings& out) {
  const std::wstring key = OptionsKeyPath(rootPath);
  uint32_t n = 0;
  if (store.ReadDword(root, key, kMetricsEnabledValue, n)) out.enabled = n != 0;
  std::wstring address;
  if (store.ReadString(root, key, kMetricsAddressValue, address) && ParseIpv4(address)) out.address = address;
  if (store.ReadDword(root, key, kMetricsPortValue, n) && n >= 1 && n <= 65535) out.port = static_cast<uint16_t>(n);
}

bool SaveMetricsSettings(RegistryStore& store, RegRoot root, const std::wstring& rootPath,
                         const MetricsSettings& settings) {
  const std::wstring key = OptionsKeyPath(rootPath);
  bool ok = store.WriteDword(root, key, kMetricsEnabledValue, settings.enabled ? 1 : 0);
  ok = store.WriteString(root, key, kMetricsAddressValue, settings.address) && ok;
  return store.WriteDword(root, key, kMetricsPortValue, settings.port) && ok;
}

std::optional<PageProblem> ReadMonitoringPage(bool enabled, std::wstring_view address, std::wstring_view port,
                                              int addressControl, int portControl, MetricsSettings& out) {
  if (!ParseIpv4(address))
    return PageProblem{L"Type an IPv4 address such as 127.0.0.1 (0.0.0.0 is every address of this computer).",
                       addressControl};
  uint32_t n = 0;
  for (wchar_t c : port) {
    if (c < L'0' || c > L'9' || n > 65535) return PageProblem{L"Type a port from 1 to 65535.", portControl};
    n = n * 10 + static_cast<uint32_t>(c - L'0');
  }
  if (port.empty() || n < 1 || n > 65535) return PageProblem{L"Type a port from 1 to 65535.", portControl};
  out.enabled = enabled;
  out.address = std::wstring(address);
  out.port = static_cast<uint16_t>(n);
  return std::nullopt;
}

std::wstring MonitoringAudienceText(std::wstring_view address) {
  if (IsLoopbackAddress(address)) return L"Only programs on this computer can read the counters.";
  return L"Other computers of the network can read this computer's traffic counters at this address: "
         L"anyone who can reach it sees how much each connection moved.";
}
