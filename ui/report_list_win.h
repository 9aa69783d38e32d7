// A list control of report rows that sorts by a clicked column: full-row
// selection and grid lines, a sort kind per column (see list_sort.h), and
// after each sort the message WM_REPORT_LIST_SORTED to its parent, so that a
// page can find its rows again. The parent forwards the list's WM_NOTIFY.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "ui/list_sort.h"

// Sent (wParam = the list's control id, lParam = its window) after a sort.
constexpr UINT WM_REPORT_LIST_SORTED = WM_USER + 272;

class CReportList {
public:
  // Takes the list control of a dialog; sets full-row selection and grid lines.
  void Attach(HWND list);
  HWND hwnd() const { return list_; }

  // fmt: LVCFMT_LEFT, LVCFMT_CENTER or LVCFMT_RIGHT.
  // width in pixels at 96 DPI, scaled to the list's DPI and widened to the title.
  void AddColumn(int column, const wchar_t* title, int width, int fmt, int sortKind);
  void SetSortKind(int column, int sortKind);
  // The platform's locale-aware comparison for kind 0 (CompareStringW).
  static int LocaleCompare(std::wstring_view a, std::wstring_view b);

  // Appends a row with its texts (one per column) and its data; returns its index.
  int AddRow(const std::vector<std::wstring>& texts, LPARAM data);
  void DeleteAll();
  // Room for n rows before a large fill.
  void Reserve(int n) { ListView_SetItemCount(list_, n); }
  int Count() const;
  LPARAM Data(int row) const;
  std::wstring Text(int row, int column) const;
  // Rewrites a text only when it differs from the shown one (no flicker).
  void SetTextIfChanged(int row, int column, const std::wstring& text);
  // The row showing data, or -1.
  int FindData(LPARAM data) const;
  bool IsSelected(int row) const;

  // Sorts by the column as a header click does.
  void SortByColumn(int column);
  const ListSortState& sortState() const { return sort_; }

  // The parent's WM_NOTIFY for this list: a header click sorts. True when handled.
  bool OnNotify(const NMHDR* header);

private:
  static int CALLBACK CompareRows(LPARAM a, LPARAM b, LPARAM self);

  HWND list_ = nullptr;
  int kinds_[kMaxSortColumns] = {};
  ListSortState sort_;
  int sortColumn_ = 0;
};
