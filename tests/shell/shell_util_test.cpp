// Directory and file checks, the program folder, transparency, topmost, fonts,
// the tray call and the file dialog, against the real platform under Wine.
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "shell_support.h"
#include "ui/handle_win.h"
#include "ui/files_win.h"
#include "ui/window_util_win.h"
#include "ui/shell_win.h"

namespace {

bool IsDirectoryPath(const std::wstring& path) {
  const DWORD a = ::GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool WriteFile(const std::wstring& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
  FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr));
  return static_cast<bool>(file);
}

// A fresh folder under the temporary folder, removed with everything in it.
class ShellUtilFiles : public ::testing::Test {
protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1] = {};
    ASSERT_NE(::GetTempPathW(MAX_PATH, temp), 0u);
    static int counter = 0;
    root_ = std::wstring(temp) + L"zephra-shell-util-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
    ASSERT_TRUE(::CreateDirectoryW(root_.c_str(), nullptr));
  }
  void TearDown() override {
    std::error_code ec;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root_, ec))
      ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    std::filesystem::remove_all(root_, ec);
  }
  std::wstring Path(const std::wstring& sub) const { return root_ + L"\\" + sub; }
  std::wstring root_;
};

TEST_F(ShellUtilFiles, CreatesNestedDirectories) {
  EXPECT_TRUE(CreateDirectoryPath(Path(L"a\\b\\c")));
  EXPECT_TRUE(IsDirectoryPath(Path(L"a\\b\\c")));
  EXPECT_TRUE(CreateDirectoryPath(Path(L"a\\b\\c")));  // existing: passes
  EXPECT_TRUE(CreateDirectoryPath(Path(L"d\\e\\")));   // ending in a separator
  EXPECT_TRUE(IsDirectoryPath(Path(L"d\\e")));
  EXPECT_TRUE(CreateDirectoryPath(Path(L"f/g")));
  EXPECT_TRUE(IsDirectoryPath(Path(L"f\\g")));
  EXPECT_FALSE(CreateDirectoryPath(L""));
}

TEST_F(ShellUtilFiles, FileInTheWayFails) {
  ASSERT_TRUE(WriteFile(Path(L"file")));
  EXPECT_FALSE(CreateDirectoryPath(Path(L"file")));
  EXPECT_FALSE(CreateDirectoryPath(Path(L"file\\sub")));
  EXPECT_FALSE(IsDirectoryPath(Path(L"file\\sub")));
  EXPECT_FALSE(EnsureDirectory(Path(L"file"), true));
}

TEST_F(ShellUtilFiles, EnsureDirectoryCreatesOnlyWhenAsked) {
  EXPECT_TRUE(EnsureDirectory(root_, false));
  EXPECT_FALSE(EnsureDirectory(Path(L"x\\y"), false));
  EXPECT_FALSE(IsDirectoryPath(Path(L"x")));
  EXPECT_TRUE(EnsureDirectory(Path(L"x\\y"), true));
  EXPECT_TRUE(IsDirectoryPath(Path(L"x\\y")));
}

TEST_F(ShellUtilFiles, ExistingFileIsAnyNonDirectory) {
  ASSERT_TRUE(WriteFile(Path(L"archived"), FILE_ATTRIBUTE_ARCHIVE));
  ASSERT_TRUE(WriteFile(Path(L"plain")));
  ASSERT_TRUE(::SetFileAttributesW(Path(L"plain").c_str(), FILE_ATTRIBUTE_NORMAL));
  ASSERT_TRUE(WriteFile(Path(L"readonly")));
  ASSERT_TRUE(::SetFileAttributesW(Path(L"readonly").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(IsExistingFile(Path(L"archived")));
  EXPECT_TRUE(IsExistingFile(Path(L"plain")));  // a file whose archive mark was cleared
  EXPECT_TRUE(IsExistingFile(Path(L"readonly")));
  EXPECT_FALSE(IsExistingFile(root_));
  EXPECT_FALSE(IsExistingFile(Path(L"missing")));
  EXPECT_FALSE(IsExistingFile(L""));
}

TEST(ShellUtil, ModuleDirectoryEndsWithSeparator) {
  const std::optional<std::wstring> dir = ModuleDirectory();
  ASSERT_TRUE(dir.has_value());
  ASSERT_FALSE(dir->empty());
  EXPECT_EQ(dir->back(), L'\\');
  wchar_t self[MAX_PATH] = {};
  ASSERT_NE(::GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  const std::wstring selfPath(self);
  EXPECT_EQ(selfPath.substr(0, dir->size()), *dir);
  EXPECT_EQ(selfPath.find(L'\\', dir->size()), std::wstring::npos);
  EXPECT_TRUE(IsExistingFile(selfPath));
}

TEST(ShellUtil, PlatformFacts) {
  EXPECT_TRUE(IsWindowsXpOrLater());
  EXPECT_TRUE(CanSetTransparency());
  EXPECT_EQ(ExplorerAdvancedKeyPath(), L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced");
}

// A plain top-level window for the window tests, destroyed at the end.
class ShellUtilWindow : public ::testing::Test {
protected:
  void SetUp() override {
    window_ = ::CreateWindowExW(0, L"STATIC", L"Zephra test", WS_POPUP, 10, 10, 120, 80, nullptr, nullptr,
                                ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    if (window_) ::DestroyWindow(window_);
  }
  LONG_PTR ExStyle() const { return ::GetWindowLongPtrW(window_, GWL_EXSTYLE); }
  HWND window_ = nullptr;
};

TEST_F(ShellUtilWindow, TransparencySetsAlphaAndClickThrough) {
  ASSERT_TRUE(SetWindowTransparency(window_, 30, false));
  BYTE alpha = 0;
  DWORD flags = 0;
  COLORREF key = 1;
  ASSERT_TRUE(::GetLayeredWindowAttributes(window_, &key, &alpha, &flags));
  EXPECT_EQ(alpha, 178);
  EXPECT_EQ(flags & LWA_ALPHA, static_cast<DWORD>(LWA_ALPHA));
  EXPECT_TRUE(ExStyle() & WS_EX_LAYERED);
  EXPECT_FALSE(ExStyle() & WS_EX_TRANSPARENT);

  ASSERT_TRUE(SetWindowTransparency(window_, 100, true));
  ASSERT_TRUE(::GetLayeredWindowAttributes(window_, &key, &alpha, &flags));
  EXPECT_EQ(alpha, 0);
  EXPECT_TRUE(ExStyle() & WS_EX_TRANSPARENT);

  ASSERT_TRUE(SetWindowTransparency(window_, -20, false));  // clamped to opaque
  ASSERT_TRUE(::GetLayeredWindowAttributes(window_, &key, &alpha, &flags));
  EXPECT_EQ(alpha, 255);
  EXPECT_FALSE(ExStyle() & WS_EX_TRANSPARENT);
  EXPECT_EQ(TransparencyAlpha(250), 0);
  EXPECT_EQ(TransparencyAlpha(1), 252);
}

TEST_F(ShellUtilWindow, TopmostOnAndOff) {
  ASSERT_TRUE(SetTopmost(window_, true));
  EXPECT_TRUE(ExStyle() & WS_EX_TOPMOST);
  ASSERT_TRUE(SetTopmost(window_, false));
  EXPECT_FALSE(ExStyle() & WS_EX_TOPMOST);
}

// The window and its direct children get the font; grandchildren keep theirs.
TEST_F(ShellUtilWindow, FontGoesToDirectChildren) {
  HWND children[3];
  for (int i = 0; i < 3; ++i) {
    children[i] = ::CreateWindowExW(0, L"STATIC", L"child", WS_CHILD, 0, 20 * i, 100, 20, window_,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(100 + i)), nullptr, nullptr);
    ASSERT_NE(children[i], nullptr);
  }
  HWND grandchild = ::CreateWindowExW(0, L"STATIC", L"inner", WS_CHILD, 0, 0, 50, 10, children[1], nullptr,
                                      nullptr, nullptr);
  ASSERT_NE(grandchild, nullptr);
  const HFONT before = reinterpret_cast<HFONT>(::SendMessageW(grandchild, WM_GETFONT, 0, 0));
  FontHandle font(::CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
  ASSERT_TRUE(font);
  ApplyFontToChildren(window_, font.get());
  EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(window_, WM_GETFONT, 0, 0)), font.get());
  for (HWND child : children) EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(child, WM_GETFONT, 0, 0)), font.get());
  EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(grandchild, WM_GETFONT, 0, 0)), before);
  ::DestroyWindow(window_);  // before the font goes
  window_ = nullptr;
}

TEST(ShellUtil, TooltipIsCutToItsField) {
  const std::wstring long100(100, L'x');
  EXPECT_EQ(CutTooltip(long100), std::wstring(63, L'x'));
  EXPECT_EQ(CutTooltip(std::wstring(63, L'y')), std::wstring(63, L'y'));
  EXPECT_EQ(CutTooltip(L""), L"");
  // A surrogate pair across the cut is dropped whole.
  std::wstring pair(62, L'z');
  pair += L"\xD83D\xDE00";
  EXPECT_EQ(CutTooltip(pair), std::wstring(62, L'z'));
  EXPECT_EQ(CutTooltip(pair, 64), pair);
}

TEST_F(ShellUtilWindow, TrayIconCallAddsModifiesAndDeletes) {
  HICON icon = ::LoadIconW(nullptr, IDI_APPLICATION);
  const std::wstring tip(200, L't');
  ASSERT_TRUE(TrayIconCall(window_, NIM_ADD, 7, NIF_ICON | NIF_TIP | NIF_MESSAGE, WM_APP + 1, icon, tip));
  EXPECT_TRUE(TrayIconCall(window_, NIM_MODIFY, 7, NIF_TIP, 0, nullptr, L"Zephra"));
  EXPECT_TRUE(TrayIconCall(window_, NIM_DELETE, 7, 0, 0, nullptr, L""));
}

// Answers the next file dialog of this thread from a timer: types a name and
// presses OK, or cancels.
struct DialogScript {
  std::wstring fileName;  // empty: cancel
  int filter = -1;        // 0-based filter to pick, -1 to keep
  bool done = false;
};
DialogScript* g_script = nullptr;

BOOL CALLBACK FindDialog(HWND window, LPARAM result) {
  wchar_t cls[16] = {};
  ::GetClassNameW(window, cls, 16);
  if (std::wstring(cls) == L"#32770" && ::IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(result) = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK AnswerDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
  if (!dialog || !g_script || g_script->done) return;
  g_script->done = true;
  ::KillTimer(nullptr, timer);
  if (g_script->fileName.empty()) {
    ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  if (g_script->filter >= 0) {
    ::SendDlgItemMessageW(dialog, cmb1, CB_SETCURSEL, g_script->filter, 0);
    for (const WORD code : {CBN_SELCHANGE, CBN_SELENDOK})
      ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(cmb1, code), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, cmb1)));
  }
  // The name box is a combo box (cmb13) in the explorer style, an edit (edt1) otherwise.
  if (!::SetDlgItemTextW(dialog, cmb13, g_script->fileName.c_str()))
    ::SetDlgItemTextW(dialog, edt1, g_script->fileName.c_str());
  ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

TEST_F(ShellUtilFiles, ChooseFileSaveHandsBackNameAndFilter) {
  DialogScript script{Path(L"report.csv"), 1};
  g_script = &script;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, AnswerDialog);
  ASSERT_NE(timer, 0u);
  std::wstring name = L"left over";
  DWORD filterIndex = 1;
  const bool chosen = ChooseFile(nullptr, L"Text (*.txt)|*.txt|CSV (*.csv)|*.csv|", name, &filterIndex, L"Export",
                                 L"csv", OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST, false);
  ::KillTimer(nullptr, timer);
  g_script = nullptr;
  ASSERT_TRUE(script.done);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(name, Path(L"report.csv"));
  EXPECT_EQ(filterIndex, 2u);
}

TEST(ShellUtil, ChooseFileCancelLeavesNoName) {
  DialogScript script;
  g_script = &script;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, AnswerDialog);
  ASSERT_NE(timer, 0u);
  std::wstring name = L"left over";
  DWORD filterIndex = 1;
  const bool chosen = ChooseFile(nullptr, L"All files|*.*", name, &filterIndex, L"Open", L"", OFN_EXPLORER, true);
  ::KillTimer(nullptr, timer);
  g_script = nullptr;
  ASSERT_TRUE(script.done);
  EXPECT_FALSE(chosen);
  EXPECT_TRUE(name.empty());
  EXPECT_EQ(filterIndex, 1u);
}

}  // namespace
