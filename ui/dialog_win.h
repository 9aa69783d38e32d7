// Base for dialogs with a message table: one static thunk finds the object, a
// table maps messages and command ids to member functions, and the pointer is
// detached at WM_NCDESTROY.
//
//   class CFooDlg : public Dialog<CFooDlg> {
//     friend class Dialog<CFooDlg>;  // when the tables and handlers are private
//     static const MsgEntry kMessages[];  // {{WM_INITDIALOG, &CFooDlg::OnInit}}
//     static const CmdEntry kCommands[];  // {{IDOK, &CFooDlg::OnOk}}
//   };
// A handler that returns std::nullopt asks for default processing. A command
// handler gets its command id, so one handler can serve several ids; handlers
// of one kind are declared together (`MsgHandler OnInitDialog, OnNotify;`).
//
// DialogForm is the part the options pages, the report pages and the small
// dialogs share; a class that derives from it as well gets its window there
// at WM_INITDIALOG.
#pragma once
#include <windows.h>
#include <prsht.h>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "ui/dpi_win.h"
#include "ui/handle_win.h"

// "Tahoma" of height -11 at the window's DPI: the font of the property sheets,
// their pages and the dialogs that take it.
FontHandle MakeDialogFont(HWND window);

template <class D>
class Dialog;

// What a page or a small dialog holds besides its message table: the message
// box it warns through (titled "Zephra"; tests replace it), the page font, the
// changed state that a property sheet's Apply follows, and the display of a
// failed check.
class DialogForm {
public:
  // Shows a message titled "Zephra"; type carries the icon and button flags.
  using MessageBoxFn = std::function<int(HWND owner, const std::wstring& text, UINT type)>;

  void SetMessageBox(MessageBoxFn box) { messageBox_ = std::move(box); }
  HWND formWindow() const { return form_; }
  bool modified() const { return modified_; }

protected:
  DialogForm();
  ~DialogForm();
  DialogForm(const DialogForm&) = delete;
  DialogForm& operator=(const DialogForm&) = delete;

  // From WM_INITDIALOG: MakeDialogFont on the window and every control, and
  // each control at least one line of it high.
  void UseDialogFont();
  // Marks the form changed and a page's sheet enables Apply; ignored while
  // the form fills its own controls.
  void SetModified();
  // The changes were handed over: the sheet hears the page is unchanged.
  void ClearModified();
  int Message(const std::wstring& text, UINT type) { return messageBox_(form_, text, type); }
  // A failed check: a page comes to the front of its sheet, the control gets
  // the focus from the dialog manager (an edit box's text selected), then the
  // warning. The message box gives the focus back to the control.
  void ShowFailure(int control, const std::wstring& text);

  MessageBoxFn messageBox_;
  bool filling_ = false;  // set while the form writes its own controls

private:
  template <class>
  friend class Dialog;
  HWND form_ = nullptr;
  FontHandle font_;
  bool modified_ = false;
};

template <class D>
class Dialog {
public:
  using MsgFn = std::optional<INT_PTR> (D::*)(WPARAM, LPARAM);
  using CmdFn = void (D::*)(WORD id, WORD notifyCode, HWND control);
  using MsgHandler = std::optional<INT_PTR>(WPARAM, LPARAM);
  using CmdHandler = void(WORD id, WORD code, HWND control);
  struct MsgEntry { UINT msg; MsgFn fn; };
  struct CmdEntry { WORD id; CmdFn fn; };

  HWND hwnd() const { return hwnd_; }

protected:
  INT_PTR RunModal(HINSTANCE inst, int templateId, HWND owner) {
    return ::DialogBoxParamW(inst, MAKEINTRESOURCEW(templateId), owner, &Thunk, Self());
  }
  HWND CreateModeless(HINSTANCE inst, int templateId, HWND owner) {
    return ::CreateDialogParamW(inst, MAKEINTRESOURCEW(templateId), owner, &Thunk, Self());
  }
  // The record of a property sheet page run by this object: its WM_INITDIALOG
  // hands the handler this object rather than the page record.
  PROPSHEETPAGEW PageRecord(HINSTANCE inst, int templateId) {
    PROPSHEETPAGEW page{};
    page.dwSize = sizeof page;
    page.hInstance = inst;
    page.pszTemplate = MAKEINTRESOURCEW(templateId);
    page.pfnDlgProc = &PageThunk;
    page.lParam = Self();
    return page;
  }

  Dialog() = default;
  ~Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Commands not in the table (id ranges) come here; false = not handled.
  bool OnOtherCommand(WORD id, WORD code, HWND control) { return false; }
  // Messages not in the table come here; nullopt = default processing.
  std::optional<INT_PTR> OnOtherMessage(UINT msg, WPARAM wp, LPARAM lp) { return std::nullopt; }

  // The object behind WM_INITDIALOG's parameter (a property page's thunk
  // hands over its page description's lParam instead).
  static D* FromInitParam(LPARAM lp) { return reinterpret_cast<D*>(lp); }

  HWND hwnd_ = nullptr;
  // Fonts made again for a new DPI; a dialog whose table does not take
  // WM_DPICHANGED moves, scales its controls and their fonts with ApplyDpiChange.
  std::vector<FontHandle> dpiFonts_;

private:
  // The derived object's address: with more than one base class the Dialog
  // part need not sit at its start, so the thunk gets the D* itself.
  LPARAM Self() { return reinterpret_cast<LPARAM>(static_cast<D*>(this)); }

protected:
  static INT_PTR CALLBACK Thunk(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    D* self;
    if (msg == WM_INITDIALOG) {
      self = D::FromInitParam(lp);
      ::SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
      self->hwnd_ = hwnd;
      if constexpr (std::is_base_of_v<DialogForm, D>) {
        static_cast<DialogForm*>(self)->form_ = hwnd;
        static_cast<DialogForm*>(self)->modified_ = false;
      }
    } else {
      self = reinterpret_cast<D*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;
    INT_PTR result = FALSE;
    bool handled = self->Dispatch(msg, wp, lp, result);
    if (msg == WM_NCDESTROY) {
      ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
      self->hwnd_ = nullptr;
      if constexpr (std::is_base_of_v<DialogForm, D>) static_cast<DialogForm*>(self)->form_ = nullptr;
    }
    return handled ? result : FALSE;
  }

  static INT_PTR CALLBACK PageThunk(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) lp = reinterpret_cast<const PROPSHEETPAGEW*>(lp)->lParam;
    return Thunk(hwnd, msg, wp, lp);
  }

private:
  bool Dispatch(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) {
    D* self = static_cast<D*>(this);
    if (msg == WM_COMMAND) {
      const WORD id = LOWORD(wp);
      for (const CmdEntry& e : D::kCommands) {
        if (e.id == id) {
          (self->*e.fn)(id, HIWORD(wp), reinterpret_cast<HWND>(lp));
          result = TRUE;
          return true;
        }
      }
      if (self->OnOtherCommand(id, HIWORD(wp), reinterpret_cast<HWND>(lp))) {
        result = TRUE;
        return true;
      }
    }
    for (const MsgEntry& e : D::kMessages) {
      if (e.msg == msg) {
        std::optional<INT_PTR> r = (self->*e.fn)(wp, lp);
        if (!r) return false;
        result = *r;
        return true;
      }
    }
    std::optional<INT_PTR> r = self->OnOtherMessage(msg, wp, lp);
    if (!r && msg == WM_DPICHANGED) {
      ApplyDpiChange(hwnd_, LOWORD(wp), reinterpret_cast<const RECT*>(lp), dpiFonts_);
      r = 0;
    }
    if (!r) return false;
    result = *r;
    return true;
  }
};

// A dialog window of its own, from one template: run modally, or made
// without a loop of its own for tests (the caller pumps messages). Its
// messages go through the form's message box.
template <class D, int kTemplateId>
class AppDialog : public Dialog<D>, public DialogForm {
public:
  INT_PTR Run(HWND owner) {
    modal_ = true;
    return ::DialogBoxParamW(inst_, MAKEINTRESOURCEW(kTemplateId), owner, proc_, Self());
  }
  HWND Create(HWND owner) {
    modal_ = false;
    return ::CreateDialogParamW(inst_, MAKEINTRESOURCEW(kTemplateId), owner, proc_, Self());
  }

protected:
  // The dialog procedure is taken here, in the derived class's own source
  // file, where its message tables are complete; Run and Create may then be
  // called from anywhere.
  explicit AppDialog(HINSTANCE inst) : inst_(inst ? inst : ::GetModuleHandleW(nullptr)), proc_(&Dialog<D>::Thunk) {}

  // Ends the dialog the way it was started; a modeless one is destroyed, or
  // only hidden when its state is still to be read.
  void EndAsStarted(INT_PTR result, bool hideWhenModeless = false) {
    if (modal_)
      ::EndDialog(this->hwnd_, result);
    else if (hideWhenModeless)
      ::ShowWindow(this->hwnd_, SW_HIDE);
    else
      ::DestroyWindow(this->hwnd_);
  }

  HINSTANCE inst_;
  bool modal_ = false;

private:
  LPARAM Self() { return reinterpret_cast<LPARAM>(static_cast<D*>(this)); }
  DLGPROC proc_;
};

// Dialog procedures return their real result through DWLP_MSGRESULT for these.
inline INT_PTR SetDialogResult(HWND dlg, LRESULT value) {
  ::SetWindowLongPtrW(dlg, DWLP_MSGRESULT, value);
  return TRUE;
}
