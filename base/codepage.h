// 8-bit text for files written for the user (reports, recordings): wide text
// converted to a single-byte code page. A character the code page cannot hold
// becomes the replacement "?", never dropped, so no column or name is cut.
#pragma once
#include <string>
#include <string_view>

// Converts wide text to the bytes of an 8-bit code page. The Windows shell
// passes the system code page's converter; the portable one below is the
// Western code page (windows-1252), which the command line and the tests use.
using NarrowEncoder = std::string (*)(std::wstring_view text);

// windows-1252: ASCII and Latin-1 as they are, the 27 characters of 0x80-0x9F
// by their table, everything else "?" (a surrogate pair counts as one character).
std::string ToWindows1252(std::wstring_view text);
