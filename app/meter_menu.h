// The switches of the meter's popup menu: one row per command id naming the
// setting it flips, the groups saved afterwards and what the window does with
// the new value. The same row flips the setting and gives its item's mark when
// the popup opens.
#pragma once
#include <cstdint>
#include <span>

#include "settings/meter_settings.h"

// What the meter window does after a switch was flipped.
enum class ToggleEffect : uint8_t {
  Views,         // every displayed view takes the new options and redraws
  Titles,        // every displayed view gets its title anew
  Topmost,       // the window enters or leaves the always-on-top band
  Caption,       // the caption is added or removed
  Transparency,  // transparency and click-through are applied again
};

struct MenuToggle {
  uint16_t id;                      // command id
  int32_t MeterSettings::*option;   // flipped between 0 and 1
  uint32_t saveGroups;              // saved under the current user after a flip
  bool machineWide;                 // and machine-wide while the service is enabled
  ToggleEffect effect;
  // -1: a check mark while the option is on; otherwise a radio bullet while
  // the option equals this value (two items sharing one option).
  int32_t radioValue;
  // When set, the option may not go off while this one is off as well.
  int32_t MeterSettings::*partner;
  // Disabled and unmarked, and never flipped, without layered windows.
  bool needsTransparency;
};

std::span<const MenuToggle> MenuToggles();
// The row of a command id; null for commands that are not switches.
const MenuToggle* FindMenuToggle(uint32_t id);

enum class ToggleResult : uint8_t {
  Flipped,
  KeptForPartner,  // the option stays on: its partner is off
  Unavailable,     // layered windows are missing
};
ToggleResult FlipMenuToggle(const MenuToggle& toggle, MeterSettings& settings, bool canSetTransparency);

struct ToggleMark {
  bool enabled = true;
  bool marked = false;
  bool radio = false;  // a bullet rather than a check mark
};
ToggleMark MarkOf(const MenuToggle& toggle, const MeterSettings& settings, bool canSetTransparency);
