#!/usr/bin/python3
"""An SMTP server that misbehaves in one way, for the mail client's tests.

  hostile_smtp.py PORT DIR MODE

MODE: silent        says nothing after the connection
      close-after-mail  closes the connection on MAIL FROM
      trickle       sends its greeting one byte every 0.25 s
      long-line     greets with a 554 line of 5000 bytes
      garbage       answers HELO with a code of ten digits
      refuse-rcpt   refuses every recipient with 550
Each received command line is appended to DIR/log. Makes DIR and writes
DIR/ready once listening; when DIR/stop appears (or after two minutes) removes
DIR and ends."""
import os
import shutil
import socket
import sys
import threading
import time


def serve(conn, mode, log):
    f = conn.makefile("rb")

    def say(text):
        conn.sendall(text.encode())

    def command():
        line = f.readline()
        if line:
            with open(log, "ab") as out:
                out.write(line)
        return line

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
            say("2500000000 garbage\r\n" if mode == "garbage" else "250 hello\r\n")
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
                serve(c, mode, log)
            except OSError:
                pass
            finally:
                c.close()

        threading.Thread(target=run, daemon=True).start()
    shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
