// The Graph & Text page (dialog 207): the colours, the four fonts, the graph's
// style, column width and spacing, height percent, grid line styles and the
// time grid.
#pragma once
#include <array>

#include "settings/options_sheet_win.h"
#include "ui/colour_button_win.h"
#include "ui/dialog_win.h"
#include "ui/spin_win.h"

class COptGraphTextPage : public Dialog<COptGraphTextPage>, public COptionPage {
public:
  explicit COptGraphTextPage(const MeterSettings& values);
  PROPSHEETPAGEW Record(HINSTANCE inst) override;
  const MeterSettings& values() const { return values_; }

private:
  friend class Dialog<COptGraphTextPage>;
  static const MsgEntry kMessages[];
  static const CmdEntry kCommands[];
  static constexpr size_t kColourCount = 15;

  MsgHandler OnInitDialog, OnNotify, OnDrawItem;
  CmdHandler OnDefaultColoursCmd, OnDefaultFontsCmd;
  // Colour and font buttons by id; the lists and numbers mark the page modified.
  bool OnOtherCommand(WORD id, WORD code, HWND control);
  std::optional<PageProblem> ReadAndCheck() override;

  MeterSettings values_;
  std::array<CColourButton, kColourCount> colours_;
  CSpinControl height_, pulseWidth_, pulseSpace_, interval_;
};
