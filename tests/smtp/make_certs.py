#!/usr/bin/python3
"""Makes the certificates of the TLS mail tests with the openssl command.

  make_certs.py DIR

DIR/ca.der        the test authority, which the tests add to the current
                  user's "Root" store of their Wine prefix (and remove after)
DIR/localhost.*   certificate and key for "localhost", issued by it
DIR/other.*       certificate and key for "mail.example.org", issued by it
DIR/stranger.*    certificate and key for "localhost", issued by an authority
                  that no store holds
DIR/expired.*     certificate and key for "localhost", issued by the test
                  authority and valid for no longer than the second it was made
Each run makes new keys and authorities with a name of their own. Writes
DIR/ready when done, DIR/failed when openssl failed."""
import os
import subprocess
import sys
import time


def openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True, capture_output=True)


def authority(name, cwd):
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", name + "-ca.key", "-out",
            name + "-ca.pem", "-days", "3", "-subj", "/CN=Zephra test authority %s %d" % (name, time.time_ns()),
            "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign",
            cwd=cwd)


def server(name, host, issuer, cwd, days="2"):
    with open(os.path.join(cwd, name + ".ext"), "w") as ext:
        ext.write("subjectAltName=DNS:%s\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n"
                  "keyUsage=digitalSignature,keyEncipherment\n" % host)
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", name + ".key", "-out", name + ".csr", "-subj",
            "/CN=" + host, cwd=cwd)
    openssl("x509", "-req", "-in", name + ".csr", "-CA", issuer + "-ca.pem", "-CAkey", issuer + "-ca.key",
            "-CAcreateserial", "-days", days, "-extfile", name + ".ext", "-out", name + ".pem", cwd=cwd)


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    try:
        authority("trusted", folder)
        authority("unknown", folder)
        server("localhost", "localhost", "trusted", folder)
        server("other", "mail.example.org", "trusted", folder)
        server("stranger", "localhost", "unknown", folder)
        server("expired", "localhost", "trusted", folder, days="0")
        openssl("x509", "-in", "trusted-ca.pem", "-outform", "DER", "-out", "ca.der", cwd=folder)
    except (OSError, subprocess.CalledProcessError):
        open(os.path.join(folder, "failed"), "w").close()
        return
    open(os.path.join(folder, "ready"), "w").close()


if __name__ == "__main__":
    main()
