#!/usr/bin/python3
"""A real SMTP server (aiosmtpd) for the mail tests: stores each accepted mail
as it arrived after the DATA transparency is undone, in DIR/<n>.eml, with the
envelope in DIR/<n>.env ("MAIL FROM" line, then one line per recipient).

  mailbox_smtp.py PORT DIR [USER PASSWORD] [--starttls|--tls CERT KEY]

With USER and PASSWORD the server requires AUTH (LOGIN or PLAIN) with exactly
those. --starttls requires STARTTLS before anything else and takes AUTH only
over TLS; --tls speaks TLS from the first byte (where aiosmtpd does not count
the session as secure, so AUTH is allowed there without that check). DIR/log
records "STARTTLS" and "AUTH <mechanism> <tls|clear>" as they come. Makes DIR and writes DIR/ready once listening; when DIR/stop appears (or
after two minutes) removes DIR and ends."""
import logging
import os
import shutil
import sys
import time
import warnings

import argparse
import ssl

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import SMTP, AuthResult


class RecordingSMTP(SMTP):
    log = None

    def record(self, text):
        with open(self.log, "a") as out:
            out.write(text + "\n")

    async def smtp_STARTTLS(self, arg):
        self.record("STARTTLS")
        return await super().smtp_STARTTLS(arg)

    async def smtp_AUTH(self, arg):
        secure = self._tls_protocol is not None or self.transport.get_extra_info("sslcontext") is not None
        self.record("AUTH " + arg.split(" ")[0].upper() + (" tls" if secure else " clear"))
        return await super().smtp_AUTH(arg)


class RecordingController(Controller):
    def factory(self):
        return RecordingSMTP(self.handler, **self.SMTP_kwargs)


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
    parser = argparse.ArgumentParser()
    parser.add_argument("port", type=int)
    parser.add_argument("folder")
    parser.add_argument("account", nargs="*")
    parser.add_argument("--starttls", nargs=2)
    parser.add_argument("--tls", nargs=2)
    args = parser.parse_args()
    port, folder = args.port, args.folder
    RecordingSMTP.log = os.path.join(folder, "log")
    options = {}
    if len(args.account) == 2:
        user, password = args.account[0].encode(), args.account[1].encode()

        def check(server, session, envelope, mechanism, auth_data):
            ok = auth_data.login == user and auth_data.password == password
            return AuthResult(success=ok, handled=False)

        options = dict(authenticator=check, auth_required=True, auth_require_tls=bool(args.starttls))
    files = args.starttls or args.tls
    if files:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(files[0], files[1])
        if args.starttls:
            options.update(tls_context=context, require_starttls=True)
        else:
            options.update(ssl_context=context)
    controller = RecordingController(Store(folder), hostname="127.0.0.1", port=port, **options)
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
