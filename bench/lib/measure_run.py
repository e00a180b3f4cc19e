#!/usr/bin/env python3
"""Runs one command and prints its start-up figures on one line:

    wall_ms=<from fork to exit> total_cpu_ms=<user+sys of the process and its children>
    user_ms=... sys_ms=...   (the same, split)
    cpu_ms=... children_cpu_ms=... peak_kb=...   (from the program's own "first-frame" line)

The program must end by itself after its first frame and write a "first-frame ..." line on
standard error; without one this prints the end of its standard error and exits with 1.
Usage: measure_run.py COMMAND [ARGUMENT...]
"""
import os
import sys
import time


def main():
    argv = sys.argv[1:]
    read_end, write_end = os.pipe()
    started = time.monotonic()
    pid = os.fork()
    if pid == 0:
        null = os.open(os.devnull, os.O_RDWR)
        os.dup2(null, 0)
        os.dup2(null, 1)
        os.dup2(write_end, 2)
        try:
            os.execvp(argv[0], argv)
        finally:
            os._exit(127)
    os.close(write_end)
    chunks = []
    while True:
        chunk = os.read(read_end, 65536)
        if not chunk:
            break
        chunks.append(chunk)
    _, status, usage = os.wait4(pid, 0)
    wall_ms = (time.monotonic() - started) * 1000
    err = b"".join(chunks).decode("utf-8", "replace")
    line = next((l for l in err.splitlines() if l.startswith("first-frame ")), None)
    if line is None or os.waitstatus_to_exitcode(status) != 0:
        sys.stderr.write("no first frame (status %d); its standard error ends:\n%s\n"
                         % (os.waitstatus_to_exitcode(status), err[-2000:]))
        return 1
    total = (usage.ru_utime + usage.ru_stime) * 1000
    print("wall_ms=%.1f total_cpu_ms=%.1f user_ms=%.1f sys_ms=%.1f %s"
          % (wall_ms, total, usage.ru_utime * 1000, usage.ru_stime * 1000,
             line[len("first-frame "):]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
