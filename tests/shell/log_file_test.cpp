// The traffic log on real files under Wine: the sharing modes that keep the
// meter and the companion service apart, and the byte layout on disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "shell_support.h"
#include "trafficlog/log_file_win.h"

namespace {

class TempFolder {
public:
  TempFolder() {
    static int counter = 0;
    wchar_t base[MAX_PATH];
    ::GetTempPathW(MAX_PATH, base);
    path_ = std::wstring(base) + L"zephra-log-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }
  const std::wstring& path() const { return path_; }

private:
  std::wstring path_;
};

std::vector<uint8_t> ReadAll(const std::wstring& path) {
  const std::string bytes = ReadFileBytes(path);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

HANDLE OpenRaw(const std::wstring& path, DWORD access, DWORD share) {
  return ::CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

LocalTime Day(int y, int m, int d) {
  LocalTime t;
  t.year = static_cast<uint16_t>(y);
  t.month = static_cast<uint16_t>(m);
  t.day = static_cast<uint16_t>(d);
  return WithDayOfWeek(t);
}

}  // namespace

TEST(LogFileWin, NormalModeLetsOthersOnlyRead) {
  TempFolder dir;
  const std::wstring path = dir.file(L"sum_v2.log");
  WinLogPlatform platform(nullptr, L"ZephraTestNoSuchService");
  TrafficLog log(platform);
  log.SetPath(path, true);
  ASSERT_TRUE(log.OpenLogFile(false));

  // A second writer, however it shares, is refused.
  HANDLE writer = OpenRaw(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
  EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  if (writer != INVALID_HANDLE_VALUE) ::CloseHandle(writer);
  EXPECT_EQ(OpenLogFileHandle(path, LogOpenMode::NormalReadWrite), nullptr);
  // Readers may read, if they leave writing to the holder.
  EXPECT_NE(OpenLogFileHandle(path, LogOpenMode::ServiceRead), nullptr);
  HANDLE reader = OpenRaw(path, GENERIC_READ, FILE_SHARE_READ);
  EXPECT_EQ(reader, INVALID_HANDLE_VALUE);
  if (reader != INVALID_HANDLE_VALUE) ::CloseHandle(reader);

  log.CloseLogFile();
  writer = OpenRaw(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ);
  EXPECT_NE(writer, INVALID_HANDLE_VALUE);
  if (writer != INVALID_HANDLE_VALUE) ::CloseHandle(writer);
}

TEST(LogFileWin, ServiceModeLetsTheServiceWrite) {
  TempFolder dir;
  const std::wstring path = dir.file(L"sum_v2.log");
  WinLogPlatform platform(nullptr, L"ZephraTestNoSuchService");
  {
    TrafficLog create(platform);
    create.SetPath(path, true);
    ASSERT_TRUE(create.OpenLogFile(false));
  }
  // The service holds the file for writing and lets others only read.
  HANDLE service = OpenRaw(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ);
  ASSERT_NE(service, INVALID_HANDLE_VALUE);
  TrafficLog log(platform);
  log.SetPath(path, true);
  EXPECT_TRUE(log.OpenLogFile(true));
  // ...and the meter in normal mode cannot get it.
  TrafficLog normal(platform);
  normal.SetPath(path, true);
  EXPECT_FALSE(normal.OpenLogFile(false));
  ::CloseHandle(service);
}

TEST(LogFileWin, RecordsOnDiskAndClearingBackToTheHeader) {
  TempFolder dir;
  const std::wstring path = dir.file(L"sum_v2.log");
  WinLogPlatform platform(nullptr, L"ZephraTestNoSuchService");
  AdapterEntry all(4), nic(4);
  all.kind = kKindAll;
  nic.kind = kKindAdapter;
  nic.id = "{NIC}";
  all.todayIn = 1000;
  nic.todayOut = 77;
  std::vector<AdapterEntry*> entries = {&all, &nic};

  TrafficLog log(platform);
  log.SetPath(path, true);
  ASSERT_TRUE(log.OpenLogFile(false));
  const std::vector<uint8_t> header = {'N', 'T', 'S', 'L', 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(ReadAll(path), header);
  log.WriteTodayRecords(entries, Day(2008, 3, 15));
  nic.todayOut = 78;
  log.WriteTodayRecords(entries, Day(2008, 3, 15));
  std::vector<uint8_t> bytes = ReadAll(path);
  ASSERT_EQ(bytes.size(), 24u + 2 * 296u);
  const DayRecord r = DecodeDayRecord(bytes.data() + 24 + 296);
  EXPECT_EQ(r.id, "{NIC}");
  EXPECT_EQ(r.up, 78u);
  EXPECT_EQ(r.weekday, 6);

  log.CloseLogFile();
  ASSERT_TRUE(log.OpenLogFile(false));
  ASSERT_TRUE(log.LoadTodayCounters(entries, Day(2008, 3, 15)));
  EXPECT_EQ(all.todayIn, 1000u);
  EXPECT_EQ(nic.logRecordOffset, 24 + 296);
  const std::vector<uint8_t> kept = ReadAll(path);
  ASSERT_TRUE(log.ClearLog(entries, CivilDate{2008, 3, 15}));
  EXPECT_EQ(ReadAll(path), header);
  EXPECT_EQ(ReadAll(dir.file(L"Backups\\sum_v2-2008-03-15-before-clear.log")), kept);
  log.CloseLogFile();
  ASSERT_TRUE(log.OpenLogFile(false));
  EXPECT_EQ(log.backupPath(), L"");
  EXPECT_EQ(ReadAll(path), header);
}

TEST(LogFileWin, ForeignFileIsCopiedAsideAndFoldersAreCreated) {
  TempFolder dir;
  const std::wstring path = dir.file(L"notes.log");
  { std::ofstream(std::filesystem::path(path), std::ios::binary) << "not a log"; }
  WinLogPlatform platform(nullptr, L"ZephraTestNoSuchService");
  TrafficLog log(platform);
  log.SetPath(path, true);
  ASSERT_TRUE(log.OpenLogFile(false));
  EXPECT_EQ(ReadAll(path).size(), 24u);
  const std::vector<uint8_t> copy = ReadAll(path + L".bak");
  EXPECT_EQ(std::string(copy.begin(), copy.end()), "not a log");

  const std::wstring nested = dir.path() + L"\\a\\b\\ZephraData\\";
  EXPECT_TRUE(platform.EnsureDirectory(nested));
  EXPECT_TRUE(std::filesystem::is_directory(nested));
  std::wstring appData;
  EXPECT_TRUE(platform.AppDataFolder(appData));
  EXPECT_TRUE(std::filesystem::is_directory(appData));
}
