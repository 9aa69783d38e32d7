// Recording files kept in memory, for the recorder and the companion service tests.
#pragma once
#include <map>
#include <memory>
#include <string>

#include "recorder/rates_recorder.h"

class MemoryFiles : public RecordingFiles {
public:
  struct File : RecordingFile {
    MemoryFiles* owner;
    std::wstring path;
    File(MemoryFiles* o, std::wstring p) : owner(o), path(std::move(p)) { ++owner->openCount; }
    ~File() override { --owner->openCount; }
    bool Append(const std::string& bytes) override {
      if (owner->failWrites) return false;
      owner->bytes[path] += bytes;
      return true;
    }
  };
  std::unique_ptr<RecordingFile> Open(const std::wstring& path, bool& isNew) override {
    if (path.empty()) return nullptr;
    isNew = bytes[path].empty();
    ++opens;
    return std::make_unique<File>(this, path);
  }
  std::map<std::wstring, std::string> bytes;
  bool failWrites = false;
  int openCount = 0;  // files open now
  int opens = 0;      // opens ever
};
