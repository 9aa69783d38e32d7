#include "ui/property_sheet_win.h"

#include "res/resource.h"
#include "ui/window_util_win.h"

namespace {

struct Creating {
  const PropertySheetRequest* request;
  SheetIcons* icons;
};

// The sheet being made: its creation callback carries no pointer of its own.
thread_local Creating* g_creating = nullptr;

int CALLBACK SheetCallback(HWND sheet, UINT msg, LPARAM) {
  if (msg != PSCB_INITIALIZED || !g_creating) return 0;
  const PropertySheetRequest& r = *g_creating->request;
  SetWindowIcons(sheet, r.inst, IDI_APP, g_creating->icons->big, g_creating->icons->small);
  ::SetWindowLongPtrW(sheet, GWL_EXSTYLE, ::GetWindowLongPtrW(sheet, GWL_EXSTYLE) | WS_EX_APPWINDOW);
  if (r.initialized) r.initialized(sheet);
  return 0;
}

}  // namespace

INT_PTR ShowPropertySheet(const PropertySheetRequest& request, SheetIcons& icons) {
  const int count = static_cast<int>(request.pages.size());
  PROPSHEETHEADERW header{};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK | request.flags | (request.modeless ? PSH_MODELESS : 0);
  header.hwndParent = request.owner;
  header.hInstance = request.inst;
  header.pszCaption = request.caption;
  header.nPages = static_cast<UINT>(count);
  header.nStartPage = request.startPage >= 0 && request.startPage < count ? static_cast<UINT>(request.startPage) : 0;
  header.ppsp = request.pages.data();
  header.pfnCallback = &SheetCallback;
  Creating creating{&request, &icons};
  Creating* outer = g_creating;
  g_creating = &creating;
  const INT_PTR result = ::PropertySheetW(&header);
  g_creating = outer;
  return result;
}
