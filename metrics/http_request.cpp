#include "metrics/http_request.h"

#include <algorithm>

#include "metrics/exposition.h"

namespace {

bool IsTokenChar(char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

// Printable ASCII without the space: what a request target may hold.
bool IsTargetChar(char c) { return c > 0x20 && c < 0x7F; }

std::string Answer(const char* status, const char* type, const std::string& body, const char* extra = "") {
  std::string out = "HTTP/1.1 ";
  out += status;
  out += "\r\nContent-Type: ";
  out += type;
  out += "\r\nContent-Length: ";
  out += std::to_string(body.size());
  out += "\r\n";
  out += extra;
  out += "Connection: close\r\n\r\n";
  out += body;
  return out;
}

}  // namespace

HeadState RequestHead::Feed(std::string_view bytes) {
  if (state_ != HeadState::Incomplete) {
    pastHead_ += bytes.size();
    return state_;
  }
  const size_t from = head_.size() >= 3 ? head_.size() - 3 : 0;
  // Never hold more than the limit plus the end marker's last bytes.
  const size_t room = kMaxRequestHead + 1 - head_.size();
  head_.append(bytes.substr(0, room));
  // The head ends at the first empty line, with or without carriage returns.
  size_t end = head_.find("\r\n\r\n", from);
  size_t endLength = 4;
  const size_t bare = head_.find("\n\n", from);
  if (bare < end) {
    end = bare;
    endLength = 2;
  }
  const size_t cut = bytes.size() - std::min(bytes.size(), room);
  if (end == std::string::npos || end + endLength > kMaxRequestHead) {
    if (head_.size() > kMaxRequestHead) {
      state_ = HeadState::TooLarge;
      pastHead_ = cut;
    }
    return state_;
  }
  pastHead_ = head_.size() - end - endLength + cut;
  head_.resize(end);
  state_ = Parse();
  head_.clear();
  head_.shrink_to_fit();
  return state_;
}

HeadState RequestHead::Parse() {
  const size_t lineEnd = head_.find('\n');
  std::string_view line = std::string_view(head_).substr(0, lineEnd);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  // METHOD SP TARGET SP HTTP/1.x
  const size_t sp1 = line.find(' ');
  if (sp1 == 0 || sp1 == std::string_view::npos) return HeadState::Malformed;
  const size_t sp2 = line.find(' ', sp1 + 1);
  if (sp2 == std::string_view::npos || sp2 == sp1 + 1) return HeadState::Malformed;
  const std::string_view method = line.substr(0, sp1);
  const std::string_view target = line.substr(sp1 + 1, sp2 - sp1 - 1);
  const std::string_view version = line.substr(sp2 + 1);
  for (char c : method)
    if (!IsTokenChar(c)) return HeadState::Malformed;
  for (char c : target)
    if (!IsTargetChar(c)) return HeadState::Malformed;
  if (version.size() != 8 || version.substr(0, 7) != "HTTP/1." || version[7] < '0' || version[7] > '9')
    return HeadState::Malformed;
  // Header lines: a name, a colon, and no control characters but tabs.
  std::string_view rest = lineEnd == std::string::npos ? std::string_view() : std::string_view(head_).substr(lineEnd + 1);
  while (!rest.empty()) {
    const size_t n = rest.find('\n');
    std::string_view header = rest.substr(0, n);
    rest = n == std::string_view::npos ? std::string_view() : rest.substr(n + 1);
    if (!header.empty() && header.back() == '\r') header.remove_suffix(1);
    const size_t colon = header.find(':');
    if (colon == 0 || colon == std::string_view::npos) return HeadState::Malformed;
    for (size_t i = 0; i < colon; ++i)
      if (!IsTokenChar(header[i])) return HeadState::Malformed;
    for (char c : header.substr(colon + 1))
      if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F) return HeadState::Malformed;
  }
  method_ = std::string(method);
  path_ = std::string(target.substr(0, target.find('?')));
  return HeadState::Complete;
}

std::string AnswerRequest(const RequestHead& head, const std::function<std::string()>& body) {
  const char* text = "text/plain; charset=utf-8";
  switch (head.state()) {
    case HeadState::TooLarge: return Answer("431 Request Header Fields Too Large", text, "Request too large.\n");
    case HeadState::Malformed:
    case HeadState::Incomplete: return Answer("400 Bad Request", text, "Bad request.\n");
    case HeadState::Complete: break;
  }
  if (head.method() != "GET") return Answer("405 Method Not Allowed", text, "Only GET is served.\n", "Allow: GET\r\n");
  if (head.path() != "/metrics") return Answer("404 Not Found", text, "Not found; the counters are at /metrics.\n");
  return Answer("200 OK", kExpositionContentType, body());
}
