// The meter window's placement and its stack of rate views: the first-start
// position, the views of the displayed connections with the separators between
// them, growing and shrinking the window when a connection is displayed or
// hidden, dragging a separator and dragging the window by any point.
// The meter window owns one CViewStack and forwards its messages to it.
#pragma once
#include <windows.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/window_stack.h"
#include "measure/adapter_entry.h"
#include "view/rate_view_options.h"
#include "view/rate_view_win.h"

// Child window ids of the views start here.
constexpr int kFirstViewId = 8000;
// Cursor resource shown over a separator; the system's north-south cursor stands in when it is missing.
constexpr int kSeparatorCursorId = 30981;

class CViewStack {
public:
  // Lists the whole catalogue in catalogue order.
  using CatalogueFn = std::function<void(std::vector<AdapterEntry*>& out)>;
  // The title of a connection's view.
  using TitleFn = std::function<std::wstring(const AdapterEntry&)>;

  CViewStack() = default;
  ~CViewStack();
  CViewStack(const CViewStack&) = delete;
  CViewStack& operator=(const CViewStack&) = delete;

  void Attach(HWND meter, HINSTANCE inst, CatalogueFn catalogue, TitleFn title);
  void SetClock(std::function<LocalTime()> now) { now_ = std::move(now); }
  // Options for new views; with apply set every view takes them at once and redraws.
  void SetOptions(const RateViewOptions& options, bool apply);
  // "RateViewMargins": lays the views out again.
  void SetMargin(int32_t margin);
  int32_t margin() const { return margin_; }
  // The DPI the views draw at; every view takes it and they are laid out again.
  void SetDpi(int32_t dpi);
  int32_t dpi() const { return dpi_; }

  // Start-up placement: an empty or missing stored rectangle puts the window
  // at the work area's bottom right; a stored one is used unchanged.
  void PlaceWindow(const RECT* stored);
  // Start-up: a view for every monitored connection, sharing the client by their sizes.
  void CreateViews();
  // WM_SIZE, after default processing.
  void OnSize(int32_t width, int32_t height);

  // Displays a connection: a new view, the window grows upward to make room.
  CRateView* DisplayEntry(AdapterEntry& entry);
  // Stops displaying it: its view goes and the window shrinks from the top.
  void HideEntry(AdapterEntry& entry);

  // WM_NCHITTEST: the default result turned into a caption hit while the left
  // button is down, so any point drags the window, except on a separator.
  LRESULT OnNcHitTest(LPARAM lp, LRESULT defaultResult) const;
  // WM_SETCURSOR: true when the separator cursor was set.
  bool OnSetCursor(WORD hitCode);
  // WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP in client coordinates; the
  // meter lets default processing follow.
  void OnLButtonDown(int32_t x, int32_t y);
  void OnMouseMove(int32_t x, int32_t y);
  void OnLButtonUp();
  bool dragging() const { return drag_.active; }

  // Adds or removes the caption and redraws the whole window.
  void SetCaption(bool on);
  // Moves the window to the screen origin keeping its size; the meter shows it when hidden.
  void ResetWindowPosition();

  // Destroys every view and clears the entries' view pointers; run before the catalogue goes.
  void DestroyViews();

  const ViewStackState& state() const { return state_; }
  std::vector<CRateView*> views() const;

private:
  std::vector<AdapterEntry*> Displayed() const;
  // Copies the views' rectangles and the entries' sizes into the stack state and back.
  void Gather(const std::vector<AdapterEntry*>& displayed);
  void Scatter(const std::vector<AdapterEntry*>& displayed);
  CRateView* MakeView(AdapterEntry& entry, const ViewRect* rect);
  void MoveWindowSuspended(const ViewRect& rect);
  bool ClientSize(int32_t& w, int32_t& h) const;

  HWND meter_ = nullptr;
  HINSTANCE inst_ = nullptr;
  CatalogueFn catalogue_;
  TitleFn title_;
  std::function<LocalTime()> now_;
  RateViewOptions options_;
  int32_t margin_ = 2;  // at 96 DPI
  int32_t dpi_ = kBaseDpi;
  int nextId_ = kFirstViewId;
  ViewStackState state_;
  SeparatorDrag drag_;
  HCURSOR separatorCursor_ = nullptr;
  std::vector<std::unique_ptr<CRateView>> owned_;
};
