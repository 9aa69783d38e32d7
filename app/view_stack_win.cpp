#include "app/view_stack_win.h"

#include <windowsx.h>
#include <algorithm>

namespace {

ViewRect FromRect(const RECT& r) { return ViewRect{r.left, r.top, r.right, r.bottom}; }

}  // namespace

CViewStack::~CViewStack() { owned_.clear(); }

void CViewStack::DestroyViews() {
  for (AdapterEntry* e : Displayed()) e->view = nullptr;
  owned_.clear();
  state_.views.clear();
  state_.separators.clear();
  drag_ = SeparatorDrag{};
}

void CViewStack::Attach(HWND meter, HINSTANCE inst, CatalogueFn catalogue, TitleFn title) {
  meter_ = meter;
  inst_ = inst;
  catalogue_ = std::move(catalogue);
  title_ = std::move(title);
  separatorCursor_ = ::LoadCursorW(inst, MAKEINTRESOURCEW(kSeparatorCursorId));
  if (!separatorCursor_) separatorCursor_ = ::LoadCursorW(nullptr, IDC_SIZENS);
  ClientSize(state_.lastWidth, state_.lastHeight);
}

void CViewStack::SetOptions(const RateViewOptions& options, bool apply) {
  options_ = options;
  if (!apply) return;
  for (AdapterEntry* e : Displayed()) e->view->SetOptions(options_, true);
}

void CViewStack::SetMargin(int32_t margin) {
  margin_ = std::max<int32_t>(margin, 0);
  int32_t w = 0, h = 0;
  if (!ClientSize(w, h)) return;
  // A new margin moves every edge, not only the right one: lay out as for a new height.
  state_.lastHeight = -1;
  OnSize(w, h);
}

void CViewStack::SetDpi(int32_t dpi) {
  if (dpi <= 0 || dpi == dpi_) return;
  dpi_ = dpi;
  state_.gap = Scale(kSeparatorGap, dpi_);
  for (AdapterEntry* e : Displayed()) e->view->SetDpi(dpi_, true);
  int32_t w = 0, h = 0;
  if (!ClientSize(w, h)) return;
  state_.lastHeight = -1;
  OnSize(w, h);
}

bool CViewStack::ClientSize(int32_t& w, int32_t& h) const {
  RECT rc;
  if (!meter_ || !::GetClientRect(meter_, &rc)) return false;
  w = rc.right - rc.left;
  h = rc.bottom - rc.top;
  return true;
}

std::vector<AdapterEntry*> CViewStack::Displayed() const {
  std::vector<AdapterEntry*> all, shown;
  if (catalogue_) catalogue_(all);
  for (AdapterEntry* e : all)
    if (e && e->view) shown.push_back(e);
  return shown;
}

std::vector<CRateView*> CViewStack::views() const {
  std::vector<CRateView*> out;
  for (AdapterEntry* e : Displayed()) out.push_back(e->view);
  return out;
}

void CViewStack::Gather(const std::vector<AdapterEntry*>& displayed) {
  state_.views.resize(displayed.size());
  for (size_t i = 0; i < displayed.size(); ++i)
    state_.views[i] = StackedView{displayed[i]->view->placed(), displayed[i]->size};
  state_.separators.resize(displayed.empty() ? 0 : displayed.size() - 1);
}

void CViewStack::Scatter(const std::vector<AdapterEntry*>& displayed) {
  for (size_t i = 0; i < displayed.size() && i < state_.views.size(); ++i) {
    displayed[i]->size = state_.views[i].size;
    if (!(displayed[i]->view->placed() == state_.views[i].rect)) displayed[i]->view->Place(state_.views[i].rect);
  }
}

void CViewStack::MoveWindowSuspended(const ViewRect& r) {
  state_.suspended = true;
  ::SetWindowPos(meter_, nullptr, r.left, r.top, r.width(), r.height(), SWP_NOZORDER | SWP_NOACTIVATE);
  state_.suspended = false;
}

void CViewStack::PlaceWindow(const RECT* stored) {
  ViewRect r;
  if (!stored || ::IsRectEmpty(stored)) {
    RECT current{}, work{};
    ::GetWindowRect(meter_, &current);
    if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
      work = RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    }
    r = FirstStartRect(FromRect(current), FromRect(work), ::GetSystemMetrics(SM_CXVSCROLL),
                       ::GetSystemMetrics(SM_CYHSCROLL));
  } else {
    r = FromRect(*stored);  // used unchanged, even off every screen
  }
  ::MoveWindow(meter_, r.left, r.top, r.width(), r.height(), TRUE);
  int32_t w = 0, h = 0;
  if (!ClientSize(w, h)) return;
  const ViewRect grown = EnsureMinimumClient(r, w, h, Scale(margin_, dpi_));
  if (!(grown == r)) ::MoveWindow(meter_, grown.left, grown.top, grown.width(), grown.height(), TRUE);
}

CRateView* CViewStack::MakeView(AdapterEntry& entry, const ViewRect* rect) {
  auto view = std::make_unique<CRateView>(&entry.history, meter_);
  if (now_) view->SetClock(now_);
  view->SetDpi(dpi_, false);
  if (!view->Create(inst_, meter_, rect ? *rect : ViewRect{}, nextId_++)) return nullptr;
  view->SetOptions(options_, false);
  view->SetTitle(title_ ? title_(entry) : std::wstring(), false);
  // The configured speed in bits per second gives a fixed scale; 0 means auto.
  view->SetFixedScale(entry.connectionRate != 0, entry.connectionRate >> 3, false);
  view->RelayoutAndRedraw();
  entry.view = view.get();
  owned_.push_back(std::move(view));
  return entry.view;
}

void CViewStack::CreateViews() {
  std::vector<AdapterEntry*> all, monitored;
  if (catalogue_) catalogue_(all);
  for (AdapterEntry* e : all)
    if (e && e->monitored && !e->view) monitored.push_back(e);
  if (monitored.empty()) return;

  int32_t w = 0, h = 0;
  ClientSize(w, h);
  std::vector<float> sizes;
  for (AdapterEntry* e : monitored) sizes.push_back(e->size);
  if (const int32_t grow = InitialGrowth(sizes, h); grow > 0) {
    RECT wr;
    ::GetWindowRect(meter_, &wr);
    ::SetWindowPos(meter_, nullptr, 0, 0, wr.right - wr.left, wr.bottom - wr.top + grow,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ClientSize(w, h);
  }
  ViewStackState fresh;
  fresh.gap = Scale(kSeparatorGap, dpi_);
  for (float s : sizes) fresh.views.push_back(StackedView{ViewRect{}, s});
  InitialStack(fresh, w, h, Scale(margin_, dpi_));
  for (size_t i = 0; i < monitored.size(); ++i) {
    if (!MakeView(*monitored[i], &fresh.views[i].rect)) continue;
    monitored[i]->size = fresh.views[i].size;
  }
  state_ = fresh;
  Gather(Displayed());
}

void CViewStack::OnSize(int32_t w, int32_t h) {
  const std::vector<AdapterEntry*> shown = Displayed();
  Gather(shown);
  const bool suspended = state_.suspended;
  LayoutViews(state_, w, h, Scale(margin_, dpi_));
  if (!suspended) Scatter(shown);
}

CRateView* CViewStack::DisplayEntry(AdapterEntry& entry) {
  if (entry.view) return entry.view;
  CRateView* view = MakeView(entry, nullptr);
  if (!view) return nullptr;
  entry.monitored = true;
  entry.size = 0.0f;
  const int32_t a = NeededHeight(options_.showTitle, view->titleFontHeight(), options_.showText,
                                 view->rateFontHeight(), options_.showGraph);
  RECT wr;
  ::GetWindowRect(meter_, &wr);
  MoveWindowSuspended(GrowUpward(FromRect(wr), a + 1 + state_.gap));

  int32_t w = 0, h = 0;
  ClientSize(w, h);
  const std::vector<AdapterEntry*> shown = Displayed();
  Gather(shown);
  for (size_t i = 0; i < shown.size(); ++i)
    if (shown[i] == &entry) state_.views[i].rect = ViewRect{0, 0, 0, a + 1};
  StackFromTop(state_, w, h, Scale(margin_, dpi_));
  Scatter(shown);
  state_.lastWidth = w;
  state_.lastHeight = h;
  return view;
}

void CViewStack::HideEntry(AdapterEntry& entry) {
  entry.monitored = false;
  if (!entry.view) return;
  if (drag_.active) OnLButtonUp();
  const int32_t height = std::max(entry.view->placed().height(), 0);
  CRateView* gone = entry.view;
  entry.view = nullptr;
  owned_.erase(std::remove_if(owned_.begin(), owned_.end(), [&](const auto& v) { return v.get() == gone; }),
               owned_.end());
  RECT wr;
  ::GetWindowRect(meter_, &wr);
  MoveWindowSuspended(ShrinkFromTop(FromRect(wr), height + state_.gap));

  int32_t w = 0, h = 0;
  ClientSize(w, h);
  const std::vector<AdapterEntry*> shown = Displayed();
  Gather(shown);
  StackFromTop(state_, w, h, Scale(margin_, dpi_));
  Scatter(shown);
  state_.lastWidth = w;
  state_.lastHeight = h;
}

LRESULT CViewStack::OnNcHitTest(LPARAM lp, LRESULT defaultResult) const {
  if (defaultResult != HTCLIENT || !(::GetAsyncKeyState(VK_LBUTTON) & 0x8000)) return defaultResult;
  POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  ::ScreenToClient(meter_, &pt);
  if (SeparatorAt(state_, pt.x, pt.y)) return HTCLIENT;  // the separator is dragged, not the window
  return HTCAPTION;
}

bool CViewStack::OnSetCursor(WORD hitCode) {
  if (hitCode != HTCLIENT) return false;
  POINT pt;
  ::GetCursorPos(&pt);
  ::ScreenToClient(meter_, &pt);
  if (!drag_.active && !SeparatorAt(state_, pt.x, pt.y)) return false;
  ::SetCursor(separatorCursor_);
  return true;
}

void CViewStack::OnLButtonDown(int32_t x, int32_t y) {
  const auto sep = SeparatorAt(state_, x, y);
  if (!sep) return;
  Gather(Displayed());
  if (BeginSeparatorDrag(state_, *sep, drag_)) ::SetCapture(meter_);
}

void CViewStack::OnMouseMove(int32_t, int32_t y) {
  if (!drag_.active) return;
  if (::GetCapture() != meter_) {  // the capture was taken away: the drag is over
    drag_.active = false;
    return;
  }
  int32_t w = 0, h = 0;
  ClientSize(w, h);
  const std::vector<AdapterEntry*> shown = Displayed();
  Gather(shown);
  if (DragSeparatorTo(state_, drag_, y, h)) Scatter(shown);
}

void CViewStack::OnLButtonUp() {
  if (!drag_.active) return;
  drag_.active = false;
  ::ReleaseCapture();
}

void CViewStack::SetCaption(bool on) {
  LONG_PTR style = ::GetWindowLongPtrW(meter_, GWL_STYLE);
  style = on ? (style | WS_CAPTION) : (style & ~static_cast<LONG_PTR>(WS_CAPTION));
  ::SetWindowLongPtrW(meter_, GWL_STYLE, style);
  ::SetWindowPos(meter_, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::RedrawWindow(meter_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void CViewStack::ResetWindowPosition() {
  ::SetWindowPos(meter_, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
