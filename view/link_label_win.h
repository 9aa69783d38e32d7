// A static text control that shows a web address or a document as a link:
// coloured, underlined while the mouse is over it (or always, or never), with
// a hand cursor and a tooltip showing the target. A click opens the target;
// a failure is reported in a message box.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "ui/handle_win.h"

class CLinkLabel {
public:
  // What an open returns: above 32 is success, as with ShellExecuteW.
  using OpenFn = std::function<intptr_t(const std::wstring& target, int showCommand)>;
  using MessageBoxFn = std::function<int(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type)>;

  CLinkLabel();
  ~CLinkLabel();
  CLinkLabel(const CLinkLabel&) = delete;
  CLinkLabel& operator=(const CLinkLabel&) = delete;

  // Takes over an existing static control (a dialog's own control).
  bool Attach(HWND control);
  // Gives the control back: stops the timer, removes the tooltip, releases the fonts.
  void Detach();

  void SetTarget(const std::wstring& target);
  // -1 underline only while hovering, 1 always, 0 never.
  void SetUnderlineMode(int mode);
  void SetAutoSize(bool on) { autoSize_ = on; }
  void SetColours(COLORREF link, COLORREF visited, COLORREF hover);

  // Opens the target as a click does; true when it opened.
  bool Open();

  // Seams for tests: the opener (OpenDocument by default) and the message box.
  void SetOpener(OpenFn open) { open_ = std::move(open); }
  void SetMessageBox(MessageBoxFn box) { messageBox_ = std::move(box); }

  // Paints the control as WM_PAINT does, into any DC.
  void Paint(HDC dc);

  HWND hwnd() const { return hwnd_; }
  const std::wstring& target() const { return target_; }
  bool visited() const { return visited_; }
  bool hovering() const { return hovering_; }
  int underlineMode() const { return underlineMode_; }
  HFONT currentFont() const { return currentFont_; }
  HFONT underlinedFont() const { return underlinedFont_.get(); }
  HWND tooltip() const { return tooltip_; }
  COLORREF TextColour() const;

  static constexpr UINT_PTR kHoverTimer = 100;

private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self);
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled);
  void SelectFont(HFONT font);
  void SizeToText();
  void OnMouseMove();
  void OnHoverTimer();
  void LoadHandCursor();
  void ReportFailure(intptr_t result);

  COLORREF linkColour_ = RGB(0, 0, 238);
  COLORREF visitedColour_ = RGB(85, 26, 139);
  COLORREF hoverColour_ = RGB(255, 0, 0);
  bool hovering_ = false;
  bool visited_ = false;
  int underlineMode_ = -1;
  bool autoSize_ = true;
  std::wstring target_;
  HFONT normalFont_ = nullptr;  // the control's own font, or a stock font
  FontHandle underlinedFont_;
  HFONT currentFont_ = nullptr;
  HCURSOR handCursor_ = nullptr;
  bool ownsCursor_ = false;
  HWND tooltip_ = nullptr;
  HWND hwnd_ = nullptr;
  OpenFn open_;
  MessageBoxFn messageBox_;
};

// The text shown after "Unable to open hyperlink:" for a failed open's result.
std::wstring LinkOpenFailureText(intptr_t result);
