// The platform's colour, font and file dialogs, behind replaceable
// functions so that tests can stand in for the user. A picker changes the
// value only when the user confirmed; a failed or cancelled dialog leaves it.
#pragma once
#include <windows.h>
#include <commdlg.h>

struct Pickers {
  // Full-open colour dialog that allows any colour, starting at `colour`.
  bool (*colour)(HWND owner, COLORREF& colour) = nullptr;
  // Screen fonts, no vertical fonts, no script choice, starting at `font`.
  bool (*font)(HWND owner, LOGFONTW& font) = nullptr;
  // The open (open = true) or save file dialog, as ChooseFile fills it in.
  BOOL (*file)(OPENFILENAMEW* ofn, bool open) = nullptr;
};

// The pickers in use (the platform's unless replaced).
Pickers& CurrentPickers();
bool PickColour(HWND owner, COLORREF& colour);
bool PickFont(HWND owner, LOGFONTW& font);
