#!/usr/bin/env python3
"""The input helper's CPU and resident memory, idle for 10 s and then at 20
keys/s for 20 s, fed through a FIFO (the helper's test build).

Usage: helper_cost.py BUILD_DIR   (where quib-input-helper-testfeed is)"""
import os, struct, subprocess, sys, tempfile, time

build = sys.argv[1]
folder = tempfile.mkdtemp()
fifo = os.path.join(folder, "events")
os.mkfifo(fifo)
helper = subprocess.Popen([os.path.join(build, "quib-input-helper-testfeed")],
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                          env=dict(os.environ, QUIB_INPUT_HELPER_FIFOS=fifo))
writer = os.open(fifo, os.O_WRONLY)
tick = os.sysconf("SC_CLK_TCK")


def cpu():
    fields = open(f"/proc/{helper.pid}/stat").read().split(")")[1].split()
    return (int(fields[11]) + int(fields[12])) / tick


def rss():
    return next(l.split()[1] for l in open(f"/proc/{helper.pid}/status") if l.startswith("VmRSS"))


def record(kind, code, value):
    return struct.pack("qqHHi", 0, 0, kind, code, value)


start, began = cpu(), time.monotonic()
time.sleep(10)
print(f"idle: {100 * (cpu() - start) / (time.monotonic() - began):.3f} % CPU, {rss()} kB resident")
out = helper.stdout.fileno()
os.set_blocking(out, False)
start, began = cpu(), time.monotonic()
while time.monotonic() - began < 20:
    for value in (1, 0):
        os.write(writer, record(1, 30, value) + record(0, 0, 0))
        time.sleep(0.025)
        try:
            os.read(out, 4096)
        except BlockingIOError:
            pass
print(f"20 keys/s: {100 * (cpu() - start) / (time.monotonic() - began):.3f} % CPU, {rss()} kB resident")
helper.kill()
