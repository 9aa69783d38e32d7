// Small text utilities: recipient lists, e-mail address checks, numeric
// entries, file extensions, the command line of a document handler and the
// filling of message texts.
// Each comes in wide form for the windows and, where the mail client needs
// it, in narrow form.
#pragma once
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// The items of a list such as "a@b.org; c@d.org": cut at every separator,
// blanks (space only) around each item dropped, empty items skipped. An empty
// text or a zero separator gives no items.
std::vector<std::wstring> SplitList(std::wstring_view text, wchar_t separator);
std::vector<std::string> SplitList(std::string_view text, char separator);

// True only if the text is non-empty, holds exactly one "@", the "@" is not
// directly followed by ".", at least one "." follows the "@", no two "." stand
// next to each other after the "@", and the text does not end with ".".
bool IsValidEmailAddress(std::wstring_view text);
bool IsValidEmailAddress(std::string_view text);

// True when every character is a decimal digit or "." (an empty text too).
bool IsNumericText(std::wstring_view text);
bool IsNumericText(std::string_view text);

// The extension of the last part of a path, from its last "." on (".csv" of
// "C:\Reports\May.2008.csv"), or an empty text when the last part has none.
// Both "\" and "/" separate parts; a bare file name is its own last part.
std::wstring FileExtensionOf(std::wstring_view path);

// The command line that opens the target with a document handler's registered
// open command: the command is cut at its quoted "%1" (at a bare %1 when the
// quoted form is absent, else kept whole), then a blank and the target follow.
// A target holding a blank is put in double quotation marks.
std::wstring HandlerCommandLine(std::wstring_view command, std::wstring_view target);

// A message text with each "%s" of the format, in order, replaced by the next
// value. The values are inserted as they are and never searched, so a value
// that itself holds "%s" (a path, say) cannot take another value's place. A
// "%s" without a value stays.
std::wstring FillPlaces(std::wstring_view format, std::initializer_list<std::wstring_view> values);
