// The traffic log file "sum_v2.log": a 24-byte header and 296-byte day records,
// one per connection and day, all little-endian, shared with the companion
// service. Also the 40-byte records of the previous "sum.log".
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "measure/adapter_source.h"
#include "base/dates.h"

constexpr uint32_t kLogHeaderSize = 24;
constexpr uint32_t kDayRecordSize = 296;
constexpr uint32_t kLogVersion = 2;
constexpr uint32_t kLogIdFieldSize = 260;  // NUL-terminated, at most 259 characters
constexpr uint32_t kOldRecordSize = 40;
inline constexpr uint8_t kLogSignature[4] = {'N', 'T', 'S', 'L'};

// The scan reads this many whole records (about 1 MB) per read call, so a
// build over a large log costs a few dozen reads, not one per record.
constexpr size_t kScanBlockRecords = (1u << 20) / kDayRecordSize;

// Offset of record k.
constexpr uint64_t RecordOffset(uint64_t k) { return kLogHeaderSize + kDayRecordSize * k; }

// One day's traffic of one connection.
struct DayRecord {
  uint16_t year = 0;
  uint16_t month = 0;
  uint16_t day = 0;
  uint16_t weekday = 0;  // 0 = Sunday .. 6 = Saturday
  int32_t kind = 0;      // 100 All Connections, 200 Dial-Up Connections, 300 adapter
  std::string id;        // empty for 100 and 200
  uint64_t down = 0;
  uint64_t up = 0;

  CivilDate date() const { return CivilDate{year, month, day}; }
};

// One record of the previous "sum.log".
struct OldDayRecord {
  uint8_t date[12] = {};  // the first 12 bytes of a day record, same layout
  int32_t kind = 0;
  uint8_t address[8] = {};
  uint64_t down = 0;
  uint64_t up = 0;
};

void EncodeLogHeader(uint8_t out[kLogHeaderSize]);
// True when the bytes begin with the signature and version 2.
bool IsCurrentLogHeader(const uint8_t* bytes, size_t size);

void EncodeDayRecord(const DayRecord& r, uint8_t out[kDayRecordSize]);
// The ID is read up to its first NUL, or all 260 bytes when it has none.
DayRecord DecodeDayRecord(const uint8_t in[kDayRecordSize]);
OldDayRecord DecodeOldRecord(const uint8_t in[kOldRecordSize]);

// A record belongs to a connection when the kinds are equal and either the kind
// is an aggregate (100, 200) or the IDs are equal as exact text.
bool RecordMatches(int32_t recordKind, const std::string& recordId, int32_t kind, const std::string& id);
// The date fields form a real calendar date (year 1 and later).
bool IsCalendarDate(int year, int month, int day);

// The file as the log code sees it: positioned reads and writes, so readers and
// writers never depend on a shared file position.
class LogFile {
public:
  virtual ~LogFile() = default;
  // Reads up to size bytes at offset; returns the count read (0 at the end or on error).
  virtual size_t ReadAt(uint64_t offset, uint8_t* buffer, size_t size) = 0;
  virtual bool WriteAt(uint64_t offset, const uint8_t* data, size_t size) = 0;
  virtual bool Size(uint64_t& size) = 0;
  virtual bool Truncate(uint64_t size) = 0;
  virtual bool Flush() = 0;
  virtual bool writable() const = 0;
};

// A file held in memory; the native tests, the fuzz targets and the benchmark use it.
class MemoryLogFile : public LogFile {
public:
  explicit MemoryLogFile(std::shared_ptr<std::vector<uint8_t>> bytes = nullptr, bool writable = true);
  size_t ReadAt(uint64_t offset, uint8_t* buffer, size_t size) override;
  bool WriteAt(uint64_t offset, const uint8_t* data, size_t size) override;
  bool Size(uint64_t& size) override;
  bool Truncate(uint64_t size) override;
  bool Flush() override;
  bool writable() const override { return writable_; }

  const std::vector<uint8_t>& bytes() const { return *bytes_; }
  std::shared_ptr<std::vector<uint8_t>> shared() const { return bytes_; }
  int flushes = 0;
  int reads = 0;
  bool failReads = false;
  bool failWrites = false;

private:
  std::shared_ptr<std::vector<uint8_t>> bytes_;
  bool writable_;
};

// Reads the day records from offset 24 on, in file order, until a short read;
// a trailing partial record is never returned. Reads kScanBlockRecords at a time.
class RecordScanner {
public:
  explicit RecordScanner(LogFile* file);
  // False at the end of the records (or when there is no file).
  bool Next(DayRecord& record, uint64_t& offset);
  // Like Next, but decodes only the records of one connection.
  bool NextOf(int32_t kind, const std::string& id, DayRecord& record, uint64_t& offset);

private:
  bool Fill();
  const uint8_t* NextRaw(uint64_t& offset);

  LogFile* file_;
  std::unique_ptr<uint8_t[]> block_;  // kScanBlockRecords records, not zero-filled
  size_t have_ = 0;      // whole records in the block
  size_t pos_ = 0;       // next record in the block
  uint64_t blockOffset_ = kLogHeaderSize;
  bool ended_ = false;
};


// Appends the records of a previous-format log to the end of a current log:
// aggregates with an empty ID, adapters by the ID of the first present adapter
// with the same hardware address; records of adapters no longer present are
// dropped. Returns the count of records appended.
size_t ConvertOldRecords(LogFile& oldLog, LogFile& newLog, const std::vector<AdapterInfo>& adapters);

// Offset where a new record is appended: after the last whole record, so that a
// torn tail left by an interrupted write is overwritten instead of shifting
// every later record off the 296-byte grid. UINT64_MAX when the size is unknown.
uint64_t AppendOffset(LogFile& file);
