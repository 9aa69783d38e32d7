// Files and folders: creating a path, testing for a file, the program's own
// folder and the open and save file dialogs. Results are owned strings; no
// caller buffer can be overrun.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// True when the path is an existing directory; otherwise creates it (with
// CreateDirectoryPath) when create is set.
bool EnsureDirectory(const std::wstring& path, bool create);
// Creates every missing directory along the path ("\" or "/" separated).
// False when a part exists as a file or cannot be created.
bool CreateDirectoryPath(const std::wstring& path);
// True when the path names an existing file (not a directory).
bool IsExistingFile(const std::wstring& path);
// Writes every byte at the file's position, however many calls it takes;
// false when a write fails (a full disk, a file gone).
bool WriteAllBytes(HANDLE file, std::string_view bytes);

// The folder of the running program, ending with "\" so that a file name can
// be appended directly; none when it cannot be found.
std::optional<std::wstring> ModuleDirectory();
// The Windows folder (C:\Windows); empty when the system does not say.
std::wstring WindowsFolder();

// Runs the open (open = true) or save file dialog. The filter lists
// description and pattern pairs separated by "|" (or by NUL characters), as
// in "Text files (*.txt)|*.txt|All files (*.*)|*.*". fileName is emptied
// first and holds the chosen path when the dialog returns true. filterIndex
// (optional) gives the first filter shown, 1-based (1 when none), and receives
// the filter the user chose after a save dialog.
// initialDirectory (optional) is the folder the dialog starts in, startName
// (optional) the name it shows first.
bool ChooseFile(HWND owner, std::wstring_view filter, std::wstring& fileName, DWORD* filterIndex,
                std::wstring_view title, std::wstring_view defaultExtension, DWORD flags, bool open,
                std::wstring_view initialDirectory = {}, std::wstring_view startName = {});
