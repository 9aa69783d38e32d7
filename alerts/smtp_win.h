// The SMTP client over Winsock: the transport of the dialogue, and the worker
// thread that carries one MailJob and reports by posting WM_MAIL_DONE.
//
// WM_MAIL_DONE: wParam is the worker's thread id, lParam null when the server
// accepted the mail, else an 8-bit NUL-terminated error text made by the
// worker, which the receiver frees with FreeMailDoneText. When the post fails
// (the window is gone) the worker frees the text itself.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <memory>
#include <string>

#include "alerts/smtp_client.h"

// Starts the sockets library (version 2.0) once for the process.
bool StartSockets();

// Resolves the server (dotted address, else by name) and connects to the
// port with the platform's own time limit; INVALID_SOCKET on failure.
SOCKET ConnectToServer(const char* server, uint16_t port);
// SmtpTransport::SendAll and ReadReplyLine over a connected socket.
int64_t SendAll(SOCKET s, const char* data, size_t length, int limitMs);
int ReadReplyLine(SOCKET s, char* buffer, int capacity, int limitMs);

// Runs the dialogue of one job over Winsock now, on the calling thread;
// returns the error text, empty when the server accepted the mail.
std::string SendMailNow(const MailJob& job);
// The worker routine: owns the job (a MailJob*), runs the dialogue, posts
// exactly one WM_MAIL_DONE to the job's window and frees the job.
unsigned __stdcall SendMailJob(void* job);
// Starts a worker on the job; false when no thread could be started (the job
// is then freed and nothing is posted).
bool StartMailJob(std::unique_ptr<MailJob> job);

// The error text of a WM_MAIL_DONE: made by the worker, freed by the receiver.
char* AllocateMailDoneText(const std::string& text);
void FreeMailDoneText(LPARAM text);
// Error texts made and not yet freed, in the whole process.
long OutstandingMailDoneTexts();
