// TLS over a connected socket through Windows' own SChannel: the handshake
// with the server name, the check of the server's certificate made here (the
// same way on every system), and records sent and reply lines read within
// their limits.
#pragma once
#include <winsock2.h>
#include <windows.h>
#ifndef SECURITY_WIN32
#define SECURITY_WIN32
#endif
#include <security.h>

#include <cstdint>
#include <string>

// The error texts of the secure connection.
inline constexpr char kTlsHandshakeFailed[] =
    "The secure connection could not be made: the server did not complete the TLS handshake.";
inline constexpr char kTlsTooOld[] = "The secure connection could not be made: the server offers no TLS 1.2 or newer.";
inline constexpr char kCertificateUntrusted[] =
    "The server's certificate is not trusted: no certificate authority trusted by this computer issued it.";
inline constexpr char kCertificateExpired[] = "The server's certificate has expired or is not yet valid.";
inline constexpr char kCertificateRevoked[] = "The server's certificate has been revoked.";
// Followed by the server name as typed and "\".".
inline constexpr char kCertificateWrongName[] = "The server's certificate is for another name than \"";

class TlsChannel {
public:
  TlsChannel() = default;
  ~TlsChannel();
  TlsChannel(const TlsChannel&) = delete;
  TlsChannel& operator=(const TlsChannel&) = delete;

  // The handshake within limitMs, sending the server name, then the check of
  // the certificate for that name. Empty when the channel is secure, else the
  // error text ("Time out." when the limit ran out).
  std::string Start(SOCKET s, const char* server, int limitMs);
  // Encrypts and sends; the count of plain bytes sent (less than length when
  // a wait ran out), or -1 on an error.
  int64_t Send(const char* data, size_t length, int limitMs);
  // One reply line as ReadReplyLine reads it, within limitMs.
  int ReadLine(char* buffer, int capacity, int limitMs);
  // Sends the close notification of a secure channel (best effort).
  void Shutdown();

private:
  // Receives more encrypted bytes before the deadline; false on a time-out,
  // a closed connection or an error.
  bool Receive(ULONGLONG deadline);
  bool SendRaw(const void* data, size_t length, int limitMs);
  std::string Handshake(const wchar_t* target, ULONGLONG deadline);
  std::string CheckCertificate(const wchar_t* target, const char* server);
  // Decrypts what has arrived into plain_; 1 when something was decrypted,
  // 0 when more bytes are needed, -1 when the channel ended or failed.
  int Decrypt();
  void Release();

  SOCKET socket_ = INVALID_SOCKET;
  CredHandle credentials_ = {};
  CtxtHandle context_ = {};
  bool haveCredentials_ = false, haveContext_ = false, secure_ = false;
  unsigned long header_ = 0, trailer_ = 0, maxMessage_ = 0;
  std::string incoming_;  // received, not yet decrypted
  std::string plain_;     // decrypted, not yet read
  bool renegotiate_ = false;
};
