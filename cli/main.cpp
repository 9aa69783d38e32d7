// The entry point of zephra-cli: the arguments as UTF-8, standard output in
// binary mode (report files are CR LF text already), today's local date.
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/text_out.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

LocalTime LocalToday() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
#ifdef _WIN32
  localtime_s(&tm, &now);
#else
  localtime_r(&now, &tm);
#endif
  return MakeLocalTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

int Run(const std::vector<std::string>& args) {
  std::string out, err;
  int code = RunCli(args, LocalToday(), out, err);
  if ((!out.empty() && std::fwrite(out.data(), 1, out.size(), stdout) != out.size()) || std::fflush(stdout) != 0) {
    err = "zephra-cli: cannot write to standard output\n";
    code = kExitBadInput;
  }
  if (!err.empty()) std::fputs(err.c_str(), stderr);
  return code;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(Utf8FromWide(argv[i]));
  return Run(args);
}
#else
int main(int argc, char** argv) { return Run(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
