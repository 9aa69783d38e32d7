// The meter's icon in the notification area: four state icons or a 16 x 16
// miniature graph of the selected connection, a tooltip with its rates, and
// the mouse handling of WM_TRAY_NOTIFY.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "app/tray_core.h"
#include "base/ids.h"
#include "ui/handle_win.h"

constexpr UINT kTrayIconId = 104;          // TRAY_ICON_ID

class CTrayIcon {
public:
  CTrayIcon() = default;
  ~CTrayIcon();
  CTrayIcon(const CTrayIcon&) = delete;
  CTrayIcon& operator=(const CTrayIcon&) = delete;

  // Loads the state icons 140-143 from `inst`, makes the three pens and, when
  // `withGraph` (Windows XP or later), the 16 x 16 drawing surface compatible
  // with the owner's screen DC. False when a state icon or the surface is missing.
  bool Create(HWND owner, HINSTANCE inst, const TrayOptions& colours, bool withGraph);

  // The icon's size follows the DPI: the shell's small-icon size for it
  // (16, 24 or 32 px), whose state icons and drawing surface are made again.
  void SetDpi(UINT dpi);
  int size() const { return size_; }

  // Remakes the up, down and both pens (the Graph & Text page was applied).
  void SetColours(const TrayOptions& colours);

  // Adds the icon with the idle image and the tooltip "Zephra".
  bool Add();
  // Removes the icon; the next Update adds it again.
  bool Delete();

  // Once per tick for the selected connection: the graph image or the state
  // icon, and the tooltip. A failed modify deletes and adds the icon again; a
  // tick that changes neither image nor tooltip sends nothing.
  void Update(const TraySource& source, const TrayOptions& options);

  // The registered "TaskbarCreated" message: the notification area was made
  // again, so an icon that was shown is added again.
  static UINT TaskbarCreatedMessage();
  bool OnTaskbarCreated();

  // WM_TRAY_NOTIFY: left button up calls the toggle (show or hide the meter);
  // right button up opens `popup` at the cursor. Other messages are ignored.
  void OnNotify(WPARAM wp, LPARAM lp);
  // Both of the above for a window procedure: true when `msg` was one of them.
  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  void SetToggleHandler(std::function<void()> toggle) { toggle_ = std::move(toggle); }
  void SetPopup(HMENU popup) { popup_ = popup; }

  // Draws the miniature graph of `source` into the 16 x 16 colour bitmap.
  // False when there is no drawing surface.
  bool DrawGraph(const TraySource& source, int32_t graphStyle);
  // Images the shell was given (graph images made and state icons changed);
  // a tick whose picture equals the shown one only renews the tooltip.
  int imageCount() const { return imageCount_; }

  // What the icon shows; the tests and the meter read them.
  int stateIndex() const { return shownState_; }      // -1: none (graph or not yet)
  const std::wstring& tooltip() const { return tip_; }
  bool shown() const { return shown_; }
  int addCount() const { return addCount_; }
  HBITMAP graphBitmap() const { return colour_.get(); }
  HICON stateIcon(int index) const { return index >= 0 && index < 4 ? states_[index].get() : nullptr; }

private:
  bool Modify(HICON icon, bool withIcon);
  bool Readd(HICON icon);
  IconHandle MakeGraphIcon() const;
  void DrawPicture();  // drawn_ into the colour bitmap
  HPEN PenFor(TrayPen pen) const;
  bool MakeImages();  // state icons and surface at size_

  HINSTANCE inst_ = nullptr;
  bool withGraph_ = false;
  int size_ = kTrayIconSize;

  HWND owner_ = nullptr;
  IconHandle states_[4];
  PenHandle upPen_, downPen_, bothPen_;
  MemoryDc surface_;               // colour_ is selected only while drawing
  BitmapHandle colour_, mask_;
  bool graphDrawn_ = false;
  // What the graph image shows, to know when a tick changes nothing.
  struct GraphPicture {
    int32_t style = -1;
    uint32_t background = 0;
    std::vector<TrayBarStroke> bars;
    std::vector<TrayPolyline> lines;
    bool operator==(const GraphPicture&) const = default;
  };
  GraphPicture drawn_;
  bool iconHasGraph_ = false;  // the shell shows the picture in drawn_
  int imageCount_ = 0;
  bool inShell_ = false;  // the last add or modify succeeded: the shell shows tip_
  int shownState_ = -1;
  std::wstring tip_;
  bool shown_ = false;            // the icon is meant to be in the notification area
  int addCount_ = 0;
  HMENU popup_ = nullptr;
  std::function<void()> toggle_;
};
