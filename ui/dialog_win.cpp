#include "ui/dialog_win.h"

#include "ui/window_util_win.h"

FontHandle MakeDialogFont(HWND window) { return MakeTahoma(-11, FW_NORMAL, WindowDpi(window)); }

DialogForm::DialogForm()
    : messageBox_([](HWND owner, const std::wstring& text, UINT type) {
        return ::MessageBoxW(owner, text.c_str(), L"Zephra", type);
      }) {}

DialogForm::~DialogForm() = default;

void DialogForm::UseDialogFont() {
  font_ = MakeDialogFont(form_);
  if (font_) ApplyFontToChildren(form_, font_.get());
  for (HWND c = ::GetWindow(form_, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) GrowToTextLine(c);
}

void DialogForm::SetModified() {
  if (filling_ || !form_) return;
  modified_ = true;
  ::SendMessageW(::GetParent(form_), PSM_CHANGED, reinterpret_cast<WPARAM>(form_), 0);
}

void DialogForm::ClearModified() {
  modified_ = false;
  ::SendMessageW(::GetParent(form_), PSM_UNCHANGED, reinterpret_cast<WPARAM>(form_), 0);
}

void DialogForm::ShowFailure(int control, const std::wstring& text) {
  HWND top = form_;
  if (::GetWindowLongPtrW(form_, GWL_STYLE) & WS_CHILD) {
    top = ::GetParent(form_);
    const LRESULT index = ::SendMessageW(top, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(form_), 0);
    const auto current = reinterpret_cast<HWND>(::SendMessageW(top, PSM_GETCURRENTPAGEHWND, 0, 0));
    if (index >= 0 && current != form_) ::SendMessageW(top, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
  ::SendMessageW(top, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(form_, control)), TRUE);
  Message(text, MB_OK | MB_ICONWARNING);
}
