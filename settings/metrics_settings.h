// The counters endpoint's options, stored beside the other options in
// "<root>Options" (and copied machine-wide for the companion service): whether
// the program that counts serves GET /metrics, and on which address and port.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/registry_names.h"
#include "settings/option_pages.h"
#include "settings/registry_store.h"

inline constexpr wchar_t kMetricsEnabledValue[] = L"MetricsEnabled";
inline constexpr wchar_t kMetricsAddressValue[] = L"MetricsAddress";
inline constexpr wchar_t kMetricsPortValue[] = L"MetricsPort";

inline constexpr wchar_t kMetricsLoopback[] = L"127.0.0.1";
constexpr uint16_t kDefaultMetricsPort = 9478;

struct MetricsSettings {
  bool enabled = false;                 // "MetricsEnabled"
  std::wstring address = kMetricsLoopback;  // "MetricsAddress", dotted IPv4
  uint16_t port = kDefaultMetricsPort;  // "MetricsPort", 1-65535
  bool operator==(const MetricsSettings&) const = default;
};

// The four bytes of a dotted IPv4 address ("0.0.0.0" is every address of the
// machine); none for anything else (names, IPv6, leading zeros, blanks).
std::optional<uint32_t> ParseIpv4(std::wstring_view text);
// 127.x.x.x: only programs of this machine can connect.
bool IsLoopbackAddress(std::wstring_view text);

// Reads the three values of `root` over `out`: a value missing, of the wrong
// type or out of range (a port of 0 or above 65535, an address that is not
// dotted IPv4) keeps its field.
void LoadMetricsSettings(RegistryStore& store, RegRoot root, const std::wstring& rootPath, MetricsSettings& out);
// False when any write failed.
bool SaveMetricsSettings(RegistryStore& store, RegRoot root, const std::wstring& rootPath,
                         const MetricsSettings& settings);

// The Monitoring page's fields read into `out` (the address and the port as
// typed); the first fault, with the control to focus, or none.
std::optional<PageProblem> ReadMonitoringPage(bool enabled, std::wstring_view address, std::wstring_view port,
                                              int addressControl, int portControl, MetricsSettings& out);
// The page's line under the address: who can read the counters there.
std::wstring MonitoringAudienceText(std::wstring_view address);
