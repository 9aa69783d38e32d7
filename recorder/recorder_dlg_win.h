// The rates recorder window (dialog 217): one row per connection with its
// recording settings, edited on a copy. OK checks the rows in list order and
// hands them back; the meter window applies them.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "recorder/rates_recorder.h"
#include "res/resource.h"
#include "ui/dialog_win.h"
#include "ui/handle_win.h"
#include "ui/report_list_win.h"
#include "ui/spin_win.h"

class CRecorderDlg : public AppDialog<CRecorderDlg, IDD_RECORDER> {
public:
  // names and rows in catalogue order.
  CRecorderDlg(std::vector<std::wstring> names, std::vector<RecorderSettings> rows, HINSTANCE inst = nullptr);

  // In catalogue order, whatever the list's order.
  const std::vector<RecorderSettings>& rows() const { return rows_; }
  // IDOK once OK has closed the dialog, IDCANCEL once Cancel has, else 0.
  INT_PTR result() const { return result_; }
  CReportList& list() { return list_; }

private:
  friend class Dialog<CRecorderDlg>;
  static const MsgEntry kMessages[];
  static const CmdEntry kCommands[];

  MsgHandler OnInitDialog, OnNotify;
  CmdHandler OnRecord, OnInterval, OnFile, OnNumberMode, OnBrowse, OnOk, OnCancel;

  // The selected list row and its index in rows_ (-1 when none).
  int SelectedListRow() const;
  RecorderSettings* SelectedSettings();
  void ShowSelectedRow();
  void EnableRowControls(bool rowSelected, bool recording);
  void ShowCells(int listRow);
  void Finish(INT_PTR result);

  std::vector<std::wstring> names_;
  std::vector<RecorderSettings> rows_;
  CReportList list_;
  CSpinControl interval_;
  IconHandle bigIcon_, smallIcon_;
  DWORD filterIndex_ = 1;  // the browse dialog's last filter: text first
  bool loading_ = false;   // controls are being filled: their changes are not edits
  INT_PTR result_ = 0;
};
