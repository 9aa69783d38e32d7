#!/usr/bin/env python3
"""A veth pair for the hand-over test, run by the test through Wine's Z: drive.

    veth_traffic.py DIR

Creates the namespace zephra-e2e-<pid> and the pair zv<pid>a / zv<pid>b, the far
end moved into the namespace; neither end has an address, IPv6 is off on both,
so only the frames sent here cross it. Writes DIR/ready ("<ifname> <ifindex>")
or DIR/skipped (the reason: not root, no `ip netns`). Then, while DIR/pump
exists, sends raw frames (EtherType 0x88B5, the local experimental type) from
the near end without a pause longer than a millisecond; ends when DIR/end
exists or after ten minutes, and always removes the pair and the namespace.
"""
import os
import socket
import subprocess
import sys
import time

ETHERTYPE = 0x88B5


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def write(path, text):
    with open(path + ".part", "w") as f:
        f.write(text)
    os.replace(path + ".part", path)


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    if os.geteuid() != 0:
        write(os.path.join(folder, "skipped"), "needs root to make a network namespace")
        return 0
    ns = f"zephra-e2e-{os.getpid()}"
    near, far = f"zv{os.getpid()}a", f"zv{os.getpid()}b"
    try:
        subprocess.run(["ip", "netns", "add", ns], check=True, capture_output=True)
    except (OSError, subprocess.CalledProcessError) as e:
        write(os.path.join(folder, "skipped"), f"`ip netns` is unavailable: {e}")
        return 0
    try:
        run("ip", "link", "add", near, "type", "veth", "peer", "name", far)
        run("sysctl", "-q", "-w", f"net.ipv6.conf.{near}.disable_ipv6=1")
        run("ip", "link", "set", far, "netns", ns)
        run("ip", "netns", "exec", ns, "sysctl", "-q", "-w", f"net.ipv6.conf.{far}.disable_ipv6=1")
        run("ip", "netns", "exec", ns, "ip", "link", "set", far, "up")
        run("ip", "link", "set", near, "up")
        with open(f"/sys/class/net/{near}/ifindex") as f:
            index = int(f.read())
        sock = socket.socket(socket.AF_PACKET, socket.SOCK_RAW)
        sock.bind((near, ETHERTYPE))
        frame = b"\xff" * 6 + b"\x02\x00\x00\x00\x00\x01" + ETHERTYPE.to_bytes(2, "big") + bytes(1486)
        write(os.path.join(folder, "ready"), f"{near} {index}")
        deadline = time.monotonic() + 600
        while not os.path.exists(os.path.join(folder, "end")) and time.monotonic() < deadline:
            if os.path.exists(os.path.join(folder, "pump")):
                for _ in range(48):
                    sock.send(frame)
            time.sleep(0.001)
        sock.close()
    finally:
        subprocess.run(["ip", "link", "del", near], capture_output=True)
        subprocess.run(["ip", "netns", "del", ns], capture_output=True)
        write(os.path.join(folder, "cleaned"), "")
    return 0


if __name__ == "__main__":
    sys.exit(main())
