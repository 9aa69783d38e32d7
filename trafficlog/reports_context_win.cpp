#include "trafficlog/reports_context_win.h"

#include <commdlg.h>
#include <shellapi.h>

#include "ui/code_page_win.h"
#include "ui/files_win.h"
#include "ui/shell_win.h"
#include "ui/window_util_win.h"

namespace {

std::wstring WithPath(const wchar_t* tmpl, const std::wstring& path) {
  std::wstring text(tmpl);
  const size_t at = text.find(L"%s");
  if (at != std::wstring::npos) text.replace(at, 2, path);
  return text;
}

}  // namespace

ReportsEnvironment DefaultReportsEnvironment() {
  ReportsEnvironment env;
  env.now = [] { return CurrentLocalTime(); };
  env.messageBox = [](HWND owner, const std::wstring& text, UINT type) {
    return ::MessageBoxW(owner, text.c_str(), L"Zephra", type);
  };
  env.chooseFile = [](HWND owner, const FileRequest& r, std::wstring& path, DWORD& filterIndex) {
    return ChooseFile(owner, r.filter, path, r.open ? nullptr : &filterIndex, r.title, r.defaultExtension, r.flags,
                      r.open, r.initialFolder);
  };
  env.openDocument = [](const std::wstring& path) {
    ::ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  };
  env.encode = &ToSystemCodePage;
  env.writeAll = [](HANDLE file, const std::string& bytes) { return WriteAllBytes(file, bytes); };
  return env;
}

bool SameConnection(const SelectedConnection& a, const SelectedConnection& b) {
  return a.kind == b.kind && a.id == b.id;
}

std::optional<INT_PTR> ColouredStatic(HWND page, WPARAM wp, LPARAM lp, COLORREF colour) {
  // The dialog manager calls the page's procedure first: that inner call
  // takes the default, whose brush the outer one keeps.
  static thread_local bool inside = false;
  if (inside) return std::nullopt;
  inside = true;
  const LRESULT brush = ::DefDlgProcW(page, WM_CTLCOLORSTATIC, wp, lp);
  inside = false;
  ::SetTextColor(reinterpret_cast<HDC>(wp), colour);
  return static_cast<INT_PTR>(brush);
}

void RunExport(HWND owner, const ReportsContext& ctx, ReportKind kind,
               const std::function<std::wstring(ExportFormat)>& text) {
  const ReportWords& words = WordsOf(kind);
  FileRequest request;
  request.title = words.dialogTitle;
  request.filter = kExportFilter;
  request.flags = OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
  std::wstring chosen;
  DWORD filterIndex = 1;
  if (!ctx.env.chooseFile(owner, request, chosen, filterIndex) || chosen.empty()) return;
  const ExportFormat format = FormatOfFilter(filterIndex);
  const std::wstring path = ExportFileName(chosen, format);
  // The dialog asked about the name as chosen; the added extension may name another file.
  if (path != chosen && IsExistingFile(path) &&
      ctx.Message(owner, WithPath(L"%s already exists.\nDo you want to replace it?", path),
                  MB_YESNO | MB_ICONWARNING) != IDYES)
    return;

  FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    ctx.Message(owner, WithPath(L"Failed to create file '%s'.", path), MB_OK | MB_ICONWARNING);
    return;
  }
  HCURSOR old = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  const std::string bytes = ctx.env.encode(text(format));
  bool written = ctx.env.writeAll(file.get(), bytes);
  written = ::CloseHandle(file.release()) != FALSE && written;
  ::SetCursor(old);
  if (!written) {
    // A disk that filled up or a file removed meanwhile: no partial report is left or offered.
    ::DeleteFileW(path.c_str());
    ctx.Message(owner, WithPath(L"Failed to write file '%s'.", path), MB_OK | MB_ICONWARNING);
    return;
  }
  if (ctx.Message(owner, WithPath(words.successMessage, path), MB_YESNO | MB_ICONQUESTION) == IDYES)
    ctx.env.openDocument(path);
}
