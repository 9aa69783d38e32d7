#include "alerts/tls_win.h"

#define SCHANNEL_USE_BLACKLISTS
#include <subauth.h>
#include <schannel.h>
#include <wincrypt.h>

#include <algorithm>
#include <vector>

#include "alerts/smtp_client.h"
#include "alerts/smtp_win.h"

namespace {

// SChannel and the certificate functions are bound when the first TLS mail
// goes out: linked with the program, secur32 and crypt32 (and under Wine their
// TLS libraries) would load at every start for a feature most runs never use.
struct TlsApi {
  PSecurityFunctionTableW sspi = nullptr;
  decltype(&::CertGetCertificateChain) getChain = nullptr;
  decltype(&::CertVerifyCertificateChainPolicy) verifyPolicy = nullptr;
  decltype(&::CertFreeCertificateChain) freeChain = nullptr;
  decltype(&::CertFreeCertificateContext) freeCertificate = nullptr;
  bool ok() const { return sspi && getChain && verifyPolicy && freeChain && freeCertificate; }
};

template <class F>
void Bind(HMODULE module, const char* name, F& out) {
  out = module ? reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

const TlsApi& Api() {
  static const TlsApi api = [] {
    TlsApi a;
    INIT_SECURITY_INTERFACE_W init = nullptr;
    Bind(::LoadLibraryW(L"secur32.dll"), "InitSecurityInterfaceW", init);
    if (init) a.sspi = init();
    HMODULE crypt = ::LoadLibraryW(L"crypt32.dll");
    Bind(crypt, "CertGetCertificateChain", a.getChain);
    Bind(crypt, "CertVerifyCertificateChainPolicy", a.verifyPolicy);
    Bind(crypt, "CertFreeCertificateChain", a.freeChain);
    Bind(crypt, "CertFreeCertificateContext", a.freeCertificate);
    return a;
  }();
  return api;
}

constexpr char kTimeOut[] = "Time out.";
constexpr size_t kMaxPending = 256 * 1024;  // received bytes that form no complete record yet
constexpr DWORD kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_EXTENDED_ERROR |
                                ISC_REQ_MANUAL_CRED_VALIDATION;

int LeftMs(ULONGLONG deadline) {
  const ULONGLONG now = ::GetTickCount64();
  return now >= deadline ? 0 : static_cast<int>(std::min<ULONGLONG>(deadline - now, 0x7fffffff));
}

std::wstring Widen(const char* text) {
  const int n = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring out(n > 0 ? n : 1, L'\0');
  if (n > 0) ::MultiByteToWideChar(CP_ACP, 0, text, -1, out.data(), n);
  out.resize(wcslen(out.c_str()));
  return out;
}

// Output tokens are allocated by SChannel.
struct OutputBuffers {
  SecBuffer buffers[2] = {{0, SECBUFFER_TOKEN, nullptr}, {0, SECBUFFER_ALERT, nullptr}};
  SecBufferDesc desc = {SECBUFFER_VERSION, 2, buffers};
  ~OutputBuffers() {
    for (SecBuffer& b : buffers)
      if (b.pvBuffer) Api().sspi->FreeContextBuffer(b.pvBuffer);
  }
};

struct ChainHolder {
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  PCCERT_CONTEXT certificate = nullptr;
  ~ChainHolder() {
    if (chain) Api().freeChain(chain);
    if (certificate) Api().freeCertificate(certificate);
  }
};

// TLS 1.2 and newer only: where the system knows SCH_CREDENTIALS, the older
// versions are switched off (TLS 1.3 stays where the system offers it), else
// TLS 1.2 is the one version switched on. The certificate is checked here,
// not by SChannel.
bool AcquireCredentials(CredHandle& handle) {
  if (!Api().ok()) return false;
  TLS_PARAMETERS tls = {};
  tls.grbitDisabledProtocols = static_cast<DWORD>(~(SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT));
  SCH_CREDENTIALS modern = {};
  modern.dwVersion = SCH_CREDENTIALS_VERSION;
  modern.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
  modern.cTlsParameters = 1;
  modern.pTlsParameters = &tls;
  wchar_t package[] = UNISP_NAME_W;
  if (Api().sspi->AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &modern, nullptr, nullptr, &handle,
                                  nullptr) == SEC_E_OK)
    return true;
  SCHANNEL_CRED older = {};
  older.dwVersion = SCHANNEL_CRED_VERSION;
  older.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
  older.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
  return Api().sspi->AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &older, nullptr, nullptr,
                                     &handle, nullptr) == SEC_E_OK;
}

}  // namespace

TlsChannel::~TlsChannel() { Release(); }

void TlsChannel::Release() {
  if (haveContext_) Api().sspi->DeleteSecurityContext(&context_);
  if (haveCredentials_) Api().sspi->FreeCredentialsHandle(&credentials_);
  haveContext_ = haveCredentials_ = secure_ = false;
}

bool TlsChannel::Receive(ULONGLONG deadline) {
  const int left = LeftMs(deadline);
  fd_set set;
  FD_ZERO(&set);
  FD_SET(socket_, &set);
  timeval tv = {left / 1000, (left % 1000) * 1000};
  if (left == 0 || ::select(0, &set, nullptr, nullptr, &tv) != 1) return false;
  char buffer[4096];
  const int n = ::recv(socket_, buffer, sizeof buffer, 0);
  if (n <= 0) return false;
  incoming_.append(buffer, static_cast<size_t>(n));
  return incoming_.size() <= kMaxPending;  // a peer that never completes a record
}

bool TlsChannel::SendRaw(const void* data, size_t length, int limitMs) {
  return ::SendAll(socket_, static_cast<const char*>(data), length, limitMs) == static_cast<int64_t>(length);
}

std::string TlsChannel::Start(SOCKET s, const char* server, int limitMs) {
  socket_ = s;
  const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(limitMs);
  if (!AcquireCredentials(credentials_)) return kTlsHandshakeFailed;
  haveCredentials_ = true;
  const std::wstring target = Widen(server);
  std::string error = Handshake(target.c_str(), deadline);
  if (error.empty()) error = CheckCertificate(target.c_str(), server);
  if (!error.empty()) {
    Release();
    return error;
  }
  SecPkgContext_StreamSizes sizes = {};
  if (Api().sspi->QueryContextAttributesW(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes) != SEC_E_OK) {
    Release();
    return kTlsHandshakeFailed;
  }
  header_ = sizes.cbHeader;
  trailer_ = sizes.cbTrailer;
  maxMessage_ = sizes.cbMaximumMessage;
  secure_ = true;
  return {};
}

std::string TlsChannel::Handshake(const wchar_t* target, ULONGLONG deadline) {
  ULONG attributes = 0;
  SECURITY_STATUS status;
  {
    OutputBuffers out;
    status = Api().sspi->InitializeSecurityContextW(&credentials_, nullptr, const_cast<wchar_t*>(target), kContextFlags, 0, 0,
                                          nullptr, 0, &context_, &out.desc, &attributes, nullptr);
    if (status != SEC_I_CONTINUE_NEEDED) return kTlsHandshakeFailed;
    haveContext_ = true;
    if (out.buffers[0].cbBuffer && !SendRaw(out.buffers[0].pvBuffer, out.buffers[0].cbBuffer, LeftMs(deadline)))
      return kTlsHandshakeFailed;
  }
  bool needBytes = true;
  for (;;) {
    if (needBytes && !Receive(deadline)) return LeftMs(deadline) == 0 ? kTimeOut : kTlsHandshakeFailed;
    SecBuffer in[2] = {{static_cast<unsigned long>(incoming_.size()), SECBUFFER_TOKEN, incoming_.data()},
                       {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc inDesc = {SECBUFFER_VERSION, 2, in};
    OutputBuffers out;
    status = Api().sspi->InitializeSecurityContextW(&credentials_, &context_, const_cast<wchar_t*>(target), kContextFlags, 0, 0,
                                          &inDesc, 0, nullptr, &out.desc, &attributes, nullptr);
    if (status == SEC_E_INCOMPLETE_MESSAGE) {
      needBytes = true;
      continue;
    }
    if (out.buffers[0].cbBuffer && out.buffers[0].pvBuffer &&
        !SendRaw(out.buffers[0].pvBuffer, out.buffers[0].cbBuffer, LeftMs(deadline)))
      return kTlsHandshakeFailed;
    if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer <= incoming_.size())
      incoming_.erase(0, incoming_.size() - in[1].cbBuffer);
    else if (status != SEC_I_INCOMPLETE_CREDENTIALS)
      incoming_.clear();
    if (status == SEC_E_OK) return {};
    if (status == SEC_I_CONTINUE_NEEDED || status == SEC_I_INCOMPLETE_CREDENTIALS) {
      needBytes = incoming_.empty();
      continue;
    }
    return kTlsHandshakeFailed;
  }
}

std::string TlsChannel::CheckCertificate(const wchar_t* target, const char* server) {
  ChainHolder holder;
  if (Api().sspi->QueryContextAttributesW(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &holder.certificate) != SEC_E_OK ||
      !holder.certificate)
    return kCertificateUntrusted;
  char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
  LPSTR usages[] = {serverAuth};
  CERT_CHAIN_PARA para = {};
  para.cbSize = sizeof para;
  para.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
  para.RequestedUsage.Usage.cUsageIdentifier = 1;
  para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  // Revocation as far as this computer already knows it: no fetching.
  const DWORD flags = CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT | CERT_CHAIN_REVOCATION_CHECK_CACHE_ONLY;
  if (!Api().getChain(nullptr, holder.certificate, nullptr, holder.certificate->hCertStore, &para, flags,
                                 nullptr, &holder.chain))
    return kCertificateUntrusted;

  HTTPSPolicyCallbackData https = {};
  https.cbStruct = sizeof https;
  https.dwAuthType = AUTHTYPE_SERVER;
  https.pwszServerName = const_cast<wchar_t*>(target);
  // A revocation status that could not be learned is no failure; a revoked
  // certificate is caught by the chain's status below.
  https.fdwChecks = 0x00000080;  // SECURITY_FLAG_IGNORE_REVOCATION (wininet.h)
  CERT_CHAIN_POLICY_PARA policy = {};
  policy.cbSize = sizeof policy;
  policy.dwFlags = CERT_CHAIN_POLICY_IGNORE_ALL_REV_UNKNOWN_FLAGS;
  policy.pvExtraPolicyPara = &https;
  CERT_CHAIN_POLICY_STATUS result = {};
  result.cbSize = sizeof result;
  if (!Api().verifyPolicy(CERT_CHAIN_POLICY_SSL, holder.chain, &policy, &result))
    return kCertificateUntrusted;
  switch (static_cast<HRESULT>(result.dwError)) {
    case S_OK: break;
    case CERT_E_EXPIRED: return kCertificateExpired;
    case CERT_E_REVOKED: return kCertificateRevoked;
    case CERT_E_CN_NO_MATCH: return std::string(kCertificateWrongName) + server + "\".";
    default: return kCertificateUntrusted;
  }
  // The policy passes an incomplete chain on some systems: every chain error
  // counts, apart from a revocation status that could not be learned.
  const DWORD status =
      holder.chain->TrustStatus.dwErrorStatus & ~(CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION);
  if (status & CERT_TRUST_IS_REVOKED) return kCertificateRevoked;
  if (status & CERT_TRUST_IS_NOT_TIME_VALID) return kCertificateExpired;
  if (status) return kCertificateUntrusted;

  SecPkgContext_ConnectionInfo info = {};
  if (Api().sspi->QueryContextAttributesW(&context_, SECPKG_ATTR_CONNECTION_INFO, &info) == SEC_E_OK &&
      (info.dwProtocol & ~(SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT)))
    return kTlsTooOld;
  return {};
}

int64_t TlsChannel::Send(const char* data, size_t length, int limitMs) {
  if (!secure_) return -1;
  size_t sent = 0;
  std::vector<char> record;
  while (sent < length) {
    const size_t piece = std::min<size_t>(length - sent, maxMessage_);
    record.assign(header_ + piece + trailer_, '\0');
    std::copy(data + sent, data + sent + piece, record.begin() + header_);
    SecBuffer buffers[4] = {{header_, SECBUFFER_STREAM_HEADER, record.data()},
                            {static_cast<unsigned long>(piece), SECBUFFER_DATA, record.data() + header_},
                            {trailer_, SECBUFFER_STREAM_TRAILER, record.data() + header_ + piece},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
    if (Api().sspi->EncryptMessage(&context_, 0, &desc, 0) != SEC_E_OK) return -1;
    const size_t total = buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer;
    const int64_t n = ::SendAll(socket_, record.data(), total, limitMs);
    if (n < 0) return -1;
    if (n != static_cast<int64_t>(total)) break;
    sent += piece;
  }
  return static_cast<int64_t>(sent);
}

int TlsChannel::Decrypt() {
  if (incoming_.empty()) return 0;
  SecBuffer buffers[4] = {{static_cast<unsigned long>(incoming_.size()), SECBUFFER_DATA, incoming_.data()},
                          {0, SECBUFFER_EMPTY, nullptr},
                          {0, SECBUFFER_EMPTY, nullptr},
                          {0, SECBUFFER_EMPTY, nullptr}};
  SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
  const SECURITY_STATUS status = Api().sspi->DecryptMessage(&context_, &desc, 0, nullptr);
  if (status == SEC_E_INCOMPLETE_MESSAGE) return 0;
  if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE) return -1;  // also the server's close notification
  std::string extra;
  for (const SecBuffer& b : buffers) {
    if (b.BufferType == SECBUFFER_DATA && b.cbBuffer) plain_.append(static_cast<const char*>(b.pvBuffer), b.cbBuffer);
    if (b.BufferType == SECBUFFER_EXTRA && b.cbBuffer) extra.assign(static_cast<const char*>(b.pvBuffer), b.cbBuffer);
  }
  incoming_ = std::move(extra);
  if (status == SEC_I_RENEGOTIATE) {
    // Messages after the handshake (TLS 1.3 session tickets): handed back to
    // the context, which answers nothing the server waits for.
    SecBuffer in[2] = {{static_cast<unsigned long>(incoming_.size()), SECBUFFER_TOKEN, incoming_.data()},
                       {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc inDesc = {SECBUFFER_VERSION, 2, in};
    OutputBuffers out;
    ULONG attributes = 0;
    const SECURITY_STATUS again = Api().sspi->InitializeSecurityContextW(&credentials_, &context_, nullptr, kContextFlags, 0, 0,
                                                               &inDesc, 0, nullptr, &out.desc, &attributes, nullptr);
    if (again != SEC_E_OK && again != SEC_I_CONTINUE_NEEDED) return -1;
    if (out.buffers[0].cbBuffer && out.buffers[0].pvBuffer &&
        !SendRaw(out.buffers[0].pvBuffer, out.buffers[0].cbBuffer, 5000))
      return -1;
    if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer <= incoming_.size())
      incoming_.erase(0, incoming_.size() - in[1].cbBuffer);
    else
      incoming_.clear();
  }
  return 1;
}

int TlsChannel::ReadLine(char* buffer, int capacity, int limitMs) {
  if (!secure_) return -1;
  const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(limitMs);
  int length = 0;
  buffer[0] = '\0';
  size_t used = 0;
  for (;;) {
    while (used < plain_.size()) {
      if (AddReplyByte(buffer, capacity, length, plain_[used++])) {
        plain_.erase(0, used);
        return length;
      }
    }
    plain_.clear();
    used = 0;
    const int decrypted = Decrypt();
    if (decrypted < 0) return -1;
    if (decrypted == 0 && !Receive(deadline)) return -1;
  }
}

void TlsChannel::Shutdown() {
  if (!secure_) return;
  DWORD type = SCHANNEL_SHUTDOWN;
  SecBuffer token = {sizeof type, SECBUFFER_TOKEN, &type};
  SecBufferDesc desc = {SECBUFFER_VERSION, 1, &token};
  if (Api().sspi->ApplyControlToken(&context_, &desc) == SEC_E_OK) {
    OutputBuffers out;
    ULONG attributes = 0;
    Api().sspi->InitializeSecurityContextW(&credentials_, &context_, nullptr, kContextFlags, 0, 0, nullptr, 0, nullptr, &out.desc,
                                 &attributes, nullptr);
    if (out.buffers[0].cbBuffer && out.buffers[0].pvBuffer) SendRaw(out.buffers[0].pvBuffer, out.buffers[0].cbBuffer, 1000);
  }
  Release();
}
