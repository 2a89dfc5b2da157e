#!/usr/bin/env python3
"""Runs every test CTest registers in a Windows cross build under Wine, one at a time.

    run-wine-tests.py BUILD_DIR RESULTS_DIR

The tests and their commands, environments, working folders, time limits and pass rules
(WILL_FAIL, PASS_/FAIL_REGULAR_EXPRESSION) come from `ctest --show-only=json-v1`. A Qt
Test program (one that imports Qt6Test.dll) writes its results to RESULTS_DIR/NAME.txt
with `-o FILE,txt`, which is printed after it ran. Wine, the X server and the DLL path
are the caller's (scripts/test-windows.sh sets them up). The platform plugin is the
caller's QT_QPA_PLATFORM, default windows: Qt for Windows has no offscreen plugin.

Each test gets its CTest time limit, at most LDX_WINE_TEST_LIMIT seconds (default 180).
Ends with a table of every test, its result and time, then "N passed, N failed";
exits with 1 when any test failed.
"""
import json
import os
import re
import signal
import subprocess
import sys
import time
from pathlib import Path

# Wine does not implement this Windows 10 call; Qt reports it for every window it makes.
WINE_ONLY_NOISE = re.compile(r"EnableNonClientDpiScaling\(\) failed")


def properties_of(test):
    return {p["name"]: p["value"] for p in test.get("properties", [])}


def is_qt_test(program):
    dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", program],
                          capture_output=True, text=True, check=False).stdout
    return re.search(r"DLL Name: Qt6Test\.dll", dump, re.IGNORECASE) is not None


def windows_path(path):
    # Wine's Z: drive is the Unix root.
    return "Z:" + str(path.resolve())


def run_one(test, results, limit_cap):
    name = test["name"]
    props = properties_of(test)
    command = list(test["command"])
    result_file = results / f"{name}.txt"
    qt_test = is_qt_test(command[0])
    if qt_test:
        result_file.unlink(missing_ok=True)
        command += ["-o", windows_path(result_file) + ",txt"]

    env = dict(os.environ)
    for assignment in props.get("ENVIRONMENT", []):
        key, _, value = assignment.partition("=")
        env[key] = value
    env["QT_QPA_PLATFORM"] = os.environ.get("QT_QPA_PLATFORM", "windows")
    limit = min(float(props.get("TIMEOUT", limit_cap)) or limit_cap, limit_cap)

    # Output goes to a file, not a pipe: a Wine process that outlives the test could hold
    # a pipe open.
    output_file = results / f"{name}.out"
    started = time.monotonic()
    with open(output_file, "wb") as sink:
        process = subprocess.Popen(["wine"] + command, cwd=props.get("WORKING_DIRECTORY", None), env=env,
                                   stdout=sink, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                   start_new_session=True)
        timed_out = False
        try:
            process.wait(timeout=limit)
        except subprocess.TimeoutExpired:
            timed_out = True
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            subprocess.run(["wineserver", "-k"], check=False)
    seconds = time.monotonic() - started
    output = output_file.read_bytes().decode("utf-8", "replace").replace("\r\n", "\n")

    if timed_out:
        passed, why = False, f"not finished within {limit:.0f} s"
    elif "PASS_REGULAR_EXPRESSION" in props:
        passed = any(re.search(p, output, re.MULTILINE) for p in props["PASS_REGULAR_EXPRESSION"])
        why = "" if passed else "output matches no PASS_REGULAR_EXPRESSION"
    else:
        passed, why = process.returncode == 0, f"exit code {process.returncode}"
    if not timed_out and any(re.search(p, output, re.MULTILINE) for p in props.get("FAIL_REGULAR_EXPRESSION", [])):
        passed, why = False, "output matches a FAIL_REGULAR_EXPRESSION"
    if props.get("WILL_FAIL") and not timed_out:
        passed, why = not passed, "expected to fail, but passed"

    print(f"=== {name}: wine {' '.join(command)}", flush=True)
    shown = output
    if qt_test and result_file.exists():
        shown = result_file.read_text(encoding="utf-8", errors="replace")
    lines = shown.splitlines()
    noise = [line for line in lines if WINE_ONLY_NOISE.search(line)]
    for line in lines:
        if not WINE_ONLY_NOISE.search(line):
            print(line)
    if noise:
        print(f"({len(noise)} lines of Qt's 'EnableNonClientDpiScaling() failed' left out: Wine lacks that call)")
    totals = ""
    match = re.search(r"^Totals: (\d+) passed, (\d+) failed, (\d+) skipped", shown, re.MULTILINE)
    if match:
        totals = f"{match.group(1)} passed, {match.group(2)} failed, {match.group(3)} skipped"
    elif qt_test and not timed_out:
        passed, why = False, why + "; no Qt Test totals written"
    verdict = "PASS" if passed else f"FAIL ({why})"
    print(f"--- {name}: {verdict} in {seconds:.1f} s\n", flush=True)
    return name, passed, verdict, seconds, totals


def main():
    build, results = Path(sys.argv[1]).resolve(), Path(sys.argv[2]).resolve()
    results.mkdir(parents=True, exist_ok=True)
    limit_cap = float(os.environ.get("LDX_WINE_TEST_LIMIT", "180"))
    listing = subprocess.run(["ctest", "--show-only=json-v1"], cwd=build, capture_output=True, text=True, check=True)
    tests = json.loads(listing.stdout)["tests"]
    if not tests:
        print(f"No tests registered in {build}")
        return 1

    outcomes = [run_one(test, results, limit_cap) for test in tests]

    width = max(len(name) for name, *_ in outcomes)
    print("Windows tests under Wine:")
    for name, _, verdict, seconds, totals in outcomes:
        print(f"  {name:<{width}}  {seconds:6.1f} s  {verdict}" + (f"  [{totals}]" if totals else ""))
    failed = sum(1 for _, passed, *_ in outcomes if not passed)
    print(f"{len(outcomes) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
