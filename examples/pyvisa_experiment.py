#!/usr/bin/env python3
"""A whole small experiment on the shutter controller from Python, through
PyVISA's raw-socket resource, as lab frameworks speak to instruments.

Start the server first, on the panel's machine:

    ferrule-ctl serve --listen 127.0.0.1:5025
    (or: ferrule --serve 127.0.0.1:5025, to share the controller with the panel)

then run:  python3 pyvisa_experiment.py [--port 5025] [--cycles 5]

It identifies the controller, sets the closed and exposure times, runs the
cycles and waits for their end, and reads the status back. Every request
gets exactly one reply line: a JSON object, or {"error": ...}.
"""
import argparse
import json
import sys

import pyvisa


def ask(instrument, line):
    """One command, one reply line; a refused or unanswered command stops the run."""
    reply = instrument.query(line)
    if reply.startswith("{"):
        value = json.loads(reply)
        if "error" in value:
            raise RuntimeError(f"{line}: {value['error']}")
        return value
    return reply


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=5025)
    parser.add_argument("--cycles", type=int, default=5)
    args = parser.parse_args()

    # The pure-Python back end: no vendor VISA library needed.
    resources = pyvisa.ResourceManager("@py")
    instrument = resources.open_resource(f"TCPIP::{args.host}::{args.port}::SOCKET")
    instrument.read_termination = "\n"
    instrument.write_termination = "\n"
    # A run is waited for to its end: allow for it beyond the reply time-out.
    instrument.timeout = 60000

    try:
        print("identity:", ask(instrument, "*IDN?"))
        ask(instrument, "mode fast")
        ask(instrument, "timer closed 0:0:0:200:0")
        ask(instrument, "timer exposure 0:0:0:100:0")
        ask(instrument, f"repeat {args.cycles}")
        run = ask(instrument, "run go --wait")
        print(f"run: {run['run']} after {run['cycles']} cycles")
        status = ask(instrument, "status")
        print(f"status: shutter {status['shutter']}, mode {status['mode']}, "
              f"closed {status['closed_ms']} ms, exposure {status['exposure_ms']} ms, "
              f"cycle {status['cycle_ms']} ms, repeat {status['repeat']}")
    except RuntimeError as problem:
        print(f"error: {problem}", file=sys.stderr)
        return 1
    finally:
        instrument.close()
        resources.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
