// A page of a property sheet with the message table of Dialog<D>: the page's
// object travels in its page description, and Describe fills that in.
//
//   class CFooPage : public PropertyPage<CFooPage> { ... kMessages, kCommands ... };
//   PROPSHEETPAGEW pages[] = {foo.Describe(inst, IDD_FOO), ...};
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "ui/dialog_win.h"

template <class D>
class PropertyPage : public Dialog<D> {
public:
  PROPSHEETPAGEW Describe(HINSTANCE inst, int templateId) {
    PROPSHEETPAGEW page{};
    page.dwSize = sizeof page;
    page.hInstance = inst;
    page.pszTemplate = MAKEINTRESOURCEW(templateId);
    page.pfnDlgProc = &Dialog<D>::Thunk;
    page.lParam = reinterpret_cast<LPARAM>(static_cast<D*>(this));
    return page;
  }

  static D* FromInitParam(LPARAM lp) {
    return reinterpret_cast<D*>(reinterpret_cast<const PROPSHEETPAGEW*>(lp)->lParam);
  }
};
