// The traffic log's platform held in memory: files as byte vectors shared with
// the test, folders, the companion service's state and the adapter list.
#pragma once
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "trafficlog/traffic_log.h"

// Files in memory; a path in `locked` cannot be opened for writing (the service
// holds it) until the service is stopped, when stopping unlocks it.
class MemoryLogPlatform : public LogPlatform {
public:
  using Bytes = std::shared_ptr<std::vector<uint8_t>>;
  std::map<std::wstring, Bytes> files;
  std::set<std::wstring> locked;
  std::set<std::wstring> unwritable;  // folders where nothing can be created
  bool appData = true;
  int serviceState = kServiceNotInstalled;
  bool stopUnlocks = true;
  int stops = 0;
  std::vector<AdapterInfo> adapters;
  std::vector<std::wstring> createdDirs;

  std::unique_ptr<LogFile> OpenFile(const std::wstring& path, LogOpenMode mode) override {
    auto it = files.find(path);
    switch (mode) {
      case LogOpenMode::ServiceRead:
      case LogOpenMode::OldLogRead:
        if (it == files.end()) return nullptr;
        return std::make_unique<MemoryLogFile>(it->second, false);
      case LogOpenMode::NormalReadWrite:
        if (locked.count(path)) return nullptr;
        if (it == files.end()) {
          if (Unwritable(path)) return nullptr;
          it = files.emplace(path, std::make_shared<std::vector<uint8_t>>()).first;
        }
        return std::make_unique<MemoryLogFile>(it->second, true);
      case LogOpenMode::CreateNew:
        if (it != files.end() || Unwritable(path)) return nullptr;
        return std::make_unique<MemoryLogFile>(files[path] = std::make_shared<std::vector<uint8_t>>(), true);
    }
    return nullptr;
  }
  bool AppDataFolder(std::wstring& out) override {
    out = L"C:\\Users\\u\\AppData\\Roaming";
    return appData;
  }
  bool EnsureDirectory(const std::wstring& path) override {
    createdDirs.push_back(path);
    return true;
  }
  bool ProgramFolder(std::wstring& out) override {
    out = L"C:\\Program Files\\Zephra\\";
    return true;
  }
  int QueryServiceState() override { return serviceState; }
  bool StopService() override {
    ++stops;
    if (!stopUnlocks) return false;
    serviceState = kServiceStopped;
    locked.clear();
    return true;
  }
  bool ListAdapters(std::vector<AdapterInfo>& out) override {
    out = adapters;
    return true;
  }

private:
  bool Unwritable(const std::wstring& path) const {
    for (const auto& dir : unwritable)
      if (path.rfind(dir, 0) == 0) return true;
    return false;
  }
};
