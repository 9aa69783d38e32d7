#include "measure/catalogue.h"

#include "base/utf16.h"

#include <bit>
#include <cmath>
#include <cstdio>

namespace {

constexpr wchar_t kAllName[] = L"All Connections";
constexpr wchar_t kDialUpName[] = L"Dial-Up Connections";

// IDs are 8-bit text; in the registry they are wide. Each byte maps to the code
// point of the same value and back, so an ID survives a save and a load.
std::wstring WidenId(const std::string& id) {
  std::wstring out;
  out.reserve(id.size());
  for (unsigned char c : id) out.push_back(static_cast<wchar_t>(c));
  return out;
}

std::string NarrowId(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    const auto u = static_cast<uint32_t>(c);
    out.push_back(u <= 0xFF ? static_cast<char>(u) : '?');
  }
  return out;
}

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f'; }

std::wstring Trim(const std::wstring& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && IsSpace(text[first])) ++first;
  while (last > first && IsSpace(text[last - 1])) --last;
  return text.substr(first, last - first);
}

bool IsDialUpType(uint32_t type) { return type == kIfTypePpp || type == kIfTypeSlip; }

std::wstring AdaptersKey(const std::wstring& rootPath) { return rootPath + kAdaptersKeyName; }

std::vector<uint8_t> FloatBytes(float value) {
  const auto bits = std::bit_cast<uint32_t>(value);
  return {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8), static_cast<uint8_t>(bits >> 16),
          static_cast<uint8_t>(bits >> 24)};
}

// "Size" as stored: exactly 4 bytes, a finite share between 0 and 1; anything
// else counts as not set.
float SizeFromBytes(const std::vector<uint8_t>& bytes) {
  if (bytes.size() != 4) return 0.0f;
  const uint32_t bits = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                        static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
  const float value = std::bit_cast<float>(bits);
  if (!std::isfinite(value) || value < 0.0f || value > 1.0f) return 0.0f;
  return value;
}

// Takes the row's counters, type, the adapter's address and description.
void RefreshFromLive(AdapterEntry& entry, const InterfaceRow& row, const AdapterInfo& adapter,
                     const AdapterSource& source) {
  entry.interfaceType = row.type;
  entry.lastIn = row.inOctets;
  entry.lastOut = row.outOctets;
  entry.lastCounters64 = row.counters64;
  entry.hasPrevious = true;
  entry.ipAddress = adapter.ipAddress;
  entry.description = DescriptionFromRow(row, source);
}

}  // namespace

std::string AdapterId(const AdapterInfo& adapter) {
  if (adapter.name.size() > 10) return AsciiUpper(adapter.name.substr(0, kMaxIdLength));
  uint8_t bytes[8] = {};
  for (uint32_t i = 0; i < 8 && i < adapter.addressLength; ++i) bytes[i] = adapter.address[i];
  char text[17];
  std::snprintf(text, sizeof text, "%02X%02X%02X%02X%02X%02X%02X%02X", bytes[0], bytes[1], bytes[2], bytes[3],
                bytes[4], bytes[5], bytes[6], bytes[7]);
  return text;
}

std::wstring DescriptionFromRow(const InterfaceRow& row, const AdapterSource& source) {
  std::wstring text = Trim(source.DecodeText(row.description));
  if (!text.empty()) return text;
  return IsDialUpType(row.type) ? L"WAN" : L"Unknown Connection";
}

std::wstring EntryTitle(const AdapterEntry& entry, bool showIpInTitle) {
  if (entry.kind != kKindAdapter || !showIpInTitle || entry.ipAddress.empty()) {
    if (entry.name.empty() && entry.kind == kKindAdapter && entry.ipAddress.empty()) return entry.description;
    return entry.name;
  }
  const std::wstring ip = WidenId(entry.ipAddress);
  if (entry.name.empty()) return ip;
  return entry.name + L" [" + ip + L"]";
}

std::unique_ptr<AdapterEntry> NewAggregateEntry(int32_t kind, size_t maxHistory) {
  auto entry = std::make_unique<AdapterEntry>(maxHistory);
  entry->kind = kind;
  entry->name = entry->description = kind == kKindAll ? kAllName : kDialUpName;
  return entry;
}

std::wstring EntryKeyPath(const std::wstring& rootPath, const AdapterEntry& entry) {
  return AdaptersKey(rootPath) + L"\\" + std::to_wstring(entry.kind) + L"-" + WidenId(entry.id);
}

bool LoadAdapterEntry(RegistryStore& store, RegRoot root, const std::wstring& rootPath,
                      const std::wstring& subkeyName, AdapterEntry& entry) {
  entry = AdapterEntry(entry.history.capacity());
  const std::wstring prefix = subkeyName.substr(0, 3);
  if (prefix == L"100" || prefix == L"200") {
    entry.kind = prefix == L"100" ? kKindAll : kKindDialUp;
    entry.name = entry.description = entry.kind == kKindAll ? kAllName : kDialUpName;
  } else if (prefix == L"300") {
    entry.kind = kKindAdapter;
  } else {
    return false;
  }

  const std::wstring key = AdaptersKey(rootPath) + L"\\" + subkeyName;
  if (!store.KeyExists(root, key)) return false;

  std::wstring text;
  uint32_t value = 0;
  if (store.ReadString(root, key, L"AdapterName", text) && !text.empty()) entry.name = text;
  if (store.ReadDword(root, key, L"RecordTrafficRates", value)) entry.recordRates = static_cast<int32_t>(value);
  value = 0;
  store.ReadDword(root, key, L"RecordNumberOnly", value);
  entry.recordFlags = value ? (entry.recordFlags | 1u) : (entry.recordFlags & ~1u);
  if (store.ReadDword(root, key, L"RecordInterval", value)) entry.recordInterval = static_cast<int32_t>(value);
  if (store.ReadString(root, key, L"RecordFile", text) && !text.empty()) entry.recordFile = text;
  if (store.ReadDword(root, key, L"ConnRatebps", value)) entry.connectionRate = value;
  if (store.ReadDword(root, key, L"Monitored", value)) entry.monitored = value != 0;
  std::vector<uint8_t> bytes;
  entry.size = store.ReadBinary(root, key, L"Size", bytes) ? SizeFromBytes(bytes) : 0.0f;

  std::wstring storedId;
  if (!store.ReadString(root, key, L"AdapterID", storedId)) return false;
  // A longer ID cannot come from a listed adapter and would not fit the log's
  // ID field; cutting it could make it collide with another, so it is refused.
  if (storedId.size() > kMaxIdLength) return false;
  entry.id = AsciiUpper(NarrowId(storedId));
  if (entry.kind == kKindAdapter && entry.id.empty()) return false;
  if (entry.kind != kKindAdapter) entry.id.clear();
  return true;
}

bool AssignMenuIds(Catalogue& catalogue, AdapterEntry& entry) {
  if (entry.adapterMenuId == 0 && catalogue.nextAdapterMenuId <= kLastAdapterMenuId)
    entry.adapterMenuId = catalogue.nextAdapterMenuId++;
  if (entry.resetMenuId == 0 && catalogue.nextResetMenuId <= kLastResetMenuId)
    entry.resetMenuId = catalogue.nextResetMenuId++;
  return entry.adapterMenuId != 0 && entry.resetMenuId != 0;
}

AdapterEntry& AddAdapterEntry(Catalogue& catalogue, const InterfaceRow& row, const AdapterInfo& adapter,
                              const AdapterSource& source, bool withMenuIds) {
  auto entry = std::make_unique<AdapterEntry>(catalogue.maxHistory);
  entry->kind = kKindAdapter;
  entry->id = AdapterId(adapter);
  RefreshFromLive(*entry, row, adapter, source);
  entry->name = entry->description;
  if (withMenuIds) AssignMenuIds(catalogue, *entry);
  catalogue.entries.push_back(std::move(entry));
  return *catalogue.entries.back();
}

bool MergeLiveAdapters(Catalogue& catalogue, AdapterSource& source) {
  std::vector<AdapterInfo> adapters;
  if (!source.ListAdapters(adapters)) return false;
  for (const AdapterInfo& adapter : adapters) {
    const std::string id = AdapterId(adapter);
    InterfaceRow row;
    if (!source.ReadInterface(adapter.index, row)) continue;
    bool matched = false;
    for (size_t i = 2; i < catalogue.size(); ++i) {
      AdapterEntry& entry = catalogue[i];
      if (entry.id != id) continue;
      RefreshFromLive(entry, row, adapter, source);
      matched = true;
    }
    if (!matched) AddAdapterEntry(catalogue, row, adapter, source, false);
  }
  return true;
}

bool BuildCatalogue(Catalogue& catalogue, RegistryStore& store, AdapterSource& source, const std::wstring& rootPath) {
  catalogue.entries.clear();
  std::unique_ptr<AdapterEntry> all;
  std::unique_ptr<AdapterEntry> dialUp;
  std::vector<std::unique_ptr<AdapterEntry>> adapters;

  std::vector<std::wstring> subkeys;
  if (store.EnumSubkeys(RegRoot::CurrentUser, AdaptersKey(rootPath), subkeys)) {
    for (const std::wstring& name : subkeys) {
      if (name.size() > 1024) continue;
      auto entry = std::make_unique<AdapterEntry>(catalogue.maxHistory);
      if (!LoadAdapterEntry(store, RegRoot::CurrentUser, rootPath, name, *entry)) continue;
      // One entry per kind of aggregate and per adapter ID: a second would be
      // counted twice in the aggregates and saved over the first. Each
      // aggregate goes to the front, so a later one takes the place of an
      // earlier; adapters are appended, so the earlier one stays in front.
      if (entry->kind == kKindAll) {
        all = std::move(entry);
      } else if (entry->kind == kKindDialUp) {
        dialUp = std::move(entry);
      } else {
        bool duplicate = false;
        for (const auto& known : adapters) duplicate |= known->id == entry->id;
        if (!duplicate) adapters.push_back(std::move(entry));
      }
    }
  }
  bool anyMonitored = (all && all->monitored) || (dialUp && dialUp->monitored);
  for (const auto& entry : adapters) anyMonitored |= entry->monitored;
  if (!all) all = NewAggregateEntry(kKindAll, catalogue.maxHistory);
  if (!dialUp) dialUp = NewAggregateEntry(kKindDialUp, catalogue.maxHistory);
  catalogue.entries.push_back(std::move(all));
  catalogue.entries.push_back(std::move(dialUp));
  for (auto& entry : adapters) catalogue.entries.push_back(std::move(entry));

  const bool merged = MergeLiveAdapters(catalogue, source);
  if (!anyMonitored) catalogue[0].monitored = true;
  return merged;
}

bool SaveAdapterEntries(const Catalogue& catalogue, RegistryStore& store, RegRoot root, uint32_t groups,
                        const std::wstring& rootPath) {
  bool ok = true;
  for (const auto& ptr : catalogue.entries) {
    const AdapterEntry& entry = *ptr;
    const std::wstring key = EntryKeyPath(rootPath, entry);
    if (groups & kGroupIdentity) {
      ok &= store.WriteString(root, key, L"AdapterID", WidenId(entry.id));
      ok &= store.WriteString(root, key, L"AdapterName", entry.name);
      ok &= store.WriteDword(root, key, L"ConnRatebps", entry.connectionRate);
      ok &= store.WriteDword(root, key, L"Monitored", entry.monitored ? 1u : 0u);
      if (entry.monitored) ok &= store.WriteBinary(root, key, L"Size", FloatBytes(entry.size));
    }
    if (groups & kGroupRecording) {
      ok &= store.WriteDword(root, key, L"RecordTrafficRates", static_cast<uint32_t>(entry.recordRates));
      ok &= store.WriteDword(root, key, L"RecordNumberOnly", entry.recordFlags & 1u);
      ok &= store.WriteDword(root, key, L"RecordInterval", static_cast<uint32_t>(entry.recordInterval));
      ok &= store.WriteString(root, key, L"RecordFile", entry.recordFile);
    }
  }
  return ok;
}

AdapterEntry* FindSelection(Catalogue& catalogue, int32_t kind, const std::string& id) {
  for (auto& entry : catalogue.entries) {
    if (entry->kind != kind) continue;
    if (kind == kKindAll || kind == kKindDialUp || entry->id == id) return entry.get();
  }
  return nullptr;
}

AdapterEntry* FindByAdapterMenuId(Catalogue& catalogue, int32_t commandId) {
  if (commandId == 0) return nullptr;
  for (auto& entry : catalogue.entries)
    if (entry->adapterMenuId == commandId) return entry.get();
  return nullptr;
}

AdapterEntry* FindByResetMenuId(Catalogue& catalogue, int32_t commandId) {
  if (commandId == 0) return nullptr;
  for (auto& entry : catalogue.entries)
    if (entry->resetMenuId == commandId) return entry.get();
  return nullptr;
}
