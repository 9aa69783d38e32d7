#include "ui/common_dialogs_win.h"

namespace {

// Stays loaded once a dialog was opened: the next one comes at once.
FARPROC Function(const char* name) {
  static HMODULE lib = ::LoadLibraryW(L"comdlg32.dll");
  return lib ? ::GetProcAddress(lib, name) : nullptr;
}

template <class Arg>
BOOL Call(const char* name, Arg* arg) {
  using Fn = BOOL(WINAPI*)(Arg*);
  const auto fn = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(Function(name)));
  return fn ? fn(arg) : FALSE;
}

}  // namespace

BOOL CommonChooseColour(CHOOSECOLORW* cc) { return Call("ChooseColorW", cc); }
BOOL CommonChooseFont(CHOOSEFONTW* cf) { return Call("ChooseFontW", cf); }
BOOL CommonGetOpenFileName(OPENFILENAMEW* ofn) { return Call("GetOpenFileNameW", ofn); }
BOOL CommonGetSaveFileName(OPENFILENAMEW* ofn) { return Call("GetSaveFileNameW", ofn); }
