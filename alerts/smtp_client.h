// The SMTP client's dialogue, independent of sockets: one MailJob is carried
// through greeting, HELO or EHLO (with STARTTLS and AUTH LOGIN or PLAIN), MAIL
// FROM, RCPT TO, DATA and QUIT over a transport that sends bytes, reads reply
// lines within limits and can switch to TLS. The Winsock and SChannel
// transport and the worker thread live in smtp_win and tls_win.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// How the connection is secured: stored as "SmtpSecurity" 0, 1 and 2.
enum class SmtpSecurity : uint8_t {
  None = 0,      // plain text throughout
  StartTls = 1,  // plain greeting and EHLO, then STARTTLS; never falls back
  Tls = 2,       // TLS from the first byte
};

// The security's usual port: 25, 587 or 465.
uint16_t DefaultSmtpPort(SmtpSecurity security);

// One mail handed to a worker. Text fields are 8-bit (system code page) and
// NUL-terminated within their width; the caller fills them with SetJobField,
// which refuses what does not fit.
struct MailJob {
  char server[64] = {};       // dotted IPv4 address or host name
  char sender[64] = {};       // MAIL FROM address
  char recipients[256] = {};  // addresses separated by ","
  uint32_t authentication = 0;  // non-zero: AUTH LOGIN (or PLAIN) with the two fields below
  char userName[64] = {};
  char password[32] = {};
  std::string message;          // header lines, empty line, body
  void* notifyWindow = nullptr;  // receives WM_MAIL_DONE
  uint16_t port = 25;
  SmtpSecurity security = SmtpSecurity::None;
  // Limits of the dialogue: a reply line must be complete within its step's
  // limit; the end of the data has a longer one. Failed connections are
  // retried after a pause.
  int replyLimitMs = 60000;
  int dataEndLimitMs = 120000;
  int retryPauseMs = 5000;
};

// Copies the text into a fixed field when it fits with its NUL; false (field
// untouched) when it does not.
template <size_t N>
bool SetJobField(char (&field)[N], std::string_view text) {
  if (text.size() >= N) return false;
  text.copy(field, text.size());
  field[text.size()] = '\0';
  return true;
}

// The connection the dialogue talks over.
class SmtpTransport {
public:
  virtual ~SmtpTransport() = default;
  // Resolves the server and connects; false when no connection was made.
  virtual bool Connect(const char* server, uint16_t port) = 0;
  virtual void Close() = 0;
  virtual void Pause(int ms) = 0;
  // Sends in slices, each waiting at most limitMs for the connection to take
  // it; returns the count sent (less than length when a wait ran out), or -1
  // on an error.
  virtual int64_t SendAll(const char* data, size_t length, int limitMs) = 0;
  // Reads one reply line into buffer (capacity >= 2), stored without its line
  // end and NUL-terminated. The whole line must arrive within limitMs, counted
  // from the start of the call. Returns the length, or -1 on a time-out, an
  // error or a closed connection.
  virtual int ReadReplyLine(char* buffer, int capacity, int limitMs) = 0;
  // Milliseconds of a steady clock: a reply of several lines must end within
  // its step's limit too.
  virtual int64_t NowMs() = 0;
  // Switches the connection to TLS: the handshake within limitMs, then the
  // server's certificate checked for the name as typed. Empty when the
  // connection is secure, else the error text; nothing more is sent then.
  virtual std::string StartTls(const char* server, int limitMs) = 0;
};

// A reply (greeting, EHLO) may run over at most this many lines.
inline constexpr int kMaxReplyLines = 100;

// Adds one received byte to the reply line in buffer (length bytes so far).
// True when the line is complete: at a line feed (which is dropped with a
// carriage return before it) or when capacity - 1 bytes have arrived.
bool AddReplyByte(char* buffer, int capacity, int& length, char byte);

// The line's leading decimal number; -1 when it does not start with one of
// at most nine digits.
int ReplyCode(std::string_view line);

// RFC 4648 base64 with "=" padding. CR LF follows every complete run of 76
// characters encoded from full three-byte groups (after 57, 114, ... input
// bytes); leftover bytes follow as one padded group. Returns the number of
// characters written to output (no terminator); output needs
// Base64EncodedSize(length) bytes.
size_t Base64Encode(const uint8_t* data, size_t length, char* output);
size_t Base64EncodedSize(size_t length);
std::string Base64Encode(std::string_view data);

// The message as it goes out between DATA and the final ".": every line ends
// in CR LF (a bare LF or CR becomes CR LF, a last line without an end gets
// one) and a line beginning with "." gets a second ".". Nothing else changes.
std::string DotStuffMessage(std::string_view message);

// True when the text holds a CR, LF or NUL: such a value could carry a
// command of its own into the dialogue.
bool HoldsLineBreak(std::string_view text);

// Runs the whole dialogue for the job; returns an empty text when the server
// accepted the mail, else the error text (at most 1023 characters):
// "Invalid parameters.", "Failed to connect to SMTP server.", "Time out.",
// "Failed to send email body.", "SMTP Server didn't relay email.",
// kReplyTooLong, kNoStartTls, kStartTlsRefused followed by the server's
// reply, the transport's TLS error, or the server's unexpected reply line.
// Without security and authentication the dialogue uses HELO, else EHLO;
// with STARTTLS, EHLO is sent again over TLS and only its answer counts.
// AUTH LOGIN is used unless the server offers PLAIN but not LOGIN.
std::string RunMailJob(const MailJob& job, SmtpTransport& transport);

inline constexpr char kReplyTooLong[] = "The server's reply was too long.";
inline constexpr char kNoStartTls[] =
    "The server does not offer STARTTLS, so the mail was not sent: the connection would not be encrypted.";
inline constexpr char kStartTlsRefused[] = "The server refused STARTTLS, so the mail was not sent: ";

// The client domain name sent with HELO and EHLO.
inline constexpr char kSmtpClientDomain[] = "zephra.localdomain";
