// The counters endpoint's side of HTTP/1.x: the request head read as it
// arrives (request line and headers, nothing after them), and the answer to
// it. Every answer closes the connection, so a client gets one answer per
// connection and the listener keeps no state between requests.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

constexpr size_t kMaxRequestHead = 8192;

enum class HeadState {
  Incomplete,  // the empty line that ends the head has not come yet
  Complete,    // request line and headers read and well formed
  TooLarge,    // no end within kMaxRequestHead bytes
  Malformed,   // not an HTTP/1.x request head
};

class RequestHead {
public:
  // Takes the next bytes from the client. Once the state is no longer
  // Incomplete, further bytes are ignored (a body is never read).
  HeadState Feed(std::string_view bytes);
  HeadState state() const { return state_; }
  // Valid when Complete: the method and the path, without any query.
  const std::string& method() const { return method_; }
  const std::string& path() const { return path_; }
  // Bytes that came after the head's end (a body, a next request): the
  // listener reads them away before it closes, so its answer is not cut off
  // by a reset. Counted once the head has ended.
  size_t pastHead() const { return pastHead_; }

private:
  HeadState Parse();

  std::string head_;
  HeadState state_ = HeadState::Incomplete;
  std::string method_;
  std::string path_;
  size_t pastHead_ = 0;
};

// The whole answer to a finished head: 200 with `body()` for GET /metrics, 404
// for any other path, 405 for any other method, 400 for a malformed head and
// 431 for one that is too large; each with Content-Length and
// "Connection: close". `body` is called for the 200 answer only.
std::string AnswerRequest(const RequestHead& head, const std::function<std::string()>& body);
