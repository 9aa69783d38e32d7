#include <gtest/gtest.h>

#include "base/bytes.h"
#include "settings/memory_registry.h"
#include "settings/service_settings.h"
#include "trafficlog/report_export.h"

namespace {
const std::wstring kRoot = L"Software\\Tests\\";

ReportJob Job(int32_t type, int32_t kind, const char* id, int32_t interval, const wchar_t* file) {
  return ReportJob{type, kind, id, interval, 0, file};
}
}  // namespace

TEST(ReportJobImage, FieldsLieAtTheirOffsetsAndReadBack) {
  ReportJob job = Job(2, 300, "{4E6574446576-0001}", 3600, L"C:\\Reports\\week \u00e9.csv");
  job.reserved = 7;  // never stored
  const std::vector<uint8_t> img = SerializeReportJob(job);
  ASSERT_EQ(img.size(), 796u);
  EXPECT_EQ(GetU32Le(&img[0]), 2u);
  EXPECT_EQ(GetU32Le(&img[4]), 300u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&img[8])), "{4E6574446576-0001}");
  EXPECT_EQ(GetU32Le(&img[268]), 3600u);
  EXPECT_EQ(GetU32Le(&img[272]), 0u);
  EXPECT_EQ(img[276], 'C');
  EXPECT_EQ(img[277], 0);
  EXPECT_EQ(img[276 + 2 * 16], 0xE9);  // "\u00e9" as one UTF-16 unit
  EXPECT_EQ(img[276 + 2 * 21], 0);     // terminator after "...week \u00e9.csv"
  job.reserved = 0;
  EXPECT_EQ(ParseReportJob(img), job);
}

TEST(ReportJobImage, OddSizesReadAsAZeroedRecord) {
  const std::vector<uint8_t> full = SerializeReportJob(Job(1, 300, "AB", 5, L"C:\\x.txt"));
  std::vector<uint8_t> shortImg(full.begin(), full.begin() + 270);  // interval cut in half
  std::vector<uint8_t> longImg = full;
  longImg.resize(900, 0xFF);
  const ReportJob s = ParseReportJob(shortImg);
  EXPECT_EQ(s.adapterId, "AB");
  EXPECT_EQ(s.interval, 5);
  EXPECT_EQ(s.file, L"");
  EXPECT_EQ(ParseReportJob(longImg), Job(1, 300, "AB", 5, L"C:\\x.txt"));
  EXPECT_EQ(ParseReportJob({}), Job(0, 0, "", 0, L""));
  // Texts that fill their field are cut to 259 characters.
  const ReportJob longTexts = ParseReportJob(SerializeReportJob(Job(0, 300, std::string(300, 'I').c_str(), 1,
                                                                    std::wstring(300, L'f').c_str())));
  EXPECT_EQ(longTexts.adapterId.size(), 259u);
  EXPECT_EQ(longTexts.file.size(), 259u);
}

TEST(ServiceSettingsStore, SavesAndLoadsUnderEitherRoot) {
  MemoryRegistry reg;
  ServiceSettings s;
  s.enabled = true;
  s.version = 9;  // written as 1
  s.recordRates = true;
  s.reports = {Job(0, 100, "", 60, L"C:\\a.txt"), Job(3, 300, "ID", 10, L"C:\\b.htm"), Job(1, 200, "", 1, L"C:\\c.csv")};
  for (RegRoot root : {RegRoot::CurrentUser, RegRoot::LocalMachine}) {
    ASSERT_TRUE(SaveServiceSettings(reg, root, kRoot, s));
    const auto* options = reg.Find(root, kRoot + L"Service", L"ServiceOptions");
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->data, (std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}));
    ServiceSettings back;
    back.reports = {Job(0, 100, "", 60, L"stale")};
    LoadServiceSettings(reg, root, kRoot, back);
    EXPECT_TRUE(back.enabled);
    EXPECT_EQ(back.version, 1);
    EXPECT_FALSE(back.sendMail);
    EXPECT_TRUE(back.recordRates);
    EXPECT_EQ(back.reports, s.reports);
  }
}

TEST(ServiceSettingsStore, ReportsKeyIsRewrittenWholeOrRemoved) {
  MemoryRegistry reg;
  ServiceSettings s;
  s.reports = {Job(0, 100, "", 60, L"C:\\1.txt"), Job(0, 100, "", 60, L"C:\\2.txt"), Job(0, 100, "", 60, L"C:\\3.txt")};
  SaveServiceSettings(reg, RegRoot::CurrentUser, kRoot, s);
  s.reports.erase(s.reports.begin());
  SaveServiceSettings(reg, RegRoot::CurrentUser, kRoot, s);
  std::vector<std::wstring> names;
  ASSERT_TRUE(reg.EnumValues(RegRoot::CurrentUser, kRoot + L"Service\\Reports", names));
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Report1", L"Report2"}));
  EXPECT_EQ(ParseReportJob(reg.Find(RegRoot::CurrentUser, kRoot + L"Service\\Reports", L"Report1")->data).file,
            L"C:\\2.txt");
  s.reports.clear();
  SaveServiceSettings(reg, RegRoot::CurrentUser, kRoot, s);
  EXPECT_FALSE(reg.KeyExists(RegRoot::CurrentUser, kRoot + L"Service\\Reports"));
}

TEST(ServiceSettingsStore, LoadTakesAnyValueNameAndShortOptions) {
  MemoryRegistry reg;
  const std::wstring reports = kRoot + L"Service\\Reports";
  reg.WriteRaw(RegRoot::CurrentUser, kRoot + L"Service", L"ServiceOptions", kRegBinary, {1, 0, 0, 0, 1});
  reg.WriteBinary(RegRoot::CurrentUser, reports, L"Zeta", SerializeReportJob(Job(1, 100, "", 5, L"C:\\z.txt")));
  reg.WriteBinary(RegRoot::CurrentUser, reports, L"Alpha", SerializeReportJob(Job(2, 100, "", 6, L"C:\\a.txt")));
  reg.WriteDword(RegRoot::CurrentUser, reports, L"NotBinary", 1);
  ServiceSettings s;
  s.sendMail = true;
  s.recordRates = true;
  LoadServiceSettings(reg, RegRoot::CurrentUser, kRoot, s);
  EXPECT_FALSE(s.enabled);
  EXPECT_TRUE(s.sendMail);      // byte 4 set, the rest of the 12 bytes zero
  EXPECT_FALSE(s.recordRates);
  ASSERT_EQ(s.reports.size(), 2u);
  EXPECT_EQ(s.reports[0].file, L"C:\\z.txt");
  EXPECT_EQ(s.reports[1].file, L"C:\\a.txt");
}

TEST(ReportFiles, FormatFollowsTheExtension) {
  const struct {
    const wchar_t* path;
    ExportFormat format;
  } cases[] = {
      {L"C:\\r\\a.csv", ExportFormat::Csv},   {L"C:\\r\\a.CSV", ExportFormat::Csv},
      {L"C:\\r\\a.htm", ExportFormat::Html},  {L"C:\\r\\a.Html", ExportFormat::Html},
      {L"C:\\r\\a.txt", ExportFormat::Text},  {L"C:\\r\\a.log", ExportFormat::Text},
      {L"C:\\r.csv\\a", ExportFormat::Text},  {L"C:\\r\\a.csv.bak", ExportFormat::Text},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatOfReportFile(c.path), c.format) << c.path;
}

TEST(ReportFiles, OnlyFullPathsToTextFilesOutsideWindowsAreWritten) {
  const std::wstring windows = L"C:\\Windows";
  const struct {
    const wchar_t* path;
    bool refused;
  } cases[] = {
      {L"C:\\Reports\\day.txt", false},       {L"D:\\r\\a.CSV", false},
      {L"\\\\server\\share\\a.htm", false},   {L"c:/data/a.html", false},
      {L"C:\\Windowsless\\a.txt", false},     {L"C:\\r\\..x.txt", false},
      {L"C:\\Windows\\a.txt", true},          {L"c:\\windows\\system32\\a.csv", true},
      {L"C:\\r\\..\\Windows\\a.txt", true},   {L"report.txt", true},
      {L"\\report.txt", true},                {L"C:report.txt", true},
      {L"C:\\Tools\\zephra.exe", true},       {L"C:\\r\\a.txt.dll", true},
      {L"C:\\r\\a", true},                    {L"", true},
  };
  for (const auto& c : cases) EXPECT_EQ(RefusedOutputPath(c.path, windows) != nullptr, c.refused) << c.path;
}
