// The options window "Zephra Options": a property sheet that takes its pages
// as a list in tab order, and what it asks of every options page - the checks
// of an apply (a failure shown by the page's DialogForm) and the hand-over to
// the meter window by WM_OPTIONS_APPLIED. Pages work on copies; they never
// write the settings.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "settings/option_pages.h"
#include "ui/dialog_win.h"
#include "ui/property_sheet_win.h"

class COptionsSheet;

// An options page as the sheet sees it; the page's window, font, changed state
// and message box are its DialogForm's (the sheet's message box).
class COptionPage : public DialogForm {
public:
  virtual ~COptionPage() = default;

  // The sheet's record of this page.
  virtual PROPSHEETPAGEW Record(HINSTANCE inst) = 0;
  // The page code handed over with WM_OPTIONS_APPLIED (201 General ...).
  uintptr_t code() const { return code_; }
  HWND pageWindow() const { return formWindow(); }
  // Reads the controls and checks them. A fault brings the page to the
  // front, focuses the control and warns; then false.
  bool Validate();

protected:
  explicit COptionPage(uintptr_t code) : code_(code) {}
  // Reads every control into the page's values; the first fault, if any.
  virtual std::optional<PageProblem> ReadAndCheck() = 0;
  // The page's WM_NOTIFY from the sheet (PSN_APPLY); nullopt for others.
  std::optional<INT_PTR> OnSheetNotify(LPARAM lp);

private:
  friend class COptionsSheet;
  uintptr_t code_;
  COptionsSheet* sheet_ = nullptr;
};

// Fills a drop-down list and selects the entry at `select` (-1: none).
void FillList(HWND dlg, int id, const Choices& choices, int select);
// The item data of the selected entry, or `none` without a selection.
int32_t SelectedData(HWND dlg, int id, int32_t none);

class COptionsSheet {
public:
  // Shows a message titled "Zephra"; type carries the icon flags.
  using MessageBoxFn = std::function<int(HWND owner, const std::wstring& text, UINT type)>;

  // Applied pages are handed to `notify` (the meter window).
  COptionsSheet(HINSTANCE inst, HWND notify);
  ~COptionsSheet();
  COptionsSheet(const COptionsSheet&) = delete;
  COptionsSheet& operator=(const COptionsSheet&) = delete;

  // Pages in tab order: General, Graph & Text, Adapters, Notification, Service.
  void AddPage(COptionPage& page);
  void SetStartPage(int index) { startPage_ = index; }
  void SetMessageBox(MessageBoxFn box) { messageBox_ = std::move(box); }

  // Modal; returns when OK or Cancel closed the sheet.
  INT_PTR Run(HWND owner);
  // Modeless (tests pump messages themselves); closed() tells when OK or Cancel ended it.
  HWND Create(HWND owner);
  HWND hwnd() const { return hwnd_; }
  bool closed() const;
  // The index of the page that was active when the sheet window was destroyed.
  int lastPage() const { return lastPage_; }
  int activePage() const;

  HWND notify() const { return notify_; }
  int Message(const std::wstring& text, UINT type);

private:
  INT_PTR Show(HWND owner, bool modeless);
  void OnInitialized(HWND sheet);
  // OK and Apply check every changed page before any is handed over.
  bool ValidateChangedPages();
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self);

  HINSTANCE inst_;
  HWND notify_;
  HWND hwnd_ = nullptr;
  std::vector<COptionPage*> pages_;
  int startPage_ = 0;
  int lastPage_ = 0;
  MessageBoxFn messageBox_;
  FontHandle font_;
  std::vector<FontHandle> dpiFonts_;  // the fonts made again for a new DPI
  SheetIcons icons_;
};
