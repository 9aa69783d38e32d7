// A colour button: an owner-drawn push button (BS_OWNERDRAW) whose face is
// filled with its colour. A click opens the colour picker at the current
// colour; a confirmed different colour becomes the button's and repaints it.
// The dialog forwards the button's WM_DRAWITEM and its click.
#pragma once
#include <windows.h>

class CColourButton {
public:
  void Attach(HWND button, COLORREF colour);
  HWND hwnd() const { return button_; }
  COLORREF colour() const { return colour_; }
  // Sets the colour and repaints the face.
  void SetColour(COLORREF colour);
  // The click: true when the user confirmed a different colour.
  bool Choose();
  // WM_DRAWITEM of the owner: true when it was this button's.
  bool OnDrawItem(const DRAWITEMSTRUCT* dis) const;

private:
  HWND button_ = nullptr;
  COLORREF colour_ = 0;
};
