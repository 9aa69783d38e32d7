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
  // Files opened to be replaced take this many bytes in all, then fail (-1: no limit).
  int64_t writeBudget = -1;

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
      case LogOpenMode::Replace:
        if (Unwritable(path)) return nullptr;
        return std::make_unique<BudgetFile>(files[path] = std::make_shared<std::vector<uint8_t>>(), writeBudget);
    }
    return nullptr;
  }
  bool ReplaceFile(const std::wstring& from, const std::wstring& to) override {
    auto it = files.find(from);
    if (it == files.end()) return false;
    files[to] = it->second;
    files.erase(it);
    return true;
  }
  bool RemoveFile(const std::wstring& path) override { return files.erase(path) != 0; }
  std::vector<std::wstring> ListFiles(const std::wstring& folder) override {
    std::vector<std::wstring> names;
    for (const auto& [path, bytes] : files)
      if (path.size() > folder.size() && path.rfind(folder, 0) == 0 && path.find(L'\\', folder.size()) == std::wstring::npos)
        names.push_back(path.substr(folder.size()));
    return names;
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
  // A file whose writes fail once the platform's budget is spent.
  class BudgetFile : public MemoryLogFile {
  public:
    BudgetFile(Bytes bytes, int64_t& budget) : MemoryLogFile(std::move(bytes)), budget_(budget) {}
    bool WriteAt(uint64_t offset, const uint8_t* data, size_t size) override {
      if (budget_ >= 0 && static_cast<int64_t>(size) > budget_) {
        if (budget_ > 0) MemoryLogFile::WriteAt(offset, data, static_cast<size_t>(budget_));  // what fits
        budget_ = 0;
        return false;
      }
      if (budget_ >= 0) budget_ -= static_cast<int64_t>(size);
      return MemoryLogFile::WriteAt(offset, data, size);
    }

  private:
    int64_t& budget_;
  };

  bool Unwritable(const std::wstring& path) const {
    for (const auto& dir : unwritable)
      if (path.rfind(dir, 0) == 0) return true;
    return false;
  }
};
