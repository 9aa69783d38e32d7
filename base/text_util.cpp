#include "base/text_util.h"

namespace {

template <class Char>
std::vector<std::basic_string<Char>> SplitListOf(std::basic_string_view<Char> text, Char separator) {
  std::vector<std::basic_string<Char>> items;
  if (text.empty() || separator == Char(0)) return items;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    std::basic_string_view<Char> item = text.substr(start, end == text.npos ? text.npos : end - start);
    const size_t firstText = item.find_first_not_of(Char(' '));
    if (firstText != item.npos) {
      item.remove_prefix(firstText);
      // The last item loses its trailing blanks too: "a@b.org " is the address a@b.org.
      item.remove_suffix(item.size() - 1 - item.find_last_not_of(Char(' ')));
      items.emplace_back(item);
    }
    if (end == text.npos) break;
    start = end + 1;
  }
  return items;
}

template <class Char>
bool IsValidEmailAddressOf(std::basic_string_view<Char> text) {
  if (text.empty() || text.back() == Char('.')) return false;
  const size_t at = text.find(Char('@'));
  if (at == text.npos || text.find(Char('@'), at + 1) != text.npos) return false;
  const std::basic_string_view<Char> domain = text.substr(at + 1);
  if (domain.empty() || domain.front() == Char('.')) return false;
  if (domain.find(Char('.')) == domain.npos) return false;
  const Char twoDots[] = {Char('.'), Char('.'), Char(0)};
  return domain.find(twoDots) == domain.npos;
}

template <class Char>
bool IsNumericTextOf(std::basic_string_view<Char> text) {
  for (const Char c : text)
    if (!((c >= Char('0') && c <= Char('9')) || c == Char('.'))) return false;
  return true;
}

}  // namespace

std::vector<std::wstring> SplitList(std::wstring_view text, wchar_t separator) { return SplitListOf(text, separator); }
std::vector<std::string> SplitList(std::string_view text, char separator) { return SplitListOf(text, separator); }

bool IsValidEmailAddress(std::wstring_view text) { return IsValidEmailAddressOf(text); }
bool IsValidEmailAddress(std::string_view text) { return IsValidEmailAddressOf(text); }

bool IsNumericText(std::wstring_view text) { return IsNumericTextOf(text); }
bool IsNumericText(std::string_view text) { return IsNumericTextOf(text); }

std::wstring FileExtensionOf(std::wstring_view path) {
  const size_t slash = path.find_last_of(L"\\/");
  const std::wstring_view name = slash == path.npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind(L'.');
  return dot == name.npos ? std::wstring() : std::wstring(name.substr(dot));
}

std::wstring FillPlaces(std::wstring_view format, std::initializer_list<std::wstring_view> values) {
  std::wstring text;
  const std::wstring_view* value = values.begin();
  size_t from = 0;
  for (size_t at = format.find(L"%s"); at != format.npos && value != values.end(); at = format.find(L"%s", from)) {
    text.append(format.substr(from, at - from));
    text.append(*value++);
    from = at + 2;
  }
  text.append(format.substr(from));
  return text;
}

std::wstring HandlerCommandLine(std::wstring_view command, std::wstring_view target) {
  size_t cut = command.find(L"\"%1\"");
  if (cut == command.npos) cut = command.find(L"%1");
  std::wstring line(command.substr(0, cut));
  line += L' ';
  const bool quote = target.find(L' ') != target.npos && !(target.size() >= 2 && target.front() == L'"' && target.back() == L'"');
  if (quote) line += L'"';
  line += target;
  if (quote) line += L'"';
  return line;
}
