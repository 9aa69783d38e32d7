#include "trafficlog/log_format.h"

#include "base/bytes.h"
#include "measure/catalogue.h"

#include <algorithm>
#include <cstring>

namespace {

// Field offsets inside a day record.
constexpr size_t kYearAt = 0, kMonthAt = 2, kDayAt = 4, kWeekdayAt = 8, kKindAt = 12, kIdAt = 16;
constexpr size_t kDownAt = 280, kUpAt = 288;

// The scan runs these once per record: plain loops, because the C runtime's
// memchr and memcmp are byte-at-a-time calls under some systems.
size_t IdLength(const uint8_t* field) {
  size_t n = 0;
  while (n < kLogIdFieldSize && field[n] != 0) ++n;
  return n;
}

bool SameBytes(const uint8_t* a, const char* b, size_t n) {
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t x, y;
    std::memcpy(&x, a + i, 8);
    std::memcpy(&y, b + i, 8);
    if (x != y) return false;
  }
  for (; i < n; ++i)
    if (a[i] != static_cast<uint8_t>(b[i])) return false;
  return true;
}

// Fills a record in place, so a scan reuses the ID's storage.
void DecodeInto(const uint8_t* in, DayRecord& r) {
  r.year = GetU16Le(in + kYearAt);
  r.month = GetU16Le(in + kMonthAt);
  r.day = GetU16Le(in + kDayAt);
  r.weekday = GetU16Le(in + kWeekdayAt);
  r.kind = static_cast<int32_t>(GetU32Le(in + kKindAt));
  r.id.assign(reinterpret_cast<const char*>(in + kIdAt), IdLength(in + kIdAt));
  r.down = GetU64Le(in + kDownAt);
  r.up = GetU64Le(in + kUpAt);
}

}  // namespace

void EncodeLogHeader(uint8_t out[kLogHeaderSize]) {
  std::memset(out, 0, kLogHeaderSize);
  std::memcpy(out, kLogSignature, 4);
  PutU32Le(out + 4, kLogVersion);
}

bool IsCurrentLogHeader(const uint8_t* bytes, size_t size) {
  return size >= kLogHeaderSize && std::memcmp(bytes, kLogSignature, 4) == 0 && GetU32Le(bytes + 4) == kLogVersion;
}

void EncodeDayRecord(const DayRecord& r, uint8_t out[kDayRecordSize]) {
  std::memset(out, 0, kDayRecordSize);
  PutU16Le(out + kYearAt, r.year);
  PutU16Le(out + kMonthAt, r.month);
  PutU16Le(out + kDayAt, r.day);
  PutU16Le(out + kWeekdayAt, r.weekday);
  PutU32Le(out + kKindAt, static_cast<uint32_t>(r.kind));
  // At most 259 characters, so the field always keeps its NUL.
  const size_t n = std::min<size_t>(r.id.size(), kLogIdFieldSize - 1);
  std::memcpy(out + kIdAt, r.id.data(), n);
  PutU64Le(out + kDownAt, r.down);
  PutU64Le(out + kUpAt, r.up);
}

DayRecord DecodeDayRecord(const uint8_t in[kDayRecordSize]) {
  DayRecord r;
  DecodeInto(in, r);
  return r;
}

OldDayRecord DecodeOldRecord(const uint8_t in[kOldRecordSize]) {
  OldDayRecord r;
  std::memcpy(r.date, in, 12);
  r.kind = static_cast<int32_t>(GetU32Le(in + 12));
  std::memcpy(r.address, in + 16, 8);
  r.down = GetU64Le(in + 24);
  r.up = GetU64Le(in + 32);
  return r;
}

bool RecordMatches(int32_t recordKind, const std::string& recordId, int32_t kind, const std::string& id) {
  if (recordKind != kind) return false;
  return kind == 100 || kind == 200 || recordId == id;
}

bool IsCalendarDate(int year, int month, int day) {
  return year >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

// ---- MemoryLogFile ---------------------------------------------------------------

MemoryLogFile::MemoryLogFile(std::shared_ptr<std::vector<uint8_t>> bytes, bool writable)
    : bytes_(bytes ? std::move(bytes) : std::make_shared<std::vector<uint8_t>>()), writable_(writable) {}

size_t MemoryLogFile::ReadAt(uint64_t offset, uint8_t* buffer, size_t size) {
  ++reads;
  if (failReads || offset >= bytes_->size()) return 0;
  const size_t n = static_cast<size_t>(std::min<uint64_t>(size, bytes_->size() - offset));
  std::memcpy(buffer, bytes_->data() + offset, n);
  return n;
}

bool MemoryLogFile::WriteAt(uint64_t offset, const uint8_t* data, size_t size) {
  if (!writable_ || failWrites) return false;
  if (offset + size > bytes_->size()) bytes_->resize(static_cast<size_t>(offset + size));
  std::memcpy(bytes_->data() + offset, data, size);
  return true;
}

bool MemoryLogFile::Size(uint64_t& size) {
  size = bytes_->size();
  return true;
}

bool MemoryLogFile::Truncate(uint64_t size) {
  if (!writable_ || failWrites) return false;
  bytes_->resize(static_cast<size_t>(size));
  return true;
}

bool MemoryLogFile::Flush() {
  ++flushes;
  return writable_;
}

// ---- RecordScanner -------------------------------------------------------------------

RecordScanner::RecordScanner(LogFile* file) : file_(file), ended_(file == nullptr) {}

bool RecordScanner::Fill() {
  if (ended_) return false;
  const size_t want = kScanBlockRecords * kDayRecordSize;
  if (!block_) block_.reset(new uint8_t[want]);
  const size_t got = file_->ReadAt(blockOffset_, block_.get(), want);
  have_ = got / kDayRecordSize;
  pos_ = 0;
  // A short read ends the scan after its whole records; a partial tail is ignored.
  if (got < want) ended_ = true;
  return have_ > 0;
}

const uint8_t* RecordScanner::NextRaw(uint64_t& offset) {
  if (pos_ >= have_) {
    if (have_ > 0) blockOffset_ += have_ * kDayRecordSize;
    have_ = 0;
    if (!Fill()) return nullptr;
  }
  offset = blockOffset_ + pos_ * kDayRecordSize;
  return block_.get() + kDayRecordSize * pos_++;
}

bool RecordScanner::Next(DayRecord& record, uint64_t& offset) {
  const uint8_t* raw = NextRaw(offset);
  if (!raw) return false;
  DecodeInto(raw, record);
  return true;
}

bool RecordScanner::NextOf(int32_t kind, const std::string& id, DayRecord& record, uint64_t& offset) {
  const size_t n = id.size();
  // An ID holding a NUL can equal no stored ID, which ends at its first NUL.
  const bool matchable = n <= kLogIdFieldSize && id.find('\0') == std::string::npos;
  while (const uint8_t* raw = NextRaw(offset)) {
    if (static_cast<int32_t>(GetU32Le(raw + kKindAt)) != kind) continue;
    if (kind != 100 && kind != 200) {
      // Equal IDs: the same first n bytes, then the field's end or its NUL
      // (no search for the NUL through the whole field).
      if (!matchable || !SameBytes(raw + kIdAt, id.data(), n)) continue;
      if (n < kLogIdFieldSize && raw[kIdAt + n] != 0) continue;
    }
    DecodeInto(raw, record);
    return true;
  }
  return false;
}

// ---- Conversion of "sum.log" -----------------------------------------------------------

size_t ConvertOldRecords(LogFile& oldLog, LogFile& newLog, const std::vector<AdapterInfo>& adapters) {
  struct Known {
    uint8_t address[8];
    std::string id;
  };
  std::vector<Known> known;
  for (const AdapterInfo& a : adapters) {
    Known k{};
    for (uint32_t i = 0; i < 8; ++i) k.address[i] = i < a.addressLength ? a.address[i] : 0;
    k.id = AdapterId(a);
    known.push_back(std::move(k));
  }

  uint64_t out = AppendOffset(newLog);
  if (out == UINT64_MAX) return 0;
  size_t appended = 0;
  uint8_t raw[kOldRecordSize];
  for (uint64_t in = 0; oldLog.ReadAt(in, raw, kOldRecordSize) == kOldRecordSize; in += kOldRecordSize) {
    const OldDayRecord old = DecodeOldRecord(raw);
    std::string id;
    if (old.kind != 100 && old.kind != 200) {
      auto it = std::find_if(known.begin(), known.end(),
                             [&](const Known& k) { return std::memcmp(k.address, old.address, 8) == 0; });
      if (it == known.end()) continue;  // that adapter is gone; its traffic is not carried over
      id = it->id;
    }
    uint8_t image[kDayRecordSize];
    DayRecord r;
    r.kind = old.kind;
    r.id = id;
    r.down = old.down;
    r.up = old.up;
    EncodeDayRecord(r, image);
    std::memcpy(image, old.date, 12);  // the date bytes as they were
    if (!newLog.WriteAt(out, image, kDayRecordSize)) break;
    out += kDayRecordSize;
    ++appended;
  }
  newLog.Flush();
  return appended;
}

uint64_t AppendOffset(LogFile& file) {
  uint64_t size = 0;
  if (!file.Size(size)) return UINT64_MAX;
  if (size < kLogHeaderSize) return kLogHeaderSize;
  return RecordOffset((size - kLogHeaderSize) / kDayRecordSize);
}
