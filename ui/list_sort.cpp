#include "ui/list_sort.h"

#include <cstdint>

namespace {

// A decimal number at the start of the text (blanks before it skipped);
// `at` ends after it. No locale: the point is always ".".
double LeadingNumber(std::wstring_view s, size_t& at) {
  at = 0;
  while (at < s.size() && s[at] == L' ') ++at;
  bool negative = false;
  if (at < s.size() && (s[at] == L'-' || s[at] == L'+')) negative = s[at++] == L'-';
  double value = 0;
  while (at < s.size() && s[at] >= L'0' && s[at] <= L'9') value = value * 10 + (s[at++] - L'0');
  if (at < s.size() && s[at] == L'.') {
    ++at;
    double scale = 0.1;
    for (; at < s.size() && s[at] >= L'0' && s[at] <= L'9'; ++at, scale /= 10) value += (s[at] - L'0') * scale;
  }
  return negative ? -value : value;
}

double ByteCount(std::wstring_view s) {
  size_t at = 0;
  const double n = LeadingNumber(s, at);
  if (at < s.size() && s[at] == L' ') ++at;
  const wchar_t unit = at < s.size() ? s[at] : 0;
  switch (unit) {
    case L'K': case L'k': return n * 1024.0;
    case L'M': case L'm': return n * 1048576.0;
    case L'G': case L'g': return n * 1073741824.0;
    case L'T': case L't': return n * 1099511627776.0;
    default: return n;
  }
}

// Up to three unsigned fields separated by sep; returns the count found.
int Fields(std::wstring_view s, wchar_t sep, int64_t out[3]) {
  size_t at = 0;
  int n = 0;
  while (n < 3) {
    int64_t v = 0;
    while (at < s.size() && s[at] >= L'0' && s[at] <= L'9') v = v * 10 + (s[at++] - L'0');
    out[n++] = v;
    if (n == 3 || at >= s.size() || s[at] != sep) break;
    ++at;
  }
  return n;
}

template <class T>
int Order(T a, T b) {
  return a < b ? -1 : b < a ? 1 : 0;
}

// A date as year * 10000 + month * 100 + day; false when a separator is missing.
bool DateKey(int kind, std::wstring_view s, int64_t& key) {
  static const wchar_t kSeparators[] = {L'/', L'.', L'/', L'.', L'/', L'-', L'.'};
  int64_t f[3];
  if (Fields(s, kSeparators[kind - kSortDateMdySlash], f) < 3) return false;
  int64_t y, m, d;
  if (kind <= kSortDateMdyDot) y = f[2], m = f[0], d = f[1];
  else if (kind <= kSortDateDmyDot) y = f[2], m = f[1], d = f[0];
  else y = f[0], m = f[1], d = f[2];
  key = (y * 100 + m) * 100 + d;
  return true;
}

int64_t Seconds(std::wstring_view s, wchar_t sep, int parts) {
  int64_t f[3] = {};
  const int n = Fields(s, sep, f);
  int64_t total = 0;
  for (int i = 0; i < parts && i < n; ++i) total = total * 60 + f[i];
  for (int i = n; i < parts; ++i) total *= 60;
  return total;
}

}  // namespace

int DateSortKind(int code) {
  switch (code) {
    case 0x77: return kSortDateMdyDot;
    case 0x22: return kSortDateDmySlash;
    case 0x66: return kSortDateDmyDot;
    case 0x33: return kSortDateYmdSlash;
    case 0x44: return kSortDateYmdDash;
    case 0x55: return kSortDateYmdDot;
    default: return kSortDateMdySlash;
  }
}

int OrdinalCompare(std::wstring_view a, std::wstring_view b) { return a.compare(b) < 0 ? -1 : a == b ? 0 : 1; }

int CompareCells(int kind, std::wstring_view a, std::wstring_view b, TextCompare textCompare) {
  size_t at;
  switch (kind) {
    case kSortNumber: return Order(LeadingNumber(a, at), LeadingNumber(b, at));
    case kSortByteCount: return Order(ByteCount(a), ByteCount(b));
    case kSortMinutesSeconds: return Order(Seconds(a, L':', 2), Seconds(b, L':', 2));
    case kSortHoursMinutesSeconds: return Order(Seconds(a, L':', 3), Seconds(b, L':', 3));
    default: break;
  }
  if (kind >= kSortDateMdySlash && kind <= kSortDateYmdDot) {
    int64_t ka, kb;
    if (!DateKey(kind, a, ka) || !DateKey(kind, b, kb)) return 0;
    return Order(ka, kb);
  }
  return textCompare ? textCompare(a, b) : OrdinalCompare(a, b);
}
