#include "app/about_dlg_win.h"

#include <vector>

#include "base/addresses.h"
#include "res/resource.h"

const CAboutDlg::MsgEntry CAboutDlg::kMessages[] = {
    {WM_INITDIALOG, &CAboutDlg::OnInitDialog},
};

const CAboutDlg::CmdEntry CAboutDlg::kCommands[] = {
    {IDOK, &CAboutDlg::OnOk},
    {IDCANCEL, &CAboutDlg::OnCancel},
};

std::wstring ModuleVersionText(HINSTANCE inst) {
  HRSRC info = ::FindResourceW(inst, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16));  // RT_VERSION
  if (!info) return std::wstring();
  HGLOBAL loaded = ::LoadResource(inst, info);
  const DWORD size = ::SizeofResource(inst, info);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data || size == 0) return std::wstring();
  // VerQueryValueW wants a writable copy, not the mapped resource.
  std::vector<BYTE> copy(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(copy.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
      length < sizeof(VS_FIXEDFILEINFO))
    return std::wstring();
  return L"Version " + std::to_wstring(HIWORD(fixed->dwProductVersionMS)) + L"." +
         std::to_wstring(LOWORD(fixed->dwProductVersionMS)) + L"." + std::to_wstring(HIWORD(fixed->dwProductVersionLS)) +
         L"." + std::to_wstring(LOWORD(fixed->dwProductVersionLS));
}

CAboutDlg::CAboutDlg(HINSTANCE inst) : inst_(inst ? inst : ::GetModuleHandleW(nullptr)) {}

INT_PTR CAboutDlg::Run(HWND owner) { return RunModal(inst_, IDD_ABOUT, owner); }

std::optional<INT_PTR> CAboutDlg::OnInitDialog(WPARAM, LPARAM) {
  ::SetDlgItemTextW(hwnd_, IDC_ABOUT_PRODUCT, L"Zephra");
  const std::wstring version = ModuleVersionText(inst_);
  if (!version.empty()) ::SetDlgItemTextW(hwnd_, IDC_ABOUT_VERSION, version.c_str());
  homePage_.SetTarget(kHomePageUrl);
  homePage_.SetUnderlineMode(1);
  homePage_.Attach(::GetDlgItem(hwnd_, IDC_ABOUT_HOMEPAGE));
  email_.SetTarget(kSupportMailUrl);
  email_.SetUnderlineMode(1);
  email_.Attach(::GetDlgItem(hwnd_, IDC_ABOUT_EMAIL));
  return TRUE;
}

void CAboutDlg::OnOk(WORD, WORD, HWND) { ::EndDialog(hwnd_, IDOK); }
void CAboutDlg::OnCancel(WORD, WORD, HWND) { ::EndDialog(hwnd_, IDCANCEL); }
