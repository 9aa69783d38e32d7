// Where the meter window sits and how the rate views of the displayed
// connections share its client area: stacked top to bottom with a margin m
// around them and a 2-pixel separator between two views, each view's height
// kept as a share ("Size") of the client height.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "view/rate_view_layout.h"  // ViewRect

// Gap between two stacked views at 96 DPI, and the extra height a new view brings besides its own.
constexpr int32_t kSeparatorGap = 2;

// First start: the window keeps its size and moves to the work area's bottom
// right corner, a scroll bar's width and height away from its edges.
ViewRect FirstStartRect(const ViewRect& window, const ViewRect& workArea, int32_t vScrollWidth,
                        int32_t hScrollHeight);

// The window rectangle widened and heightened so that the client area is at
// least 2m + 1 pixels each way.
ViewRect EnsureMinimumClient(const ViewRect& window, int32_t clientWidth, int32_t clientHeight, int32_t margin);

// A stored share of the client height made safe: not a number or below 0 is 0, above 1 is 1.
float SaneSize(float size);

struct StackedView {
  ViewRect rect;
  float size = 0.0f;
};

struct ViewStackState {
  std::vector<StackedView> views;     // displayed views, in catalogue order
  std::vector<ViewRect> separators;   // one per gap, in order
  int32_t lastWidth = 0;              // client size seen by the last layout
  int32_t lastHeight = 0;
  bool suspended = false;             // set while the window itself is being resized
  int32_t gap = kSeparatorGap;        // the separators' height at the window's DPI
};

// Pixels the window grows at start-up so that views whose share is too small
// for the last client height still get a line each (3 per such view, only
// when more than one view is monitored).
int32_t InitialGrowth(const std::vector<float>& sizes, int32_t lastClientHeight);

// The start-up stack: every view gets its share of the client (at least 1
// pixel), the last one the rest; sizes become height / client height.
void InitialStack(ViewStackState& s, int32_t width, int32_t height, int32_t margin);

// The WM_SIZE layout: width-only changes keep every view's height, a new
// height - or views that all have no height, as after a margin wider than
// half the client - shares the client by the sizes (the last view taking the rest).
void LayoutViews(ViewStackState& s, int32_t width, int32_t height, int32_t margin);

// Height a new view asks for: title line, text line and a 100-pixel graph.
int32_t NeededHeight(bool showTitle, int32_t titleHeight, bool showText, int32_t textHeight, bool showGraph);

// The window grown upward by `by` pixels; when its top would pass 0 it stays
// at 0 and the bottom moves down by the rest.
ViewRect GrowUpward(const ViewRect& window, int32_t by);
// The window made `by` pixels lower from the top (never below zero height).
ViewRect ShrinkFromTop(const ViewRect& window, int32_t by);

// Restacks from the top keeping every view's height (bottoms limited by the
// client), rewrites the separators and recomputes the sizes.
void StackFromTop(ViewStackState& s, int32_t width, int32_t height, int32_t margin);

struct SeparatorDrag {
  bool active = false;
  size_t separator = 0;
  size_t above = 0;
  size_t below = 0;
  int32_t minTop = 0;  // upper view's top + 1
  int32_t maxTop = 0;  // lower view's bottom - 3
};

std::optional<size_t> SeparatorAt(const ViewStackState& s, int32_t x, int32_t y);
// Finds the views on either side of the separator; false when one is missing
// or they leave no room to move.
bool BeginSeparatorDrag(const ViewStackState& s, size_t separator, SeparatorDrag& drag);
// Moves the separator to y (clamped to the drag range); the two views follow
// and their sizes are recomputed. False when nothing moved.
bool DragSeparatorTo(ViewStackState& s, const SeparatorDrag& drag, int32_t y, int32_t clientHeight);
