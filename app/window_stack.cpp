#include "app/window_stack.h"

#include <algorithm>
#include <cmath>

namespace {

float ShareOf(int32_t height, int32_t clientHeight) {
  return clientHeight > 0 ? static_cast<float>(height) / static_cast<float>(clientHeight) : 0.0f;
}

int32_t ShareHeight(int32_t clientHeight, float size) {
  return static_cast<int32_t>(static_cast<float>(clientHeight) * SaneSize(size));
}

void RewriteSeparator(ViewStackState& s, size_t i, const ViewRect& r) {
  if (i < s.separators.size()) s.separators[i] = r;
}

}  // namespace

ViewRect FirstStartRect(const ViewRect& w, const ViewRect& work, int32_t vScrollWidth, int32_t hScrollHeight) {
  const int32_t right = work.right - vScrollWidth;
  const int32_t bottom = work.bottom - hScrollHeight;
  return ViewRect{right - w.width(), bottom - w.height(), right, bottom};
}

ViewRect EnsureMinimumClient(const ViewRect& w, int32_t clientWidth, int32_t clientHeight, int32_t margin) {
  ViewRect r = w;
  const int32_t minimum = 2 * margin + 1;
  if (clientWidth < minimum) r.right += minimum - clientWidth;
  if (clientHeight < minimum) r.bottom += minimum - clientHeight;
  return r;
}

float SaneSize(float size) {
  if (!(size >= 0.0f)) return 0.0f;  // also not a number
  return size > 1.0f ? 1.0f : size;
}

int32_t InitialGrowth(const std::vector<float>& sizes, int32_t lastClientHeight) {
  if (sizes.size() <= 1) return 0;
  int32_t tooSmall = 0;
  for (float f : sizes)
    if (ShareHeight(lastClientHeight, f) <= 0) ++tooSmall;
  return 3 * tooSmall;
}

void InitialStack(ViewStackState& s, int32_t w, int32_t h, int32_t m) {
  s.separators.clear();
  const int32_t limit = h - m;
  int32_t top = m;
  for (size_t i = 0; i < s.views.size(); ++i) {
    StackedView& v = s.views[i];
    int32_t bottom = top + std::max<int32_t>(ShareHeight(h, v.size), 1);
    if (i + 1 == s.views.size() || bottom > limit) bottom = limit;
    v.rect = ViewRect{m, top, w - m, bottom};
    v.size = ShareOf(v.rect.height(), h);
    const int32_t next = std::min(bottom + s.gap, limit);
    if (i + 1 < s.views.size()) s.separators.push_back(ViewRect{m, bottom, w - m, next});
    top = next;
  }
  s.lastWidth = w;
  s.lastHeight = h;
}

void LayoutViews(ViewStackState& s, int32_t w, int32_t h, int32_t m) {
  if (s.suspended || s.views.empty()) {
    s.lastWidth = w;
    s.lastHeight = h;
    return;
  }
  // Views left without room (a margin wider than half the client) get their
  // heights back from their sizes, not from the empty rectangles.
  const bool noneHasHeight =
      std::all_of(s.views.begin(), s.views.end(), [](const StackedView& v) { return v.rect.height() <= 0; });
  if (2 * m >= w || 2 * m >= h) {
    for (StackedView& v : s.views) v.rect = ViewRect{};
  } else if (h == s.lastHeight && !noneHasHeight) {
    for (StackedView& v : s.views) v.rect.right = w - m;
    for (ViewRect& r : s.separators) r.right = w - m;
  } else if (s.views.size() == 1) {
    s.views[0].rect = ViewRect{m, m, w - m, h - m};
  } else {
    const int32_t limit = h - m;
    int32_t top = m;
    for (size_t i = 0; i < s.views.size(); ++i) {
      StackedView& v = s.views[i];
      int32_t bottom = top + ShareHeight(h, v.size);
      if (i + 1 == s.views.size() || bottom > limit) bottom = limit;
      v.rect = ViewRect{m, top, w - m, bottom};
      const int32_t next = std::min(bottom + s.gap, limit);
      RewriteSeparator(s, i, ViewRect{m, bottom, w - m, next});
      top = next;
    }
  }
  s.lastWidth = w;
  s.lastHeight = h;
}

int32_t NeededHeight(bool showTitle, int32_t titleHeight, bool showText, int32_t textHeight, bool showGraph) {
  return (showTitle ? titleHeight + 3 : 0) + (showText ? textHeight + 3 : 0) + (showGraph ? 100 : 0);
}

ViewRect GrowUpward(const ViewRect& w, int32_t by) {
  ViewRect r = w;
  r.top -= by;
  if (r.top < 0) {
    r.bottom += -r.top;
    r.top = 0;
  }
  return r;
}

ViewRect ShrinkFromTop(const ViewRect& w, int32_t by) {
  ViewRect r = w;
  r.top = std::min(r.top + by, r.bottom);
  return r;
}

void StackFromTop(ViewStackState& s, int32_t w, int32_t h, int32_t m) {
  const int32_t limit = h - m;
  int32_t top = m;
  s.separators.resize(s.views.empty() ? 0 : s.views.size() - 1);
  for (size_t i = 0; i < s.views.size(); ++i) {
    StackedView& v = s.views[i];
    const int32_t height = std::max<int32_t>(v.rect.height(), 0);
    const int32_t bottom = std::min(top + height, limit);
    v.rect = ViewRect{m, top, w - m, std::max(bottom, top)};
    v.size = ShareOf(v.rect.height(), h);
    const int32_t next = std::min(v.rect.bottom + s.gap, limit);
    RewriteSeparator(s, i, ViewRect{m, v.rect.bottom, w - m, next});
    top = next;
  }
}

std::optional<size_t> SeparatorAt(const ViewStackState& s, int32_t x, int32_t y) {
  for (size_t i = 0; i < s.separators.size(); ++i)
    if (s.separators[i].contains(x, y)) return i;
  return std::nullopt;
}

bool BeginSeparatorDrag(const ViewStackState& s, size_t separator, SeparatorDrag& drag) {
  drag = SeparatorDrag{};
  if (separator >= s.separators.size()) return false;
  const ViewRect& sep = s.separators[separator];
  std::optional<size_t> above, below;
  for (size_t i = 0; i < s.views.size(); ++i) {
    if (!above && s.views[i].rect.bottom == sep.top) above = i;
    if (!below && s.views[i].rect.top == sep.bottom) below = i;
  }
  if (!above || !below) return false;
  drag.separator = separator;
  drag.above = *above;
  drag.below = *below;
  drag.minTop = s.views[*above].rect.top + 1;
  drag.maxTop = s.views[*below].rect.bottom - 3;
  // Views too small to give up a line leave nothing to drag.
  if (drag.maxTop < drag.minTop) return false;
  drag.active = true;
  return true;
}

bool DragSeparatorTo(ViewStackState& s, const SeparatorDrag& drag, int32_t y, int32_t clientHeight) {
  if (!drag.active || drag.separator >= s.separators.size() || drag.above >= s.views.size() ||
      drag.below >= s.views.size())
    return false;
  ViewRect& sep = s.separators[drag.separator];
  const int32_t target = std::clamp(y, drag.minTop, drag.maxTop);
  if (target == sep.top) return false;
  const int32_t d = target - sep.top;
  sep.top += d;
  sep.bottom += d;
  StackedView& up = s.views[drag.above];
  StackedView& down = s.views[drag.below];
  up.rect.bottom = sep.top;
  down.rect.top = sep.bottom;
  up.size = ShareOf(up.rect.height(), clientHeight);
  down.size = ShareOf(down.rect.height(), clientHeight);
  return true;
}
