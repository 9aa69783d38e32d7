#include "ui/report_list_win.h"

#include <algorithm>

#include "ui/dpi_win.h"

namespace {

// The width a header needs for a title in the list's font: the text and the
// header's margins of three edges on each side.
int HeaderTitleWidth(HWND list, const wchar_t* title) {
  HDC dc = ::GetDC(list);
  if (!dc) return 0;
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(list, WM_GETFONT, 0, 0)));
  SIZE size{};
  ::GetTextExtentPoint32W(dc, title, ::lstrlenW(title), &size);
  ::SelectObject(dc, old);
  ::ReleaseDC(list, dc);
  return size.cx + 2 * 3 * ::GetSystemMetrics(SM_CXEDGE);
}

}  // namespace

void CReportList::Attach(HWND list) {
  list_ = list;
  ListView_SetExtendedListViewStyleEx(list_, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES,
                                      LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
}

void CReportList::AddColumn(int column, const wchar_t* title, int width, int fmt, int sortKind) {
  LVCOLUMNW c{};
  c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
  c.fmt = fmt;
  // The width is a 96-DPI value; a column never cuts its own title.
  c.cx = std::max(ScaleFor(list_, width), HeaderTitleWidth(list_, title));
  c.pszText = const_cast<wchar_t*>(title);
  c.iSubItem = column;
  ::SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&c));
  SetSortKind(column, sortKind);
}

void CReportList::SetSortKind(int column, int sortKind) {
  if (column >= 0 && column < kMaxSortColumns) kinds_[column] = sortKind;
}

int CReportList::LocaleCompare(std::wstring_view a, std::wstring_view b) {
  return ::CompareStringW(LOCALE_USER_DEFAULT, 0, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) - CSTR_EQUAL;
}

int CReportList::AddRow(const std::vector<std::wstring>& texts, LPARAM data) {
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = Count();
  item.pszText = const_cast<wchar_t*>(texts.empty() ? L"" : texts[0].c_str());
  item.lParam = data;
  const int row = static_cast<int>(::SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  for (size_t c = 1; c < texts.size() && row >= 0; ++c) {
    LVITEMW sub{};
    sub.iSubItem = static_cast<int>(c);
    sub.pszText = const_cast<wchar_t*>(texts[c].c_str());
    ::SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&sub));
  }
  return row;
}

void CReportList::DeleteAll() { ListView_DeleteAllItems(list_); }

int CReportList::Count() const { return ListView_GetItemCount(list_); }

LPARAM CReportList::Data(int row) const {
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!::SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return -1;
  return item.lParam;
}

std::wstring CReportList::Text(int row, int column) const {
  // Grows the buffer until the text fits: a text is never cut.
  std::wstring buffer(64, L'\0');
  for (;;) {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    const int n = static_cast<int>(
        ::SendMessageW(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
    if (n < static_cast<int>(buffer.size()) - 1) {
      buffer.resize(static_cast<size_t>(n));
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

void CReportList::SetTextIfChanged(int row, int column, const std::wstring& text) {
  if (Text(row, column) == text) return;
  LVITEMW sub{};
  sub.iSubItem = column;
  sub.pszText = const_cast<wchar_t*>(text.c_str());
  ::SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&sub));
}

int CReportList::FindData(LPARAM data) const {
  LVFINDINFOW find{};
  find.flags = LVFI_PARAM;
  find.lParam = data;
  return static_cast<int>(::SendMessageW(list_, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

bool CReportList::IsSelected(int row) const { return ListView_GetItemState(list_, row, LVIS_SELECTED) != 0; }

int CALLBACK CReportList::CompareRows(LPARAM a, LPARAM b, LPARAM selfParam) {
  const auto* self = reinterpret_cast<const CReportList*>(selfParam);
  const int column = self->sortColumn_;
  const int kind = column < kMaxSortColumns ? self->kinds_[column] : kSortText;
  const int order = CompareCells(kind, self->Text(static_cast<int>(a), column), self->Text(static_cast<int>(b), column),
                                 &CReportList::LocaleCompare);
  return self->sort_.ascending ? order : -order;
}

void CReportList::SortByColumn(int column) {
  if (!list_ || column < 0) return;
  sort_.Click(column);
  sortColumn_ = column;
  // By index, so the comparison reads the texts as shown.
  ::SendMessageW(list_, LVM_SORTITEMSEX, reinterpret_cast<WPARAM>(this), reinterpret_cast<LPARAM>(&CompareRows));
  ::SendMessageW(::GetParent(list_), WM_REPORT_LIST_SORTED, static_cast<WPARAM>(::GetDlgCtrlID(list_)),
                 reinterpret_cast<LPARAM>(list_));
}

bool CReportList::OnNotify(const NMHDR* header) {
  if (!list_ || header->hwndFrom != list_ || header->code != LVN_COLUMNCLICK) return false;
  SortByColumn(reinterpret_cast<const NMLISTVIEW*>(header)->iSubItem);
  return true;
}
