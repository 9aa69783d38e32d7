#!/usr/bin/python3
"""A real SMTP server (aiosmtpd) for the mail tests: stores each accepted mail
as it arrived after the DATA transparency is undone, in DIR/<n>.eml, with the
envelope in DIR/<n>.env ("MAIL FROM" line, then one line per recipient).

  mailbox_smtp.py PORT DIR [USER PASSWORD]

With USER and PASSWORD the server requires AUTH LOGIN with exactly those.
Makes DIR and writes DIR/ready once listening; when DIR/stop appears (or
after two minutes) removes DIR and ends."""
import logging
import os
import shutil
import sys
import time
import warnings

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult


class Store:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, str(self.count))
        with open(base + ".env", "w") as env:
            env.write(envelope.mail_from + "\n")
            for to in envelope.rcpt_tos:
                env.write(to + "\n")
        with open(base + ".eml", "wb") as eml:
            eml.write(envelope.original_content)
        return "250 Message accepted for delivery"


def main():
    warnings.simplefilter("ignore")
    logging.disable(logging.CRITICAL)
    port, folder = int(sys.argv[1]), sys.argv[2]
    options = {}
    if len(sys.argv) > 4:
        user, password = sys.argv[3].encode(), sys.argv[4].encode()

        def check(server, session, envelope, mechanism, auth_data):
            ok = mechanism == "LOGIN" and auth_data.login == user and auth_data.password == password
            return AuthResult(success=ok, handled=False)

        options = dict(authenticator=check, auth_required=True, auth_require_tls=False)
    controller = Controller(Store(folder), hostname="127.0.0.1", port=port, **options)
    controller.start()
    os.makedirs(folder, exist_ok=True)
    open(os.path.join(folder, "ready"), "w").close()
    stop = os.path.join(folder, "stop")
    end = time.monotonic() + 120
    while not os.path.exists(stop) and time.monotonic() < end:
        time.sleep(0.05)
    controller.stop()
    shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
