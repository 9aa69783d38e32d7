#!/usr/bin/env python3
"""Prometheus, run for real, scrapes the counters endpoint of zephra.exe and then
of ZephraService.exe under Wine. The traffic is raw Ethernet frames (EtherType
0x88B5) pushed both ways through a veth pair whose far end lies in a network
namespace of the test's own (no addresses, IPv6 off); the stored counters must
equal the bytes the kernel counted. promtool checks the scraped body, and bad
clients (slow, huge, many, garbage, leaving mid-answer) must leave the endpoint
answering. Needs root and `ip netns`; otherwise it exits 77 (skipped).

  prometheus_test.py --build build/win [--prometheus /usr/bin/prometheus]
"""
import argparse
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
import urllib.request

SKIP = 77
ETHERTYPE = 0x88B5
ROOT_KEY = r"Software\Quarlen\Zephra"


def send_frames(interface, count, size):
    """Sends `count` frames of `size` bytes on `interface` (run inside the namespace too)."""
    s = socket.socket(socket.AF_PACKET, socket.SOCK_RAW)
    s.bind((interface, 0))
    frame = b"\xff" * 6 + b"\x02\x00\x00\x00\x00\x01" + ETHERTYPE.to_bytes(2, "big")
    frame += bytes(size - len(frame))
    for _ in range(count):
        s.send(frame)
    s.close()


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def http_get(port, path="/metrics", timeout=5):
    with urllib.request.urlopen(f"http://127.0.0.1:{port}{path}", timeout=timeout) as r:
        return r.status, r.headers, r.read()


def wait_for(what, check, seconds):
    end = time.monotonic() + seconds
    last = None
    while time.monotonic() < end:
        try:
            last = check()
            if last:
                return last
        except OSError as e:
            last = e
        time.sleep(0.25)
    raise AssertionError(f"timed out waiting for {what} (last: {last!r})")


class Fixture:
    def __init__(self, args):
        self.args = args
        self.tag = f"zm{os.getpid() % 100000}"
        self.ns, self.near, self.far = self.tag + "ns", self.tag + "a", self.tag + "b"
        self.temp = tempfile.mkdtemp(prefix="zephra-prom-")
        self.processes = []
        self.service_installed = False
        self.saved = []
        self.env = dict(os.environ, WINEPREFIX=args.prefix, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d;winealsa.drv,winepulse.drv=d")

    # ---- the veth pair ----
    def make_link(self):
        run = lambda *a: subprocess.run(a, check=True, capture_output=True)
        run("ip", "netns", "add", self.ns)
        run("ip", "link", "add", self.near, "type", "veth", "peer", "name", self.far)
        run("ip", "link", "set", self.far, "netns", self.ns)
        run("sysctl", "-q", f"net.ipv6.conf.{self.near}.disable_ipv6=1")
        run("ip", "netns", "exec", self.ns, "sysctl", "-q", f"net.ipv6.conf.{self.far}.disable_ipv6=1")
        run("ip", "link", "set", self.near, "up")
        run("ip", "netns", "exec", self.ns, "ip", "link", "set", self.far, "up")
        index = int(open(f"/sys/class/net/{self.near}/ifindex").read())
        self.adapter_id = "{%08X-0000-0000-0000-4E6574446576}" % index

    def kernel_bytes(self):
        base = f"/sys/class/net/{self.near}/statistics/"
        return int(open(base + "rx_bytes").read()), int(open(base + "tx_bytes").read())

    def push_traffic(self):
        send_frames(self.near, 300, 1400)
        subprocess.run(["ip", "netns", "exec", self.ns, sys.executable, __file__, "--send", self.far, "200", "900"],
                       check=True)

    # ---- Wine ----
    def wine(self, *args, check=True):
        return subprocess.run([self.args.wine, *args], env=self.env, capture_output=True, text=True, check=check,
                              stdin=subprocess.DEVNULL, timeout=120)

    def set_values(self, hive, values):
        """Sets values under the options key; cleanup puts back what was there before."""
        key = f"{hive}\\{ROOT_KEY}\\Options"
        for name, kind, data in values:
            before = None
            for line in self.wine("reg", "query", key, "/v", name, check=False).stdout.splitlines():
                parts = line.split(None, 2)
                if len(parts) >= 2 and parts[0] == name and parts[1].startswith("REG_"):
                    value = parts[2] if len(parts) > 2 else ""
                    before = (parts[1], str(int(value, 16)) if parts[1] == "REG_DWORD" else value)
            self.saved.append((key, name, before))
            r = self.wine("reg", "add", key, "/v", name, "/t", kind, "/d", str(data), "/f", check=False)
            assert r.returncode == 0, (r.stdout, r.stderr)

    def restore_values(self):
        for key, name, before in reversed(self.saved):
            if before:
                self.wine("reg", "add", key, "/v", name, "/t", before[0], "/d", before[1], "/f", check=False)
            else:
                self.wine("reg", "delete", key, "/v", name, "/f", check=False)

    def start(self, argv):
        p = subprocess.Popen([self.args.wine, *argv], env=self.env, stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(p)
        return p

    def keep_prefix_alive(self):
        """Wine ends the service control manager and its services a few seconds
        after the last ordinary program of the prefix ended: one waits on a pipe
        that stays open until cleanup."""
        p = subprocess.Popen([self.args.wine, "cmd", "/c", "pause"], env=self.env, stdin=subprocess.PIPE,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(p)

    def windows_path(self, path):
        return "Z:" + os.path.abspath(path).replace("/", "\\")

    # ---- Prometheus ----
    def start_prometheus(self, target_port, name):
        data = os.path.join(self.temp, name)
        os.makedirs(data)
        config = os.path.join(data, "prometheus.yml")
        with open(config, "w") as f:
            f.write("global:\n  scrape_interval: 1s\n  scrape_timeout: 1s\n"
                    f"scrape_configs:\n  - job_name: zephra\n    static_configs:\n"
                    f"      - targets: ['127.0.0.1:{target_port}']\n")
        port = free_port()
        self.start_plain([self.args.prometheus, f"--config.file={config}", f"--storage.tsdb.path={data}/tsdb",
                          f"--web.listen-address=127.0.0.1:{port}"], os.path.join(data, "prometheus.log"))
        wait_for("Prometheus ready", lambda: http_get(port, "/-/ready")[0] == 200, 30)
        return port

    def start_plain(self, argv, log):
        p = subprocess.Popen(argv, stdout=open(log, "w"), stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        self.processes.append(p)
        return p

    def cleanup(self):
        for p in reversed(self.processes):
            if p.poll() is None:
                p.send_signal(signal.SIGTERM)
                try:
                    p.wait(10)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()
        if self.service_installed:
            self.wine("sc", "stop", "ZephraService", check=False)
            time.sleep(2)
            self.wine("sc", "delete", "ZephraService", check=False)
        self.restore_values()
        subprocess.run(["ip", "link", "del", self.near], capture_output=True)
        subprocess.run(["ip", "netns", "del", self.ns], capture_output=True)
        shutil.rmtree(self.temp, ignore_errors=True)


def stored(prom_port, metric, adapter_id):
    query = urllib.parse.urlencode({"query": f'{metric}{{connection="{adapter_id}"}}'})
    body = json.loads(http_get(prom_port, "/api/v1/query?" + query)[2])
    result = body["data"]["result"]
    return int(float(result[0]["value"][1])) if result else None


def check_counting(fx, endpoint_port, prom_port, program):
    status, headers, body = wait_for("the endpoint", lambda: http_get(endpoint_port), 60)
    assert headers["Content-Type"].startswith("text/plain; version=0.0.4"), headers["Content-Type"]
    wait_for("the veth in the counters", lambda: fx.adapter_id.encode() in http_get(endpoint_port)[2], 30)
    assert f'zephra_counting_program{{program="{program}"}} 1'.encode() in body
    lint = subprocess.run(["promtool", "check", "metrics"], input=http_get(endpoint_port)[2], capture_output=True)
    assert lint.returncode == 0, lint.stdout + lint.stderr
    # Quiet link: what Prometheus holds now is the start of the count.
    names = ("zephra_receive_bytes_total", "zephra_transmit_bytes_total")
    values = lambda: [stored(prom_port, n, fx.adapter_id) for n in names]
    try:
        before = wait_for("stored counters", lambda: (lambda v: None if None in v else v)(values()), 30)
    except AssertionError:
        targets = json.loads(http_get(prom_port, "/api/v1/targets")[2])["data"]["activeTargets"]
        raise AssertionError(f"Prometheus stored nothing; its targets: {[t.get('lastError') for t in targets]}")
    kernel_before = fx.kernel_bytes()
    fx.push_traffic()
    kernel_after = fx.kernel_bytes()
    expected = [before[i] + kernel_after[i] - kernel_before[i] for i in range(2)]
    assert kernel_after[0] > kernel_before[0] and kernel_after[1] > kernel_before[1]
    got = wait_for("the traffic in Prometheus", lambda: (lambda v: v if v == expected else None)(values()), 30)
    print(f"{program}: Prometheus stored received {got[0]}, sent {got[1]} = kernel {expected}")


def bad_clients(port):
    # Garbage, a client that leaves mid-answer, a 1 MB request, a slow one, and 100 at once.
    with socket.create_connection(("127.0.0.1", port)) as s:
        s.sendall(os.urandom(3000) + b"\r\n\r\n")
        assert s.recv(64).startswith(b"HTTP/1.1 400"), "garbage"
    s = socket.create_connection(("127.0.0.1", port))
    s.sendall(b"GET /metrics HTTP/1.1\r\n\r\n")
    s.recv(10)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\x01\x00\x00\x00\x00\x00\x00\x00")
    s.close()
    with socket.create_connection(("127.0.0.1", port), timeout=15) as s:
        try:
            s.sendall(b"GET /metrics HTTP/1.1\r\nX: " + b"a" * (1 << 20))
            answer = s.recv(64)
        except (ConnectionResetError, BrokenPipeError):
            answer = b"reset"
        assert answer.startswith(b"HTTP/1.1 431") or answer == b"reset", answer
    slow = socket.create_connection(("127.0.0.1", port), timeout=15)
    started = time.monotonic()

    def dribble():
        try:
            for c in b"GET /metrics HTTP/1.1\r\n\r\n":
                slow.send(bytes([c]))
                time.sleep(1)
        except OSError:
            pass
    threading.Thread(target=dribble, daemon=True).start()
    assert http_get(port)[0] == 200, "a slow client holds the endpoint up"
    try:
        assert slow.recv(64) == b"", "a head that never ends got an answer"
    except ConnectionResetError:
        pass
    assert time.monotonic() - started < 9, "the slow client was not cut off after the head's 5 s"
    slow.close()
    many = [socket.create_connection(("127.0.0.1", port), timeout=30) for _ in range(100)]
    for s in many:
        s.sendall(b"GET /metrics HTTP/1.0\r\n\r\n")
    answered = sum(1 for s in many if s.recv(15).startswith(b"HTTP/1.1 200"))
    for s in many:
        s.close()
    assert answered == 100, f"{answered} of 100 answered"
    assert http_get(port)[0] == 200


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--send", nargs=3)
    parser.add_argument("--build")
    parser.add_argument("--prefix")
    parser.add_argument("--wine", default="/usr/lib/wine/wine64")
    parser.add_argument("--prometheus", default="/usr/bin/prometheus")
    parser.add_argument("--program", choices=("meter", "service"), default="meter")
    args = parser.parse_args()
    if args.send:
        send_frames(args.send[0], int(args.send[1]), int(args.send[2]))
        return 0
    args.build = os.path.abspath(args.build)
    args.prefix = os.path.abspath(args.prefix or os.path.join(args.build, "wineprefix"))
    if os.geteuid() != 0:
        print("SKIP: needs root for the network namespace")
        return SKIP
    if not shutil.which(args.prometheus) or not shutil.which("promtool"):
        print("SKIP: Debian's prometheus package is not installed")
        return SKIP
    fx = Fixture(args)
    try:
        try:
            fx.make_link()
        except (subprocess.CalledProcessError, OSError) as e:
            print(f"SKIP: no network namespace here ({e})")
            return SKIP
        log = fx.windows_path(os.path.join(fx.temp, "sum_v2.log"))

        port = free_port()
        if args.program == "service":
            return check_service(fx, port, log)
        # The meter counts and serves.
        fx.set_values("HKCU", [("MetricsEnabled", "REG_DWORD", 1), ("MetricsAddress", "REG_SZ", "127.0.0.1"),
                               ("MetricsPort", "REG_DWORD", port), ("FirstRun", "REG_DWORD", 0),
                               ("TrafficLogFile", "REG_SZ", log)])
        meter = fx.start([os.path.join(args.build, "zephra.exe")])
        prom = fx.start_prometheus(port, "meter")
        check_counting(fx, port, prom, "meter")
        bad_clients(port)
        assert meter.poll() is None, "zephra.exe ended"
        print("ok")
        return 0
    finally:
        fx.cleanup()


def check_service(fx, port, log):
    """The service counts and serves."""
    fx.set_values("HKLM", [("MetricsEnabled", "REG_DWORD", 1), ("MetricsAddress", "REG_SZ", "127.0.0.1"),
                           ("MetricsPort", "REG_DWORD", port), ("TrafficLogFile", "REG_SZ", log)])
    exe = fx.windows_path(os.path.join(fx.args.build, "ZephraService.exe"))
    fx.keep_prefix_alive()
    fx.wine("sc", "create", "ZephraService", "binPath=", exe)
    fx.service_installed = True
    fx.wine("sc", "start", "ZephraService", check=False)
    wait_for("the service running", lambda: "RUNNING" in fx.wine("sc", "query", "ZephraService").stdout, 30)
    prom = fx.start_prometheus(port, "service")
    check_counting(fx, port, prom, "service")
    state = fx.wine("sc", "query", "ZephraService").stdout
    assert "RUNNING" in state, "the service stopped:\n" + state
    print("ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
