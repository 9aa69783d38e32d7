// The rates recorder: for every connection that records, the bytes of each
// interval of N seconds become one line of its recording file, written and
// flushed at once. Each start of recording appends a new header block. The
// files themselves are reached through RecordingFiles, so the shell opens
// real files and the tests keep them in memory.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "settings/meter_settings.h"
#include "base/codepage.h"
#include "base/dates.h"
#include "base/format.h"
#include "measure/adapter_entry.h"
#include "settings/registry_store.h"

// An open recording file. Append writes the bytes in one piece at the end and
// flushes them; false when the write failed (the file stays open).
class RecordingFile {
public:
  virtual ~RecordingFile() = default;
  virtual bool Append(const std::string& bytes) = 0;
};

// Opens a recording file for writing, shared for reading, created when
// missing; isNew tells whether it was empty. Null when it cannot be opened.
class RecordingFiles {
public:
  virtual ~RecordingFiles() = default;
  virtual std::unique_ptr<RecordingFile> Open(const std::wstring& path, bool& isNew) = 0;
};

// The four stored values of one connection, as the recorder window edits them.
struct RecorderSettings {
  bool enabled = false;       // "RecordTrafficRates"
  int32_t interval = 1;       // "RecordInterval", seconds
  bool numberOnly = false;    // "RecordNumberOnly"
  std::wstring file;          // "RecordFile"
};
RecorderSettings RecorderSettingsOf(const AdapterEntry& entry);

// The options the texts follow.
struct RecorderOptions {
  bool unitBytes = true;                    // "DisplayUnitByte"
  int dateFormat = kDateMonthDayYearSlash;  // "DateFormat"
  bool showIpInTitle = true;                // "ShowIPInTitle"
  NarrowEncoder encode = &ToWindows1252;    // the system code page in the shell
};

// The options as the meter's settings hold them.
RecorderOptions RecorderOptionsOf(const MeterSettings& settings, NarrowEncoder encode);

// Whether the companion service is on ("ServiceEnabled") and records rates
// itself (its "ServiceOptions" recording flag).
struct RecorderServiceState {
  bool enabled = false;
  bool recordsRates = false;
  bool serviceRecords() const { return enabled && recordsRates; }
};

class RatesRecorder {
public:
  explicit RatesRecorder(RecordingFiles& files) : files_(files) {}
  RatesRecorder(const RatesRecorder&) = delete;
  RatesRecorder& operator=(const RatesRecorder&) = delete;

  void SetOptions(const RecorderOptions& options) { options_ = options; }
  const RecorderOptions& options() const { return options_; }

  // Every connection: sums cleared; files closed where recording is off or
  // the service records; otherwise a closed file is opened with a new
  // countdown (an interval below 1 becomes 1).
  void Start(const std::vector<AdapterEntry*>& entries, bool serviceRecords, const LocalTime& now);
  // Opens the entry's file and appends a header block stamped with now.
  // False, and no file, when it cannot be opened or the header not written.
  bool Open(AdapterEntry& entry, const LocalTime& now);
  void Close(const AdapterEntry& entry);
  void CloseAll() { open_.clear(); }
  bool IsOpen(const AdapterEntry& entry) const { return Find(entry) != nullptr; }
  bool IsCsv(const AdapterEntry& entry) const;

  // One tick's bytes of a connection; when its interval has run down, one
  // line with the interval's totals and the tick's time. A failed write is
  // dropped: the next interval starts afresh and tries again.
  void Record(AdapterEntry& entry, uint64_t down, uint64_t up, const LocalTime& now);

  // The recorder window's rows (one per entry, same order) taken over: a
  // changed interval, number-only flag or file closes the file so that it is
  // reopened with a fresh header; an unchanged row keeps file and countdown.
  void Apply(const std::vector<AdapterEntry*>& entries, const std::vector<RecorderSettings>& rows,
             bool serviceRecords, const LocalTime& now);

private:
  struct OpenFile {
    const AdapterEntry* entry;
    std::unique_ptr<RecordingFile> file;
    bool csv;
  };
  OpenFile* Find(const AdapterEntry& entry);
  const OpenFile* Find(const AdapterEntry& entry) const;
  std::string DateText(const LocalTime& t) const;

  RecordingFiles& files_;
  RecorderOptions options_;
  std::vector<OpenFile> open_;
};

// The first problem of the recorder window's rows, checked in list order;
// each recording row is checked for interval, empty file, a file shared with
// another recording row (case-insensitive) and last whether canCreate accepts
// its file. row = -1 when there is none.
struct RecorderProblem {
  int row = -1;
  std::wstring message;
};
RecorderProblem CheckRecorderRows(const std::vector<RecorderSettings>& rows, const std::wstring& windowsFolder,
                                  const std::function<bool(const std::wstring& path)>& canCreate);
