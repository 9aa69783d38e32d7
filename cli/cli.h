// zephra-cli: reports and checks of a traffic log from the command line. The
// whole program but its entry point, so the tests, the fuzz target and the
// benchmark run it in-process.
#pragma once
#include <string>
#include <vector>

#include "base/dates.h"

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitDamaged = 1;   // "log check" found damage
constexpr int kExitBadInput = 2;  // a bad argument, an unreadable log, an unwritable output

extern const char kCliUsage[];

// Runs one command. args are the arguments after the program name, in UTF-8;
// localToday is the local date (with its weekday) for "--today"'s default.
// What goes to standard output is appended to out; on bad input err gets one
// line (ending in "\n") and nothing is written to out or to any "-o" file.
int RunCli(const std::vector<std::string>& args, const LocalTime& localToday, std::string& out, std::string& err);
