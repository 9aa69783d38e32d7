#include "recorder/recording_file_win.h"

#include "ui/files_win.h"
#include "ui/handle_win.h"

namespace {

class WinRecordingFile : public RecordingFile {
public:
  explicit WinRecordingFile(FileHandle file) : file_(std::move(file)) {}
  bool Append(const std::string& bytes) override {
    // Always at the end: the file may have been cut or grown meanwhile.
    LARGE_INTEGER zero{};
    if (!::SetFilePointerEx(file_.get(), zero, nullptr, FILE_END)) return false;
    const bool ok = WriteAllBytes(file_.get(), bytes);
    ::FlushFileBuffers(file_.get());
    return ok;
  }

private:
  FileHandle file_;
};

std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

std::unique_ptr<RecordingFile> WinRecordingFiles::Open(const std::wstring& path, bool& isNew) {
  FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return nullptr;
  LARGE_INTEGER zero{}, end{};
  if (!::SetFilePointerEx(file.get(), zero, &end, FILE_END)) return nullptr;
  isNew = end.QuadPart == 0;
  return std::make_unique<WinRecordingFile>(std::move(file));
}

bool CanCreateRecordingFile(const std::wstring& path) {
  const std::wstring folder = FolderOf(path);
  if (!folder.empty() && !EnsureDirectory(folder, true)) return false;
  FileHandle file(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  return static_cast<bool>(file);
}
