// The stopwatch window (dialog 216): the traffic of one connection over a
// timed span, refreshed once a second by timer 100 from the connection's
// rate history. Runs modally over the meter window.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "stopwatch/stopwatch_span.h"
#include "res/resource.h"
#include "ui/dialog_win.h"
#include "ui/handle_win.h"

constexpr UINT_PTR kStopwatchTimerId = 100;

// One connection of the list, in the meter window's order.
struct StopwatchConnection {
  std::wstring name;
  const RateHistory* history = nullptr;
  int resetCommand = 0;  // the meter's command that resets the connection's graph maximum
};

struct StopwatchInput {
  std::vector<StopwatchConnection> connections;
  HWND meter = nullptr;           // where the reset command goes
  bool unitBytes = true;          // "DisplayUnitByte"
  bool alwaysOnTop = false;       // "StopwatchAlwaysOnTop"
  bool resetGraphOnStart = false; // "StopwatchResetAdapterGraph"
};

class CStopwatchDlg : public AppDialog<CStopwatchDlg, IDD_STOPWATCH> {
public:
  explicit CStopwatchDlg(StopwatchInput input, HINSTANCE inst = nullptr);

  // The two check boxes as last read (at Start, the on-top box and Close).
  bool alwaysOnTop() const { return input_.alwaysOnTop; }
  bool resetGraphOnStart() const { return input_.resetGraphOnStart; }
  const StopwatchSpan& span() const { return span_; }

private:
  friend class Dialog<CStopwatchDlg>;
  static const MsgEntry kMessages[];
  static const CmdEntry kCommands[];

  MsgHandler OnInitDialog, OnTimer, OnCtlColorStatic, OnClose;
  CmdHandler OnStartStop, OnOnTop, OnCloseCmd;

  void ReadChecks();
  void Refresh();
  void Finish();

  StopwatchInput input_;
  StopwatchSpan span_;
  IconHandle bigIcon_, smallIcon_;
  FontHandle elapsedFont_;
};
