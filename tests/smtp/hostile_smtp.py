#!/usr/bin/python3
"""An SMTP server that misbehaves in one way, for the mail client's tests.

  hostile_smtp.py PORT DIR MODE [CERT KEY]

MODE: silent        says nothing after the connection
      close-after-mail  closes the connection on MAIL FROM
      trickle       sends its greeting one byte every 0.25 s
      long-line     greets with a 554 line of 5000 bytes
      garbage       answers HELO with a code of ten digits
      refuse-rcpt   refuses every recipient with 550
      no-starttls   answers EHLO with AUTH but without STARTTLS
      endless-ehlo  answers EHLO with 10,000 "250-" lines
      tls-garbage   answers the client's first bytes with bytes that are no TLS
      tls-close     closes the connection after the client's first bytes
      tls-trickle   completes the TLS handshake with CERT and KEY, then sends
                    its greeting one byte every 0.25 s
Each received command line is appended to DIR/log. Makes DIR and writes
DIR/ready once listening; when DIR/stop appears (or after two minutes) removes
DIR and ends."""
import os
import shutil
import socket
import ssl
import sys
import threading
import time


def serve(conn, mode, log, context):
    f = conn.makefile("rb")

    def say(text):
        conn.sendall(text.encode())

    def command():
        line = f.readline()
        if line:
            with open(log, "ab") as out:
                out.write(line)
        return line

    if mode == "tls-garbage" or mode == "tls-close":
        conn.recv(4096)
        if mode == "tls-garbage":
            say("HTTP/1.0 400 this is no TLS\r\n\r\n" * 4)
        return
    if mode == "tls-trickle":
        tls = context.wrap_socket(conn, server_side=True)
        for ch in "220 " + "x" * 40 + "\r\n":
            tls.sendall(ch.encode())
            time.sleep(0.25)
        return
    if mode == "silent":
        while command():
            pass
        return
    if mode == "trickle":
        for ch in "220 " + "x" * 40 + "\r\n":
            say(ch)
            time.sleep(0.25)
        return
    if mode == "long-line":
        say("554 " + "y" * 4996 + "\r\n")
        command()
        return
    say("220 hostile ready\r\n")
    while True:
        line = command()
        if not line:
            return
        verb = line[:4].upper()
        if verb == b"HELO" or verb == b"EHLO":
            if mode == "garbage":
                say("2500000000 garbage\r\n")
            elif mode == "no-starttls":
                say("250-hello\r\n250 AUTH LOGIN PLAIN\r\n")
            elif mode == "endless-ehlo":
                say("250-hello\r\n" * 10000 + "250 end\r\n")
            else:
                say("250 hello\r\n")
        elif verb == b"MAIL":
            if mode == "close-after-mail":
                conn.shutdown(socket.SHUT_RDWR)
                return
            say("250 ok\r\n")
        elif verb == b"RCPT":
            say("550 no relay\r\n")
        elif verb == b"QUIT":
            say("221 bye\r\n")
            return
        else:
            say("502 not here\r\n")


def main():
    port, folder, mode = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    context = None
    if len(sys.argv) > 5:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(sys.argv[4], sys.argv[5])
    log = os.path.join(folder, "log")
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", port))
    listener.listen(5)
    listener.settimeout(0.05)
    os.makedirs(folder, exist_ok=True)
    open(os.path.join(folder, "ready"), "w").close()
    stop = os.path.join(folder, "stop")
    end = time.monotonic() + 120
    while not os.path.exists(stop) and time.monotonic() < end:
        try:
            conn, _ = listener.accept()
        except socket.timeout:
            continue
        conn.settimeout(None)

        def run(c=conn):
            try:
                serve(c, mode, log, context)
            except (OSError, ssl.SSLError):
                pass
            finally:
                c.close()

        threading.Thread(target=run, daemon=True).start()
    shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
