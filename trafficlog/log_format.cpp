#include "trafficlog/log_format.h"

#include <algorithm>
#include <cstring>

namespace {

void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put64(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}
uint64_t Get64(const uint8_t* p) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

// Field offsets inside a day record.
constexpr size_t kYearAt = 0, kMonthAt = 2, kDayAt = 4, kWeekdayAt = 8, kKindAt = 12, kIdAt = 16;
constexpr size_t kDownAt = 280, kUpAt = 288;

size_t IdLength(const uint8_t* field) {
  const void* nul = std::memchr(field, 0, kLogIdFieldSize);
  return nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - field) : kLogIdFieldSize;
}

constexpr size_t kScanBlockRecords = 256;

}  // namespace

void EncodeLogHeader(uint8_t out[kLogHeaderSize]) {
  std::memset(out, 0, kLogHeaderSize);
  std::memcpy(out, kLogSignature, 4);
  Put32(out + 4, kLogVersion);
}

bool IsCurrentLogHeader(const uint8_t* bytes, size_t size) {
  return size >= kLogHeaderSize && std::memcmp(bytes, kLogSignature, 4) == 0 && Get32(bytes + 4) == kLogVersion;
}

void EncodeDayRecord(const DayRecord& r, uint8_t out[kDayRecordSize]) {
  std::memset(out, 0, kDayRecordSize);
  Put16(out + kYearAt, r.year);
  Put16(out + kMonthAt, r.month);
  Put16(out + kDayAt, r.day);
  Put16(out + kWeekdayAt, r.weekday);
  Put32(out + kKindAt, static_cast<uint32_t>(r.kind));
  // At most 259 characters, so the field always keeps its NUL.
  const size_t n = std::min<size_t>(r.id.size(), kLogIdFieldSize - 1);
  std::memcpy(out + kIdAt, r.id.data(), n);
  Put64(out + kDownAt, r.down);
  Put64(out + kUpAt, r.up);
}

DayRecord DecodeDayRecord(const uint8_t in[kDayRecordSize]) {
  DayRecord r;
  r.year = Get16(in + kYearAt);
  r.month = Get16(in + kMonthAt);
  r.day = Get16(in + kDayAt);
  r.weekday = Get16(in + kWeekdayAt);
  r.kind = static_cast<int32_t>(Get32(in + kKindAt));
  r.id.assign(reinterpret_cast<const char*>(in + kIdAt), IdLength(in + kIdAt));
  r.down = Get64(in + kDownAt);
  r.up = Get64(in + kUpAt);
  return r;
}

OldDayRecord DecodeOldRecord(const uint8_t in[kOldRecordSize]) {
  OldDayRecord r;
  std::memcpy(r.date, in, 12);
  r.kind = static_cast<int32_t>(Get32(in + 12));
  std::memcpy(r.address, in + 16, 8);
  r.down = Get64(in + 24);
  r.up = Get64(in + 32);
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
  block_.resize(want);
  const size_t got = file_->ReadAt(blockOffset_, block_.data(), want);
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
  return block_.data() + kDayRecordSize * pos_++;
}

bool RecordScanner::Next(DayRecord& record, uint64_t& offset) {
  const uint8_t* raw = NextRaw(offset);
  if (!raw) return false;
  record = DecodeDayRecord(raw);
  return true;
}

bool RecordScanner::NextOf(int32_t kind, const std::string& id, DayRecord& record, uint64_t& offset) {
  while (const uint8_t* raw = NextRaw(offset)) {
    if (static_cast<int32_t>(Get32(raw + kKindAt)) != kind) continue;
    if (kind != 100 && kind != 200) {
      const size_t n = IdLength(raw + kIdAt);
      if (n != id.size() || std::memcmp(raw + kIdAt, id.data(), n) != 0) continue;
    }
    record = DecodeDayRecord(raw);
    return true;
  }
  return false;
}

// ---- Conversion of "sum.log" -----------------------------------------------------------

std::string OldLogAdapterId(const AdapterInfo& adapter) {
  std::string id;
  if (adapter.name.size() >= 11) {
    id = adapter.name;
    for (char& c : id)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  } else {
    static const char kHex[] = "0123456789ABCDEF";
    for (uint32_t i = 0; i < 8; ++i) {
      const uint8_t b = i < adapter.addressLength ? adapter.address[i] : 0;
      id += kHex[b >> 4];
      id += kHex[b & 15];
    }
  }
  if (id.size() > kLogIdFieldSize - 1) id.resize(kLogIdFieldSize - 1);
  return id;
}

size_t ConvertOldRecords(LogFile& oldLog, LogFile& newLog, const std::vector<AdapterInfo>& adapters) {
  struct Known {
    uint8_t address[8];
    std::string id;
  };
  std::vector<Known> known;
  for (const AdapterInfo& a : adapters) {
    Known k{};
    for (uint32_t i = 0; i < 8; ++i) k.address[i] = i < a.addressLength ? a.address[i] : 0;
    k.id = OldLogAdapterId(a);
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
