// The catalogue of connections: All Connections, Dial-Up Connections, then one
// entry per adapter, stored by an earlier run or reported by the system now.
// Built once at start-up, grown by the tick when an adapter shows up, never
// shrunk during a run. Per-connection settings live under "AdaptersEx".
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/ids.h"
#include "base/registry_names.h"
#include "measure/adapter_entry.h"
#include "measure/adapter_source.h"
#include "settings/registry_store.h"

// The per-user key that holds every setting; "AdaptersEx" lies below it.

// Menu command ids: one range per sub-menu, 300 ids each. An entry met after
// a range is used up gets no id (0) and so no menu item.

constexpr size_t kMaxIdLength = kAdapterIdSize - 1;  // 259 characters

// Entries keep their addresses for the whole run: views, the tray and the
// recorder hold pointers to them.
struct Catalogue {
  std::vector<std::unique_ptr<AdapterEntry>> entries;
  int32_t nextAdapterMenuId = kFirstAdapterMenuId;
  int32_t nextResetMenuId = kFirstResetMenuId;
  size_t maxHistory = 2048;  // MaxHistoryFor(screen width)

  size_t size() const { return entries.size(); }
  AdapterEntry& operator[](size_t i) { return *entries[i]; }
  const AdapterEntry& operator[](size_t i) const { return *entries[i]; }
  bool hasAggregates() const {
    return entries.size() >= 2 && entries[0]->kind == kKindAll && entries[1]->kind == kKindDialUp;
  }
};

// Save groups of SaveAdapterEntries (a bit mask).
enum CatalogueGroup : uint32_t {
  kGroupIdentity = 0x1,   // "AdapterID", "AdapterName", "ConnRatebps", "Monitored", "Size"
  kGroupRecording = 0x2,  // "RecordTrafficRates", "RecordNumberOnly", "RecordInterval", "RecordFile"
};

// The ID of a listed adapter: a name longer than 10 characters (a bracketed
// GUID) in upper case, cut to 259 characters; otherwise the 8 hardware-address
// bytes as 16 upper-case hex digits, bytes beyond the address length taken as 0.
std::string AdapterId(const AdapterInfo& adapter);


// An entry's description from its interface row: decoded, trimmed of white
// space, and "WAN" (PPP, SLIP) or "Unknown Connection" when empty.
std::wstring DescriptionFromRow(const InterfaceRow& row, const AdapterSource& source);

// Title of views and menu items: the name; for an adapter with "ShowIPInTitle"
// on and a known IP address, "name [ip]", or the address alone when the name is
// empty. An adapter with neither name nor address shows its description.
std::wstring EntryTitle(const AdapterEntry& entry, bool showIpInTitle);

// A fresh aggregate (kind 100 or 200) with its built-in name.
std::unique_ptr<AdapterEntry> NewAggregateEntry(int32_t kind, size_t maxHistory);

// Full path of an entry's subkey: <root>AdaptersEx\<kind>-<ID>.
std::wstring EntryKeyPath(const std::wstring& rootPath, const AdapterEntry& entry);

// Reads the subkey <root>AdaptersEx\<subkeyName> into a reset entry. Fails for
// a name that starts with none of "100", "200", "300", a missing subkey, a
// missing "AdapterID", an "AdapterID" longer than 259 characters, and an
// adapter (kind 300) with an empty ID; such subkeys are ignored, never deleted.
bool LoadAdapterEntry(RegistryStore& store, RegRoot root, const std::wstring& rootPath,
                      const std::wstring& subkeyName, AdapterEntry& entry);

// Gives the entry the next free ids of both menu ranges when it has none yet.
// True when the entry now holds both ids (it may then get its menu items).
bool AssignMenuIds(Catalogue& catalogue, AdapterEntry& entry);

// Appends a new, unmonitored adapter entry with the row's counters as its
// baseline; with menu ids during a run (the caller adds the items).
AdapterEntry& AddAdapterEntry(Catalogue& catalogue, const InterfaceRow& row, const AdapterInfo& adapter,
                              const AdapterSource& source, bool withMenuIds);

// Matches the listed adapters to the entries (baseline, type, IP address,
// description; the name is kept) and appends the unknown ones without menu
// ids. False, with nothing changed, when the list cannot be read.
bool MergeLiveAdapters(Catalogue& catalogue, AdapterSource& source);

// Fills an empty catalogue at start-up from <root>AdaptersEx under the current
// user and the live adapters. Afterwards the catalogue always starts with the
// two aggregates; when no stored entry was monitored, All Connections is.
// Of two stored subkeys of one aggregate kind, the one enumerated later is in
// front and kept; of two adapter subkeys with one ID, the one enumerated first.
// Returns MergeLiveAdapters' result.
bool BuildCatalogue(Catalogue& catalogue, RegistryStore& store, AdapterSource& source,
                    const std::wstring& rootPath = kDefaultRootPath);

// Writes every entry's subkey under root with the selected groups. "Size" is
// written only for a displayed entry, which in the core is a monitored one
// (the meter window keeps "monitored" in step with the view). Subkeys are
// never deleted. False when any write failed (the others are still made).
bool SaveAdapterEntries(const Catalogue& catalogue, RegistryStore& store, RegRoot root, uint32_t groups,
                        const std::wstring& rootPath = kDefaultRootPath);

// The entry for a stored selection (tray, alert, reports): the first of equal
// kind and, for adapters, of equal ID (exact comparison). Null when none.
AdapterEntry* FindSelection(Catalogue& catalogue, int32_t kind, const std::string& id);
AdapterEntry* FindByAdapterMenuId(Catalogue& catalogue, int32_t commandId);
AdapterEntry* FindByResetMenuId(Catalogue& catalogue, int32_t commandId);
