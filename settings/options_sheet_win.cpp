#include "settings/options_sheet_win.h"

#include "base/ids.h"
#include "res/resource.h"
#include "ui/dialog_win.h"
#include "ui/dpi_win.h"
#include "ui/window_util_win.h"

// ---- shared by the pages ---------------------------------------------------------

void FillList(HWND dlg, int id, const Choices& choices, int select) {
  HWND list = ::GetDlgItem(dlg, id);
  ::SendMessageW(list, CB_RESETCONTENT, 0, 0);
  for (const Choice& c : choices) {
    const LRESULT at = ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c.label.c_str()));
    if (at >= 0) ::SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(at), c.data);
  }
  ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(select), 0);
}

int32_t SelectedData(HWND dlg, int id, int32_t none) {
  const LRESULT at = ::SendDlgItemMessageW(dlg, id, CB_GETCURSEL, 0, 0);
  if (at < 0) return none;
  return static_cast<int32_t>(::SendDlgItemMessageW(dlg, id, CB_GETITEMDATA, static_cast<WPARAM>(at), 0));
}

bool COptionPage::Validate() {
  const std::optional<PageProblem> problem = ReadAndCheck();
  if (!problem) return true;
  ShowFailure(problem->control, problem->message);
  return false;
}

std::optional<INT_PTR> COptionPage::OnSheetNotify(LPARAM lp) {
  const auto* header = reinterpret_cast<const NMHDR*>(lp);
  if (header->code != PSN_APPLY) return std::nullopt;
  // A page the user did not change has nothing to hand over.
  HWND page = formWindow();
  if (!modified()) return SetDialogResult(page, PSNRET_NOERROR);
  if (!Validate()) return SetDialogResult(page, PSNRET_INVALID_NOCHANGEPAGE);
  if (sheet_ && sheet_->notify())
    ::SendMessageW(sheet_->notify(), WM_OPTIONS_APPLIED, code_, reinterpret_cast<LPARAM>(this));
  ClearModified();
  return SetDialogResult(page, PSNRET_NOERROR);
}

// ---- the sheet -------------------------------------------------------------------

COptionsSheet::COptionsSheet(HINSTANCE inst, HWND notify) : inst_(inst), notify_(notify) {
  messageBox_ = [](HWND owner, const std::wstring& text, UINT type) {
    return ::MessageBoxW(owner, text.c_str(), L"Zephra", type);
  };
}

COptionsSheet::~COptionsSheet() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

void COptionsSheet::AddPage(COptionPage& page) {
  page.sheet_ = this;
  page.SetMessageBox([this](HWND, const std::wstring& text, UINT type) { return Message(text, type); });
  pages_.push_back(&page);
}

int COptionsSheet::Message(const std::wstring& text, UINT type) { return messageBox_(hwnd_, text, type); }

INT_PTR COptionsSheet::Run(HWND owner) { return Show(owner, false); }

HWND COptionsSheet::Create(HWND owner) {
  Show(owner, true);
  return hwnd_;
}

bool COptionsSheet::closed() const {
  return !hwnd_ || ::SendMessageW(hwnd_, PSM_GETCURRENTPAGEHWND, 0, 0) == 0;
}

int COptionsSheet::activePage() const {
  if (!hwnd_) return lastPage_;
  const LRESULT page = ::SendMessageW(hwnd_, PSM_GETCURRENTPAGEHWND, 0, 0);
  return static_cast<int>(::SendMessageW(hwnd_, PSM_HWNDTOINDEX, static_cast<WPARAM>(page), 0));
}

INT_PTR COptionsSheet::Show(HWND owner, bool modeless) {
  PropertySheetRequest request;
  request.inst = inst_;
  request.owner = owner;
  request.caption = L"Zephra Options";
  for (COptionPage* p : pages_) request.pages.push_back(p->Record(inst_));
  request.startPage = startPage_;
  request.flags = PSH_NOCONTEXTHELP;
  request.modeless = modeless;
  request.initialized = [this](HWND sheet) { OnInitialized(sheet); };
  lastPage_ = startPage_ >= 0 && startPage_ < static_cast<int>(pages_.size()) ? startPage_ : 0;
  return ShowPropertySheet(request, icons_);
}

void COptionsSheet::OnInitialized(HWND sheet) {
  hwnd_ = sheet;
  ::SetWindowSubclass(sheet, &SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));

  // Centred on the desktop.
  RECT r{}, desk{};
  ::GetWindowRect(sheet, &r);
  ::GetWindowRect(::GetDesktopWindow(), &desk);
  const int w = r.right - r.left, h = r.bottom - r.top;
  ::SetWindowPos(sheet, nullptr, desk.left + (desk.right - desk.left - w) / 2, desk.top + (desk.bottom - desk.top - h) / 2,
                 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  ::SetDlgItemTextW(sheet, IDOK, L"OK");
  ::SetDlgItemTextW(sheet, IDCANCEL, L"Cancel");
  ::SetDlgItemTextW(sheet, ID_APPLY_NOW, L"&Apply");
  ::SetDlgItemTextW(sheet, IDHELP, L"Help");
  font_ = MakeDialogFont(sheet);
  if (font_) ApplyFontToChildren(sheet, font_.get());
}

bool COptionsSheet::ValidateChangedPages() {
  for (COptionPage* p : pages_)
    if (p->pageWindow() && p->modified() && !p->Validate()) return false;
  return true;
}

LRESULT CALLBACK COptionsSheet::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data) {
  auto* self = reinterpret_cast<COptionsSheet*>(data);
  switch (msg) {
    case WM_COMMAND:
      // No value of any page is applied by a press that one page refuses.
      if ((LOWORD(wp) == IDOK || LOWORD(wp) == ID_APPLY_NOW) && HIWORD(wp) == BN_CLICKED &&
          !self->ValidateChangedPages())
        return 0;
      break;
    case PSM_PRESSBUTTON:
      if ((wp == PSBTN_OK || wp == PSBTN_APPLYNOW) && !self->ValidateChangedPages()) return 0;
      break;
    case WM_DPICHANGED:
      ApplyDpiChange(hwnd, LOWORD(wp), reinterpret_cast<const RECT*>(lp), self->dpiFonts_);
      return 0;
    case WM_DESTROY:
      self->lastPage_ = self->activePage();
      break;
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(hwnd, &SubclassProc, id);
      self->hwnd_ = nullptr;
      break;
  }
  return ::DefSubclassProc(hwnd, msg, wp, lp);
}
