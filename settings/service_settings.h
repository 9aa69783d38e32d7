// The companion service's options, kept by the meter window and stored under
// "<root>Service": whether the service counts traffic, whether it also mails
// usage notifications and records rates, and the scheduled reports it writes
// ("<root>Service\Reports", one 796-byte ReportJob per value "Report%d").
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/registry_names.h"
#include "settings/registry_store.h"

inline constexpr wchar_t kServiceSubkey[] = L"Service";
inline constexpr wchar_t kReportsSubkey[] = L"Reports";
inline constexpr wchar_t kServiceEnabledValue[] = L"ServiceEnabled";
inline constexpr wchar_t kServiceOptionsValue[] = L"ServiceOptions";

constexpr size_t kServiceOptionsSize = 12;
constexpr int32_t kServiceOptionsVersion = 1;
constexpr size_t kReportJobSize = 796;

// Byte offsets of the fields in a stored report job.
namespace report_job_layout {
constexpr size_t kType = 0, kKind = 4, kAdapterId = 8, kInterval = 268, kReserved = 272, kFile = 276;
constexpr size_t kAdapterIdBytes = 260;  // 8-bit text
constexpr size_t kFileUnits = 260;       // UTF-16, 520 bytes
}  // namespace report_job_layout

enum ReportJobType : int32_t { kJobSummary = 0, kJobDaily = 1, kJobWeekly = 2, kJobMonthly = 3 };

// One scheduled report; a new one is a summary of All Connections every 60 s.
struct ReportJob {
  int32_t type = kJobSummary;
  int32_t kind = 100;       // connection kind: 100 all, 200 dial-up, 300 one adapter
  std::string adapterId;    // 8-bit text; used for kind 300 only
  int32_t interval = 60;    // seconds, 1 or more
  int32_t reserved = 0;     // written as 0
  std::wstring file;        // at most 259 characters
  bool operator==(const ReportJob&) const = default;
};

struct ServiceSettings {
  bool enabled = false;      // "ServiceEnabled"
  int32_t version = kServiceOptionsVersion;  // "ServiceOptions": format version as read
  bool sendMail = false;     // the service sends the usage notification e-mail
  bool recordRates = false;  // the service records rates
  std::vector<ReportJob> reports;
  bool operator==(const ServiceSettings&) const = default;
};

// The stored image, exactly kReportJobSize bytes.
std::vector<uint8_t> SerializeReportJob(const ReportJob& job);
// A value of any size is read as if copied into a zeroed 796-byte record: a
// short one leaves the rest zero, a long one is cut.
ReportJob ParseReportJob(const std::vector<uint8_t>& data);

// "<rootPath>Service" and "<rootPath>Service\Reports".
std::wstring ServiceKeyPath(const std::wstring& rootPath = kDefaultRootPath);
std::wstring ReportsKeyPath(const std::wstring& rootPath = kDefaultRootPath);

// Reads "ServiceEnabled" (4 bytes) and "ServiceOptions" (up to 12 bytes) over
// `out`, then replaces the report list with one job per value of "\Reports" in
// enumeration order, whatever the values' names. Missing values keep their field.
void LoadServiceSettings(RegistryStore& store, RegRoot root, const std::wstring& rootPath, ServiceSettings& out);
// Writes "ServiceEnabled" and "ServiceOptions" (version 1), deletes "\Reports"
// and, for a non-empty list, writes the jobs again as "Report1", "Report2", ...
// False when any write failed.
bool SaveServiceSettings(RegistryStore& store, RegRoot root, const std::wstring& rootPath,
                         const ServiceSettings& settings);

// Why the service refuses to write a report or recording file at `path`, or
// null when it may: the path must be absolute (a service's working folder is
// the system folder), free of ".." parts, outside `windowsFolder` (when given),
// and end in ".txt", ".csv", ".htm" or ".html" (any case), so that no program
// or system file is ever overwritten from a registry value.
const wchar_t* RefusedOutputPath(const std::wstring& path, const std::wstring& windowsFolder);
// What a dialog says of a path RefusedOutputPath refuses for `why`.
std::wstring RefusedPathMessage(const std::wstring& path, const wchar_t* why);
