#include "settings/service_settings.h"

#include <algorithm>

#include "base/bytes.h"
#include "base/text_util.h"
#include "base/utf16.h"

using namespace report_job_layout;

std::vector<uint8_t> SerializeReportJob(const ReportJob& job) {
  std::vector<uint8_t> out(kReportJobSize, 0);
  PutU32Le(&out[kType], static_cast<uint32_t>(job.type));
  PutU32Le(&out[kKind], static_cast<uint32_t>(job.kind));
  PutTextField(&out[kAdapterId], kAdapterIdBytes, job.adapterId);
  PutU32Le(&out[kInterval], static_cast<uint32_t>(job.interval));
  PutU32Le(&out[kReserved], 0);
  PutUtf16Field(&out[kFile], kFileUnits, job.file);
  return out;
}

ReportJob ParseReportJob(const std::vector<uint8_t>& data) {
  std::vector<uint8_t> in(kReportJobSize, 0);
  std::copy_n(data.begin(), std::min(data.size(), kReportJobSize), in.begin());
  ReportJob job;
  job.type = static_cast<int32_t>(GetU32Le(&in[kType]));
  job.kind = static_cast<int32_t>(GetU32Le(&in[kKind]));
  job.adapterId = GetTextField(&in[kAdapterId], kAdapterIdBytes);
  job.interval = static_cast<int32_t>(GetU32Le(&in[kInterval]));
  job.reserved = static_cast<int32_t>(GetU32Le(&in[kReserved]));
  job.file = GetUtf16Field(&in[kFile], kFileUnits);
  return job;
}

std::wstring ServiceKeyPath(const std::wstring& rootPath) { return rootPath + kServiceSubkey; }
std::wstring ReportsKeyPath(const std::wstring& rootPath) { return ServiceKeyPath(rootPath) + L"\\" + kReportsSubkey; }

void LoadServiceSettings(RegistryStore& store, RegRoot root, const std::wstring& rootPath, ServiceSettings& out) {
  const std::wstring key = ServiceKeyPath(rootPath);
  uint32_t enabled = 0;
  if (store.ReadDword(root, key, kServiceEnabledValue, enabled)) out.enabled = enabled != 0;
  std::vector<uint8_t> options;
  if (store.ReadBinary(root, key, kServiceOptionsValue, options)) {
    // Up to 12 bytes over a zeroed image: a short value leaves the later flags off.
    uint8_t image[kServiceOptionsSize] = {};
    std::copy_n(options.begin(), std::min(options.size(), kServiceOptionsSize), image);
    out.version = static_cast<int32_t>(GetU32Le(image));
    out.sendMail = GetU32Le(image + 4) != 0;
    out.recordRates = GetU32Le(image + 8) != 0;
  }
  out.reports.clear();
  const std::wstring reports = ReportsKeyPath(rootPath);
  std::vector<std::wstring> names;
  if (!store.EnumValues(root, reports, names)) return;
  for (const std::wstring& name : names) {
    std::vector<uint8_t> data;
    if (store.ReadBinary(root, reports, name, data)) out.reports.push_back(ParseReportJob(data));
  }
}

bool SaveServiceSettings(RegistryStore& store, RegRoot root, const std::wstring& rootPath,
                         const ServiceSettings& settings) {
  const std::wstring key = ServiceKeyPath(rootPath);
  bool ok = store.WriteDword(root, key, kServiceEnabledValue, settings.enabled ? 1 : 0);
  std::vector<uint8_t> options(kServiceOptionsSize, 0);
  PutU32Le(&options[0], static_cast<uint32_t>(kServiceOptionsVersion));
  PutU32Le(&options[4], settings.sendMail ? 1 : 0);
  PutU32Le(&options[8], settings.recordRates ? 1 : 0);
  ok = store.WriteBinary(root, key, kServiceOptionsValue, options) && ok;
  // The old list goes first, so no "Report%d" of a longer list stays behind.
  const std::wstring reports = ReportsKeyPath(rootPath);
  store.DeleteKey(root, reports);
  for (size_t i = 0; i < settings.reports.size(); ++i)
    ok = store.WriteBinary(root, reports, L"Report" + std::to_wstring(i + 1), SerializeReportJob(settings.reports[i])) &&
         ok;
  return ok;
}

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace

std::wstring RefusedPathMessage(const std::wstring& path, const wchar_t* why) {
  return L"Zephra cannot write to \"" + path + L"\": " + why +
         L". Choose a full path outside the Windows folder, ending in .txt, .csv, .htm or .html.";
}

const wchar_t* RefusedOutputPath(const std::wstring& path, const std::wstring& windowsFolder) {
  const bool drive = path.size() >= 3 && path[1] == L':' && IsSeparator(path[2]) &&
                     ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
  const bool unc = path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) && !IsSeparator(path[2]);
  if (!drive && !unc) return L"the path is not a full path";
  // Every part between separators: ".." would climb out of the named folder.
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !IsSeparator(path[i])) continue;
    if (path.compare(start, i - start, L"..") == 0 && i - start == 2) return L"the path climbs out of its folder";
    start = i + 1;
  }
  std::wstring folder = windowsFolder;
  while (!folder.empty() && IsSeparator(folder.back())) folder.pop_back();
  if (!folder.empty() && path.size() > folder.size() && IsSeparator(path[folder.size()]) &&
      EqualNoCase(path.substr(0, folder.size()), folder))
    return L"the path lies in the Windows folder";
  const std::wstring ext = FileExtensionOf(path);
  for (const wchar_t* allowed : {L".txt", L".csv", L".htm", L".html"})
    if (EqualNoCase(ext, allowed)) return nullptr;
  return L"the file name does not end in .txt, .csv, .htm or .html";
}
