#include "app/tray_icon_win.h"

#include <shellapi.h>

#include "ui/dpi_win.h"
#include "ui/shell_win.h"

#include <algorithm>
#include <vector>

namespace {

constexpr wchar_t kInitialTip[] = L"Zephra";

PenHandle MakePen(uint32_t colour) { return PenHandle(::CreatePen(PS_SOLID, 1, static_cast<COLORREF>(colour))); }

void FillColour(HDC dc, const RECT& r, COLORREF colour) {
  // The DC's own brush: no brush object is made per drawing.
  ::SetDCBrushColor(dc, colour);
  ::FillRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
}

}  // namespace

CTrayIcon::~CTrayIcon() {
  if (shown_) Delete();
}

bool CTrayIcon::Create(HWND owner, HINSTANCE inst, const TrayOptions& colours, bool withGraph) {
  owner_ = owner;
  inst_ = inst;
  withGraph_ = withGraph;
  size_ = std::max(SystemMetricForDpi(SM_CXSMICON, WindowDpi(owner)), kTrayIconSize);
  SetColours(colours);
  return MakeImages();
}

bool CTrayIcon::MakeImages() {
  bool ok = true;
  for (int i = 0; i < 4; ++i) {
    states_[i].reset(static_cast<HICON>(::LoadImageW(inst_, MAKEINTRESOURCEW(kTrayStateIconFirst + i), IMAGE_ICON,
                                                     size_, size_, LR_DEFAULTCOLOR)));
    ok = ok && states_[i];
  }
  if (withGraph_) {
    HDC screen = ::GetDC(owner_);
    if (!surface_) surface_.reset(::CreateCompatibleDC(screen));
    colour_.reset(::CreateCompatibleBitmap(screen, size_, size_));
    ::ReleaseDC(owner_, screen);
    // All zero: the mask leaves every pixel of the image opaque (rows padded to 16 bits).
    const std::vector<WORD> zeros(static_cast<size_t>(size_) * ((size_ + 15) / 16), 0);
    mask_.reset(::CreateBitmap(size_, size_, 1, 1, zeros.data()));
    ok = ok && surface_ && colour_ && mask_;
  }
  return ok;
}

void CTrayIcon::SetDpi(UINT dpi) {
  const int size = std::max(SystemMetricForDpi(SM_CXSMICON, dpi), kTrayIconSize);
  if (size == size_ || !owner_) return;
  size_ = size;
  MakeImages();
  // The next tick hands the shell a picture of the new size.
  iconHasGraph_ = false;
  const int state = shownState_;
  shownState_ = -1;
  if (shown_ && state >= 0 && Modify(states_[state].get(), true)) shownState_ = state;
}

void CTrayIcon::SetColours(const TrayOptions& colours) {
  iconHasGraph_ = false;
  upPen_ = MakePen(colours.upColor);
  downPen_ = MakePen(colours.downColor);
  bothPen_ = MakePen(colours.bothColor);
}

bool CTrayIcon::Add() {
  shown_ = true;
  tip_ = kInitialTip;
  ++addCount_;
  inShell_ = TrayIconCall(owner_, NIM_ADD, kTrayIconId, NIF_MESSAGE | NIF_ICON | NIF_TIP, WM_TRAY_NOTIFY,
                          states_[0].get(), tip_);
  return inShell_;
}

bool CTrayIcon::Delete() {
  shown_ = false;
  shownState_ = -1;
  iconHasGraph_ = false;
  inShell_ = false;
  return TrayIconCall(owner_, NIM_DELETE, kTrayIconId, 0, 0, nullptr, L"");
}

bool CTrayIcon::Modify(HICON icon, bool withIcon) {
  const UINT flags = withIcon ? (NIF_ICON | NIF_TIP) : NIF_TIP;
  inShell_ = TrayIconCall(owner_, NIM_MODIFY, kTrayIconId, flags, 0, icon, tip_);
  return inShell_;
}

bool CTrayIcon::Readd(HICON icon) {
  TrayIconCall(owner_, NIM_DELETE, kTrayIconId, 0, 0, nullptr, L"");
  ++addCount_;
  inShell_ = TrayIconCall(owner_, NIM_ADD, kTrayIconId, NIF_MESSAGE | NIF_ICON | NIF_TIP, WM_TRAY_NOTIFY, icon, tip_);
  return inShell_;
}

IconHandle CTrayIcon::MakeGraphIcon() const {
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmMask = mask_.get();
  info.hbmColor = colour_.get();
  return IconHandle(::CreateIconIndirect(&info));
}

void CTrayIcon::Update(const TraySource& source, const TrayOptions& options) {
  shown_ = true;
  std::wstring tip = TrayTipFor(source, options);
  // Nothing new for the shell: no message at all. A notification area that was
  // made again announces itself with TaskbarCreated.
  const bool sameTip = inShell_ && tip == tip_;
  tip_ = std::move(tip);
  if (TrayUsesGraph(source, options) && surface_ && colour_) {
    GraphPicture picture;
    picture.style = options.graphStyle;
    picture.background = source.graphBkColor;
    if (source.history && options.graphStyle != 0) picture.bars = TrayBarStrokes(*source.history, source.scaleMax, size_);
    if (source.history && options.graphStyle == 0) picture.lines = TrayLinePaths(*source.history, source.scaleMax, size_);
    if (iconHasGraph_ && picture == drawn_ && shownState_ < 0) {
      if (sameTip) return;
      // The same picture: only the tooltip, and the icon comes back if the shell lost it.
      if (!Modify(nullptr, false)) {
        IconHandle icon = MakeGraphIcon();
        Readd(icon.get());
      }
      return;
    }
    drawn_ = std::move(picture);
    DrawPicture();
    IconHandle icon = MakeGraphIcon();
    ++imageCount_;
    if (!Modify(icon.get(), true)) Readd(icon.get());
    shownState_ = -1;
    iconHasGraph_ = true;
    return;
  }
  iconHasGraph_ = false;
  uint32_t down = 0, up = 0;
  if (source.history && !source.history->empty()) {
    down = source.history->newest().down;
    up = source.history->newest().up;
  }
  const int index = TrayStateIndex(down, up);
  bool ok;
  if (index != shownState_) {
    shownState_ = index;
    ++imageCount_;
    ok = Modify(states_[index].get(), true);
  } else {
    if (sameTip) return;
    ok = Modify(nullptr, false);
  }
  if (!ok) Readd(states_[index].get());
}

UINT CTrayIcon::TaskbarCreatedMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

bool CTrayIcon::OnTaskbarCreated() {
  if (!shown_) return false;
  if (tip_.empty()) tip_ = kInitialTip;
  if (shownState_ >= 0) return Readd(states_[shownState_].get());
  if (graphDrawn_) {
    IconHandle icon = MakeGraphIcon();
    return Readd(icon.get());
  }
  return Readd(states_[0].get());
}

void CTrayIcon::OnNotify(WPARAM, LPARAM lp) {
  switch (LOWORD(lp)) {
    case WM_LBUTTONUP:
      if (toggle_) toggle_();
      break;
    case WM_RBUTTONUP: {
      if (!popup_) break;
      POINT pt{};
      ::GetCursorPos(&pt);
      ::SetForegroundWindow(owner_);
      ::TrackPopupMenu(popup_, TPM_RIGHTBUTTON, pt.x, pt.y, 0, owner_, nullptr);
      // Without this the menu would not close when the user clicks elsewhere.
      ::PostMessageW(owner_, WM_NULL, 0, 0);
      break;
    }
    default:
      break;
  }
}

bool CTrayIcon::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TRAY_NOTIFY) {
    OnNotify(wp, lp);
    return true;
  }
  if (msg == TaskbarCreatedMessage()) {
    OnTaskbarCreated();
    return true;
  }
  return false;
}

HPEN CTrayIcon::PenFor(TrayPen pen) const {
  switch (pen) {
    case TrayPen::Up: return upPen_.get();
    case TrayPen::Down: return downPen_.get();
    case TrayPen::Both: return bothPen_.get();
  }
  return bothPen_.get();
}

bool CTrayIcon::DrawGraph(const TraySource& source, int32_t graphStyle) {
  if (!surface_ || !colour_) return false;
  drawn_ = GraphPicture{};
  drawn_.style = graphStyle;
  drawn_.background = source.graphBkColor;
  if (source.history && graphStyle != 0) drawn_.bars = TrayBarStrokes(*source.history, source.scaleMax, size_);
  if (source.history && graphStyle == 0) drawn_.lines = TrayLinePaths(*source.history, source.scaleMax, size_);
  iconHasGraph_ = false;
  DrawPicture();
  return true;
}

void CTrayIcon::DrawPicture() {
  HDC dc = surface_.get();
  SelectGuard bitmap(dc, colour_.get());
  const int n = size_;
  FillColour(dc, RECT{0, 0, n, n}, static_cast<COLORREF>(drawn_.background));
  const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
  const COLORREF light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
  FillColour(dc, RECT{0, 0, n - 1, 1}, shadow);
  FillColour(dc, RECT{0, 0, 1, n - 1}, shadow);
  FillColour(dc, RECT{n - 1, 0, n, n}, light);
  FillColour(dc, RECT{0, n - 1, n, n}, light);
  HGDIOBJ oldPen = ::GetCurrentObject(dc, OBJ_PEN);
  for (const TrayBarStroke& s : drawn_.bars) {
    ::SelectObject(dc, PenFor(s.pen));
    ::MoveToEx(dc, s.x, s.yFrom, nullptr);
    ::LineTo(dc, s.x, s.yTo);
  }
  for (const TrayPolyline& line : drawn_.lines) {
    ::SelectObject(dc, PenFor(line.pen));
    ::MoveToEx(dc, line.points[0].x, line.points[0].y, nullptr);
    for (size_t i = 1; i < line.points.size(); ++i) ::LineTo(dc, line.points[i].x, line.points[i].y);
  }
  ::SelectObject(dc, oldPen);
  graphDrawn_ = true;
}
