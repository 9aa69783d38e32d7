// Text in the system code page (8-bit), as adapter names, log IDs and SMTP
// traffic are kept.
#pragma once
#include <string>
#include <string_view>

// The text converted to the system code page; characters the code page lacks
// become the platform's default replacement, none is dropped. Empty when the
// conversion fails.
std::string ToSystemCodePage(std::wstring_view text);
// 8-bit text in the system code page as UTF-16; empty when it cannot be.
std::wstring FromSystemCodePage(std::string_view text);
