// The making of a property sheet from its pages' records, shared by the
// options window and the reports window: modal, or modeless for tests.
#pragma once
#include <windows.h>
#include <prsht.h>

#include <functional>
#include <vector>

#include "ui/handle_win.h"

struct PropertySheetRequest {
  HINSTANCE inst = nullptr;
  HWND owner = nullptr;
  const wchar_t* caption = L"";
  std::vector<PROPSHEETPAGEW> pages;
  int startPage = 0;   // out of range: the first page
  DWORD flags = 0;     // PSH_NOAPPLYNOW, PSH_NOCONTEXTHELP, ...
  bool modeless = false;
  // The sheet window once it exists, before it is shown: it already carries
  // the program's icon (kept in `icons`) and a task-bar button of its own.
  std::function<void(HWND sheet)> initialized;
};

struct SheetIcons {
  IconHandle big;
  IconHandle small;
};

// PropertySheetW's result: for a modeless sheet its window.
INT_PTR ShowPropertySheet(const PropertySheetRequest& request, SheetIcons& icons);
