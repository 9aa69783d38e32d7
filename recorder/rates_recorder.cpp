#include "recorder/rates_recorder.h"

#include "base/text_util.h"
#include "base/utf16.h"
#include "measure/catalogue.h"
#include "recorder/recording_text.h"
#include "settings/service_settings.h"

RecorderSettings RecorderSettingsOf(const AdapterEntry& e) {
  return RecorderSettings{e.recordRates != 0, e.recordInterval, (e.recordFlags & 1u) != 0, e.recordFile};
}

RecorderOptions RecorderOptionsOf(const MeterSettings& settings, NarrowEncoder encode) {
  RecorderOptions o;
  o.unitBytes = settings.displayUnitByte != 0;
  o.dateFormat = settings.dateFormat;
  o.showIpInTitle = settings.showIpInTitle != 0;
  o.encode = encode;
  return o;
}

RatesRecorder::OpenFile* RatesRecorder::Find(const AdapterEntry& entry) {
  for (OpenFile& f : open_)
    if (f.entry == &entry) return &f;
  return nullptr;
}

const RatesRecorder::OpenFile* RatesRecorder::Find(const AdapterEntry& entry) const {
  return const_cast<RatesRecorder*>(this)->Find(entry);
}

bool RatesRecorder::IsCsv(const AdapterEntry& entry) const {
  const OpenFile* f = Find(entry);
  return f && f->csv;
}

std::string RatesRecorder::DateText(const LocalTime& t) const {
  return options_.encode(FormatDate(options_.dateFormat, t.year, t.month, t.day));
}

void RatesRecorder::Close(const AdapterEntry& entry) {
  for (auto it = open_.begin(); it != open_.end(); ++it) {
    if (it->entry == &entry) {
      open_.erase(it);
      return;
    }
  }
}

bool RatesRecorder::Open(AdapterEntry& entry, const LocalTime& now) {
  Close(entry);
  bool isNew = false;
  std::unique_ptr<RecordingFile> file = files_.Open(entry.recordFile, isNew);
  if (!file) return false;
  RecordingHeader h;
  h.csv = IsCsvRecordingPath(entry.recordFile);
  h.newFile = isNew;
  h.title = options_.encode(EntryTitle(entry, options_.showIpInTitle));
  h.date = DateText(now);
  h.hour = now.hour;
  h.minute = now.minute;
  h.second = now.second;
  h.interval = entry.recordInterval;
  h.unitBytes = options_.unitBytes;
  // A file whose header cannot be written (a full disk) would hold lines
  // without one: it stays closed until the next start of recording.
  if (!file->Append(RecordingHeaderText(h))) return false;
  open_.push_back(OpenFile{&entry, std::move(file), h.csv});
  return true;
}

void RatesRecorder::Start(const std::vector<AdapterEntry*>& entries, bool serviceRecords, const LocalTime& now) {
  for (AdapterEntry* e : entries) {
    e->recordSumIn = e->recordSumOut = 0;
    if (serviceRecords || !e->recordRates) {
      Close(*e);
    } else if (!IsOpen(*e)) {
      if (!kShortCountRange.Contains(e->recordInterval))
        e->recordInterval = e->recordInterval < 1 ? kShortCountRange.low : kShortCountRange.high;
      e->recordCountdown = e->recordInterval;
      Open(*e, now);
    }
  }
}

void RatesRecorder::Record(AdapterEntry& entry, uint64_t down, uint64_t up, const LocalTime& now) {
  OpenFile* f = Find(entry);
  if (!f) return;
  entry.recordSumIn += down;
  entry.recordSumOut += up;
  if (--entry.recordCountdown > 0) return;
  RecordingLine line;
  line.csv = f->csv;
  line.numberOnly = (entry.recordFlags & 1u) != 0;
  line.unitBytes = options_.unitBytes;
  line.date = DateText(now);
  line.hour = now.hour;
  line.minute = now.minute;
  line.second = now.second;
  line.down = entry.recordSumIn;
  line.up = entry.recordSumOut;
  f->file->Append(RecordingLineText(line));  // a failed write is tried again next interval
  entry.recordSumIn = entry.recordSumOut = 0;
  entry.recordCountdown = entry.recordInterval > 0 ? entry.recordInterval : 1;
}

void RatesRecorder::Apply(const std::vector<AdapterEntry*>& entries, const std::vector<RecorderSettings>& rows,
                          bool serviceRecords, const LocalTime& now) {
  for (size_t i = 0; i < entries.size() && i < rows.size(); ++i) {
    AdapterEntry& e = *entries[i];
    const RecorderSettings& row = rows[i];
    const bool numberOnly = (e.recordFlags & 1u) != 0;
    auto takeNumberOnly = [&] { e.recordFlags = row.numberOnly ? (e.recordFlags | 1u) : (e.recordFlags & ~1u); };
    if (!row.enabled) {
      if (e.recordRates) {
        Close(e);
        e.recordRates = 0;
        e.recordInterval = row.interval;
        takeNumberOnly();
        e.recordFile = row.file;
        e.recordCountdown = 0;
        e.recordSumIn = e.recordSumOut = 0;
      }
      continue;
    }
    if (e.recordRates) {
      bool changed = false;
      if (row.interval != e.recordInterval) {
        e.recordInterval = row.interval;
        e.recordCountdown = row.interval;
        e.recordSumIn = e.recordSumOut = 0;
        changed = true;
      }
      if (e.recordCountdown == 0) e.recordCountdown = e.recordInterval;
      if (row.numberOnly != numberOnly) {
        takeNumberOnly();
        changed = true;
      }
      if (!EqualNoCase(row.file, e.recordFile)) {
        e.recordFile = row.file;
        changed = true;
      }
      if (changed) Close(e);
    } else {
      e.recordRates = 1;
      e.recordInterval = row.interval;
      takeNumberOnly();
      e.recordFile = row.file;
      e.recordCountdown = row.interval;
      e.recordSumIn = e.recordSumOut = 0;
    }
    if (!IsOpen(e) && !serviceRecords) Open(e, now);
  }
}

RecorderProblem CheckRecorderRows(const std::vector<RecorderSettings>& rows, const std::wstring& windowsFolder,
                                  const std::function<bool(const std::wstring& path)>& canCreate) {
  for (size_t i = 0; i < rows.size(); ++i) {
    const RecorderSettings& r = rows[i];
    if (!r.enabled) continue;
    const int row = static_cast<int>(i);
    if (r.interval < 1) return {row, L"The recording interval should be equal to or greater than 1."};
    if (r.interval > kShortCountRange.high) return {row, L"The recording interval must be between 1 and 32767."};
    if (r.file.empty()) return {row, L"The rates recording file should not be empty."};
    // The companion service writes the same files with its recording option:
    // a path it would refuse is refused here too.
    if (const wchar_t* why = RefusedOutputPath(r.file, windowsFolder)) return {row, RefusedPathMessage(r.file, why)};
    for (size_t j = 0; j < rows.size(); ++j) {
      if (j != i && rows[j].enabled && EqualNoCase(rows[j].file, r.file))
        return {row, L"There are two or more same rates recording files. Please choose a different file for each adapter."};
    }
    if (!canCreate(r.file))
      return {row, FillPlaces(L"Failed to create file \"%s\". Be sure you have write permission or choose another file.",
                              {r.file})};
  }
  return {};
}
