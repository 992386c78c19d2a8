#!/usr/bin/env python3
"""Runs examples/pyvisa_experiment.py against `ferrule-ctl serve --driver sim`
on a port the system chooses, and checks what it printed."""
import os
import re
import subprocess
import sys
import tempfile


def main():
    ctl, example = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as folder:
        server = subprocess.Popen(
            [ctl, "serve", "--driver", "sim", "--index", "0",
             "--socket", os.path.join(folder, "ferrule.sock"), "--listen", "127.0.0.1:0"],
            stdout=subprocess.PIPE, text=True)
        try:
            port = None
            for _ in range(5):
                line = server.stdout.readline()
                found = re.match(r"listening on tcp:127\.0\.0\.1:(\d+)", line)
                if found:
                    port = found.group(1)
                    break
            if port is None:
                print("the server did not say where it listens", file=sys.stderr)
                return 1
            run = subprocess.run([sys.executable, example, "--port", port, "--cycles", "5"],
                                 capture_output=True, text=True, timeout=120)
            print(run.stdout, end="")
            print(run.stderr, end="", file=sys.stderr)
            expected = [
                r"^identity: Ferrule,Quillon Shutter Controller,QSC00001,[0-9.]+$",
                r"^run: ended after 5 cycles$",
                r"^status: shutter closed, mode fast, closed 200\.0 ms, exposure 100\.0 ms, "
                r"cycle 324\.0 ms, repeat 5$",
            ]
            lines = run.stdout.splitlines()
            if run.returncode != 0 or len(lines) != len(expected) or not all(
                    re.match(pattern, line) for pattern, line in zip(expected, lines)):
                print(f"unexpected output (exit {run.returncode})", file=sys.stderr)
                return 1
            return 0
        finally:
            server.terminate()
            if server.wait(timeout=20) != 0:
                print(f"the server ended with {server.returncode}", file=sys.stderr)
                return 1


if __name__ == "__main__":
    sys.exit(main())
