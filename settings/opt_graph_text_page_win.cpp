#include "settings/opt_graph_text_page_win.h"

#include <cstdlib>

#include "base/ids.h"
#include "res/resource.h"
#include "settings/logfont_win.h"
#include "ui/pickers_win.h"

const COptGraphTextPage::MsgEntry COptGraphTextPage::kMessages[] = {
    {WM_INITDIALOG, &COptGraphTextPage::OnInitDialog},
    {WM_NOTIFY, &COptGraphTextPage::OnNotify},
    {WM_DRAWITEM, &COptGraphTextPage::OnDrawItem},
};

const COptGraphTextPage::CmdEntry COptGraphTextPage::kCommands[] = {
    {IDC_GT_DEFAULT_COLOURS, &COptGraphTextPage::OnDefaultColoursCmd},
    {IDC_GT_DEFAULT_FONTS, &COptGraphTextPage::OnDefaultFontsCmd},
};

COptGraphTextPage::COptGraphTextPage(const MeterSettings& values) : COptionPage(kPageGraphText), values_(values) {}

PROPSHEETPAGEW COptGraphTextPage::Record(HINSTANCE inst) { return PageRecord(inst, IDD_OPT_GRAPH_TEXT); }

std::optional<INT_PTR> COptGraphTextPage::OnInitDialog(WPARAM, LPARAM) {
  UseDialogFont();
  filling_ = true;
  const auto colours = GraphTextColours();
  for (size_t i = 0; i < kColourCount && i < colours.size(); ++i)
    colours_[i].Attach(::GetDlgItem(hwnd_, colours[i].control), values_.*colours[i].option);
  auto attach = [this](CSpinControl& spin, int id, const NumberRange& range) {
    spin.Attach(::GetDlgItem(hwnd_, id), range.low, range.high);
  };
  attach(height_, IDC_GT_HEIGHT_PERCENT_SPIN, kHeightPercentRange);
  attach(pulseWidth_, IDC_GT_PULSE_WIDTH_SPIN, kPulseWidthRange);
  attach(pulseSpace_, IDC_GT_PULSE_SPACE_SPIN, kPulseSpaceRange);
  attach(interval_, IDC_GT_TIME_INTERVAL_SPIN, kTimeGridIntervalRange);
  height_.SetValue(values_.rateHeightPercent);
  pulseWidth_.SetValue(values_.pulseWidth);
  pulseSpace_.SetValue(values_.pulseSpace);
  interval_.SetValue(values_.timeGridIntervalSec);
  FillList(hwnd_, IDC_GT_GRAPH_STYLE, GraphStyleChoices(), values_.graphStyle != 0 ? 0 : 1);
  FillList(hwnd_, IDC_GT_SCALE_GRID_STYLE, LineStyleChoices(),
           IndexOfData(LineStyleChoices(), values_.scaleGridLineStyle, 0));
  FillList(hwnd_, IDC_GT_TIME_GRID_STYLE, LineStyleChoices(),
           IndexOfData(LineStyleChoices(), values_.timeGridLineStyle, 0));
  FillList(hwnd_, IDC_GT_TIME_FORMAT, TimeFormatChoices(), IndexOfData(TimeFormatChoices(), values_.timeFormat, 0));
  filling_ = false;
  return TRUE;
}

std::optional<INT_PTR> COptGraphTextPage::OnDrawItem(WPARAM, LPARAM lp) {
  const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
  for (const CColourButton& b : colours_)
    if (b.OnDrawItem(dis)) return TRUE;
  return std::nullopt;
}

std::optional<INT_PTR> COptGraphTextPage::OnNotify(WPARAM, LPARAM lp) { return OnSheetNotify(lp); }

void COptGraphTextPage::OnDefaultColoursCmd(WORD, WORD code, HWND) {
  if (code != BN_CLICKED) return;
  SetDefaultColours(values_);
  const auto colours = GraphTextColours();
  for (size_t i = 0; i < kColourCount && i < colours.size(); ++i) colours_[i].SetColour(values_.*colours[i].option);
  SetModified();
}

void COptGraphTextPage::OnDefaultFontsCmd(WORD, WORD code, HWND) {
  if (code != BN_CLICKED) return;
  SetDefaultFonts(values_);
  SetModified();
}

bool COptGraphTextPage::OnOtherCommand(WORD id, WORD code, HWND) {
  const auto colours = GraphTextColours();
  for (size_t i = 0; i < kColourCount && i < colours.size(); ++i) {
    if (colours[i].control != id) continue;
    if (code == BN_CLICKED && colours_[i].Choose()) {
      values_.*colours[i].option = colours_[i].colour();
      SetModified();
    }
    return true;
  }
  for (const FontOption& f : GraphTextFonts()) {
    if (f.control != id) continue;
    LOGFONTW lf = ToLogFontW(values_.*f.option);
    if (code == BN_CLICKED && PickFont(hwnd_, lf)) {
      lf.lfHeight = std::abs(lf.lfHeight);
      values_.*f.option = FromLogFontW(lf);
      SetModified();
    }
    return true;
  }
  if (code == CBN_SELCHANGE || code == EN_CHANGE) {
    SetModified();
    return true;
  }
  return false;
}

std::optional<PageProblem> COptGraphTextPage::ReadAndCheck() {
  MeterSettings v = values_;
  v.rateHeightPercent = NumberOf(height_);
  v.pulseWidth = NumberOf(pulseWidth_);
  v.pulseSpace = NumberOf(pulseSpace_);
  v.timeGridIntervalSec = NumberOf(interval_);
  if (auto problem = CheckGraphTextPage(v)) return problem;
  v.scaleGridLineStyle = SelectedData(hwnd_, IDC_GT_SCALE_GRID_STYLE, v.scaleGridLineStyle);
  v.timeGridLineStyle = SelectedData(hwnd_, IDC_GT_TIME_GRID_STYLE, v.timeGridLineStyle);
  v.timeFormat = SelectedData(hwnd_, IDC_GT_TIME_FORMAT, v.timeFormat);
  v.graphStyle = SelectedData(hwnd_, IDC_GT_GRAPH_STYLE, v.graphStyle);
  values_ = v;
  return std::nullopt;
}
