#!/usr/bin/env python3
"""A 64-step current sweep of channel A through PyVISA (pyvisa-py), as a lab script would
do it: each step written and its completion awaited (*OPC?) before the next.

    pyvisa_sweep.py RESOURCE    (TCPIP::127.0.0.1::5025::SOCKET, TCPIP::127.0.0.1::INSTR)

Prints the milliseconds from the connection to the first answer, then those of the sweep."""
import sys
import time

import pyvisa

started = time.perf_counter()
board = pyvisa.ResourceManager("@py").open_resource(sys.argv[1], read_termination="\n", write_termination="\n")
board.timeout = 10000
if board.query("LED A1;*OPC?") != "1":
    sys.exit("no answer to LED A1;*OPC?")
print(f"{(time.perf_counter() - started) * 1000:.1f}")
started = time.perf_counter()
for code in range(64):
    if board.query(f"CURR:A:CODE {code};*OPC?") != "1":
        sys.exit(f"no answer to CURR:A:CODE {code};*OPC?")
print(f"{(time.perf_counter() - started) * 1000:.1f}")
if board.query("SYST:ERR?") != '0,"No error"':
    sys.exit("the sweep left an error")
board.close()
