#include "settings/options_sheet_win.h"

#include "base/ids.h"
#include "res/resource.h"
#include "ui/dialog_win.h"
#include "ui/dpi_win.h"
#include "ui/window_util_win.h"

namespace {

// The sheet being made: its creation callback carries no pointer of its own.
thread_local COptionsSheet* g_creating = nullptr;

}  // namespace

// ---- shared by the pages ---------------------------------------------------------

FontHandle MakeOptionsFont(HWND window) { return MakeTahoma(-11, FW_NORMAL, WindowDpi(window)); }

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

void COptionPage::BeginPage(HWND page) {
  page_ = page;
  modified_ = false;
  font_ = MakeOptionsFont(page_);
  if (font_) ApplyFontToChildren(page_, font_.get());
  for (HWND c = ::GetWindow(page_, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) GrowToTextLine(c);
}

void COptionPage::SetModified() {
  if (filling_ || !page_) return;
  modified_ = true;
  ::SendMessageW(::GetParent(page_), PSM_CHANGED, reinterpret_cast<WPARAM>(page_), 0);
}

int COptionPage::Message(const std::wstring& text, UINT type) {
  return sheet_ ? sheet_->Message(text, type) : ::MessageBoxW(page_, text.c_str(), L"Zephra", type);
}

bool COptionPage::Validate() {
  const std::optional<PageProblem> problem = ReadAndCheck();
  if (!problem) return true;
  if (sheet_) sheet_->ShowPage(*this);
  ::SetFocus(::GetDlgItem(page_, problem->control));
  Message(problem->message, MB_OK | MB_ICONWARNING);
  return false;
}

std::optional<INT_PTR> COptionPage::OnSheetNotify(LPARAM lp) {
  const auto* header = reinterpret_cast<const NMHDR*>(lp);
  if (header->code != PSN_APPLY) return std::nullopt;
  // A page the user did not change has nothing to hand over.
  if (!modified_) return SetDialogResult(page_, PSNRET_NOERROR);
  if (!Validate()) return SetDialogResult(page_, PSNRET_INVALID_NOCHANGEPAGE);
  if (sheet_ && sheet_->notify())
    ::SendMessageW(sheet_->notify(), WM_OPTIONS_APPLIED, code_, reinterpret_cast<LPARAM>(this));
  modified_ = false;
  ::SendMessageW(::GetParent(page_), PSM_UNCHANGED, reinterpret_cast<WPARAM>(page_), 0);
  return SetDialogResult(page_, PSNRET_NOERROR);
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

void COptionsSheet::ShowPage(const COptionPage& page) {
  if (!hwnd_ || !page.pageWindow()) return;
  const LRESULT index = ::SendMessageW(hwnd_, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page.pageWindow()), 0);
  if (index >= 0 && index != activePage()) ::SendMessageW(hwnd_, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
}

INT_PTR COptionsSheet::Show(HWND owner, bool modeless) {
  records_.clear();
  for (COptionPage* p : pages_) records_.push_back(p->Record(inst_));
  PROPSHEETHEADERW header{};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK | PSH_NOCONTEXTHELP | (modeless ? PSH_MODELESS : 0);
  header.hwndParent = owner;
  header.hInstance = inst_;
  header.pszCaption = L"Zephra Options";
  header.nPages = static_cast<UINT>(records_.size());
  header.nStartPage = startPage_ >= 0 && startPage_ < static_cast<int>(records_.size()) ? startPage_ : 0;
  header.ppsp = records_.data();
  header.pfnCallback = &Callback;
  lastPage_ = static_cast<int>(header.nStartPage);
  g_creating = this;
  const INT_PTR result = ::PropertySheetW(&header);
  g_creating = nullptr;
  return result;
}

int CALLBACK COptionsSheet::Callback(HWND sheet, UINT msg, LPARAM) {
  if (msg == PSCB_INITIALIZED && g_creating) g_creating->OnInitialized(sheet);
  return 0;
}

void COptionsSheet::OnInitialized(HWND sheet) {
  hwnd_ = sheet;
  ::SetWindowSubclass(sheet, &SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));

  bigIcon_.reset(static_cast<HICON>(::LoadImageW(inst_, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                                  ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0)));
  smallIcon_.reset(static_cast<HICON>(::LoadImageW(inst_, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                                    ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0)));
  if (bigIcon_) ::SendMessageW(sheet, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
  if (smallIcon_) ::SendMessageW(sheet, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));

  // Centred on the desktop, with a task-bar button of its own.
  RECT r{}, desk{};
  ::GetWindowRect(sheet, &r);
  ::GetWindowRect(::GetDesktopWindow(), &desk);
  const int w = r.right - r.left, h = r.bottom - r.top;
  ::SetWindowPos(sheet, nullptr, desk.left + (desk.right - desk.left - w) / 2, desk.top + (desk.bottom - desk.top - h) / 2,
                 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::SetWindowLongPtrW(sheet, GWL_EXSTYLE, ::GetWindowLongPtrW(sheet, GWL_EXSTYLE) | WS_EX_APPWINDOW);

  ::SetDlgItemTextW(sheet, IDOK, L"OK");
  ::SetDlgItemTextW(sheet, IDCANCEL, L"Cancel");
  ::SetDlgItemTextW(sheet, ID_APPLY_NOW, L"&Apply");
  ::SetDlgItemTextW(sheet, IDHELP, L"Help");
  font_ = MakeOptionsFont(sheet);
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
      for (COptionPage* p : self->pages_) p->page_ = nullptr;
      break;
  }
  return ::DefSubclassProc(hwnd, msg, wp, lp);
}
