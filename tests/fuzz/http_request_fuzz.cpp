// The input is what a client sends to the counters endpoint, cut into pieces
// of the sizes its first byte picks. The head must come out the same however
// it is cut (with as many bytes past its end), never hold more than its limit,
// and always get one whole answer.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "metrics/http_request.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t piece = 1 + data[0] % 64;
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  RequestHead whole;
  whole.Feed(bytes);
  RequestHead cut;
  for (size_t at = 0; at < bytes.size(); at += piece) cut.Feed(bytes.substr(at, piece));
  if (whole.state() != cut.state()) std::abort();
  if (whole.state() == HeadState::Complete && (whole.method() != cut.method() || whole.path() != cut.path()))
    std::abort();
  if ((whole.state() == HeadState::Complete || whole.state() == HeadState::Malformed) &&
      whole.pastHead() != cut.pastHead())
    std::abort();
  if (whole.state() == HeadState::Incomplete && bytes.size() > kMaxRequestHead) std::abort();
  const std::string answer = AnswerRequest(whole, [] { return std::string("x 1\n"); });
  if (answer.rfind("HTTP/1.1 ", 0) != 0 || answer.find("\r\nConnection: close\r\n\r\n") == std::string::npos)
    std::abort();
  return 0;
}
