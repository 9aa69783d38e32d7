// Recording files on disk: opened for writing with read sharing, so other
// programs can read a file while it grows; every append is written in one
// piece at the end and flushed, so an abrupt end loses no finished line.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "recorder/rates_recorder.h"

class WinRecordingFiles : public RecordingFiles {
public:
  std::unique_ptr<RecordingFile> Open(const std::wstring& path, bool& isNew) override;
};

// The recorder window's last check: the file's folders can be created and
// the file opened (it is created when missing, and closed again at once).
bool CanCreateRecordingFile(const std::wstring& path);
