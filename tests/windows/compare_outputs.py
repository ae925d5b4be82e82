#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Runs the Linux and the Windows tonvell-cli on the same inputs and compares.

Inputs: the examples, the fuzz seeds, the generated benchmark files (when
make-bench-midi is given) and a few hundred generated MIDI files of format 0
and 1, some cut short. Inputs are converted to standard output as a
listing, a data block, a constant list and an event log (see runs_for); then
all of them, in groups, into a folder of each type (-d). Standard output,
the files written and the exit status must be equal byte for byte, the
messages equal once the Windows path separator is read as '/'.

The Windows runs are batched into one cmd.exe script, so that wine starts
once rather than once per conversion.

Usage: compare_outputs.py LINUX_CLI WINDOWS_CLI_EXE [MAKE_BENCH_MIDI]
Environment: WINE (default wine); WINEPREFIX and WINEDEBUG as set by the
caller.
"""
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
GENERATED = 300
GROUP = 40  # inputs per -d run: the Windows command line holds 32767 characters


def var_len(value):
    groups = [value & 0x7F]
    value >>= 7
    while value:
        groups.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(groups))


def random_track(rng, channels):
    events = bytearray()
    running = None
    for _ in range(rng.randint(0, 400)):
        events += var_len(rng.choice([0, 0, 1, 10, 96, 200, 5000, rng.randint(0, 0x0FFFFFFF)]))
        kind = rng.random()
        if kind < 0.7:
            status = rng.choice([0x80, 0x90, 0x90, 0xA0, 0xB0, 0xE0]) | rng.choice(channels)
            body = bytes([rng.randint(0, 127), rng.randint(0, 127)])
            if status == running and rng.random() < 0.5:
                events += body
            else:
                events += bytes([status]) + body
            running = status
        elif kind < 0.8:
            events += bytes([rng.choice([0xC0, 0xD0]) | rng.choice(channels), rng.randint(0, 127)])
            running = None
        elif kind < 0.88:
            tempo = rng.randint(1, 0xFFFFFF)
            events += b"\xFF\x51\x03" + tempo.to_bytes(3, "big")
        elif kind < 0.95:
            text = bytes(rng.randint(32, 255) for _ in range(rng.randint(0, 20)))
            events += bytes([0xFF, rng.choice([1, 2, 3, 4])]) + var_len(len(text)) + text
        else:
            data = bytes(rng.randint(0, 127) for _ in range(rng.randint(0, 10))) + b"\xF7"
            events += b"\xF0" + var_len(len(data)) + data
            running = None
    events += b"\x00\xFF\x2F\x00"
    return bytes(events)


def random_midi(rng, index):
    fmt = index % 2
    tracks = 1 if fmt == 0 else rng.randint(1, 17)
    division = rng.choice([1, 24, 96, 480, 960, 0x7FFF])
    data = b"MThd" + struct.pack(">IHHH", 6, fmt, tracks, division)
    for t in range(tracks):
        body = random_track(rng, rng.sample(range(16), rng.randint(1, 4)))
        length = len(body)
        if rng.random() < 0.05:
            length += rng.randint(1, 100)  # a chunk that claims more than it has
        data += b"MTrk" + struct.pack(">I", length) + body
    if index % 5 == 4:
        data = data[: rng.randint(0, len(data))]  # cut short
    return data


def collect_inputs(work, make_bench_midi):
    inputs = work / "in"
    inputs.mkdir()
    names = []

    def add(name, data):
        (inputs / name).write_bytes(data)
        names.append("in/" + name)

    for path in sorted((REPO / "examples").glob("*.mid")):
        add("example_" + path.name, path.read_bytes())
    for path in sorted((REPO / "fuzz" / "seeds").iterdir()):
        add("seed_" + path.name, path.read_bytes())
    if make_bench_midi:
        subprocess.run([make_bench_midi, str(inputs / "bench0.mid"), str(inputs / "bench1.mid")],
                       check=True)
        names += ["in/bench0.mid", "in/bench1.mid"]
    rng = random.Random(18)
    for i in range(GENERATED):
        add(f"gen{i:03}_f{i % 2}.mid", random_midi(rng, i))
    add("not_midi.mid", b"RIFF....WAVEfmt ")
    return names


MODES = (["-t", "inc"], ["-t", "zum"], ["-t", "txt"], ["--log"])


def runs_for(names):
    """(argument list, output folder or None) of every run.

    Each wine process costs a good part of a second, so a generated input
    goes to standard output in one mode, taken in turn; the others (examples,
    seeds, benchmark files) in all four. Every input is written in every type
    by the -d runs.
    """
    runs = []
    for i, name in enumerate(names):
        modes = [MODES[i % len(MODES)]] if name.startswith("in/gen") else MODES
        for mode in modes:
            runs.append((mode + [name], None))
    for kind in ("inc", "zum", "txt"):
        for start in range(0, len(names), GROUP):
            folder = f"out_{kind}_{start // GROUP}"
            runs.append((["-t", kind, "-d", folder] + names[start:start + GROUP], folder))
    return runs


def run_linux(cli, work, runs, results):
    for i, (args, _) in enumerate(runs):
        with open(results / f"{i}.out", "wb") as out, open(results / f"{i}.err", "wb") as err:
            status = subprocess.run([cli] + args, cwd=work, stdout=out, stderr=err).returncode
        (results / f"{i}.rc").write_text(f"{status}\n")


def run_windows(exe, work, runs, results):
    wine = os.environ.get("WINE", "wine")
    shutil.copy(exe, work / "tonvell-cli.exe")
    lines = ["@echo off"]
    rel = results.relative_to(work).as_posix().replace("/", "\\")
    for i, (args, _) in enumerate(runs):
        lines.append(f"tonvell-cli.exe {' '.join(args)} >{rel}\\{i}.out 2>{rel}\\{i}.err")
        # The redirection first: "echo 3>file" would redirect handle 3.
        lines.append(f">{rel}\\{i}.rc echo %ERRORLEVEL%")
    (work / "run.bat").write_text("\r\n".join(lines) + "\r\n")
    # The script's own exit status is that of its last conversion; every run
    # leaves its status in a file instead.
    subprocess.run([wine, "cmd", "/c", "run.bat"], cwd=work,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
    missing = [i for i in range(len(runs)) if not (results / f"{i}.rc").exists()]
    if missing:
        sys.exit(f"compare: {len(missing)} Windows runs left no exit status (first: {missing[0]})")


def files_under(folder):
    return {p.relative_to(folder).as_posix(): p.read_bytes()
            for p in sorted(folder.rglob("*")) if p.is_file()}


def compare(work_linux, work_windows, runs):
    problems = []
    for i, (args, folder) in enumerate(runs):
        what = " ".join(args[:4]) + (" ..." if len(args) > 4 else "")
        a = work_linux / "results"
        b = work_windows / "results"
        if (a / f"{i}.rc").read_text().strip() != (b / f"{i}.rc").read_text().strip():
            problems.append(f"{what}: exit status {(a / f'{i}.rc').read_text().strip()} "
                            f"against {(b / f'{i}.rc').read_text().strip()}")
        if (a / f"{i}.out").read_bytes() != (b / f"{i}.out").read_bytes():
            problems.append(f"{what}: standard output differs")
        if (a / f"{i}.err").read_bytes() != (b / f"{i}.err").read_bytes().replace(b"\\", b"/"):
            problems.append(f"{what}: messages differ")
        if folder and files_under(work_linux / folder) != files_under(work_windows / folder):
            problems.append(f"{what}: files written in {folder} differ")
    return problems


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    linux_cli = Path(sys.argv[1]).resolve()
    windows_exe = Path(sys.argv[2]).resolve()
    make_bench_midi = Path(sys.argv[3]).resolve() if len(sys.argv) == 4 else None
    with tempfile.TemporaryDirectory(prefix="tonvell-compare-") as temp:
        work_linux = Path(temp) / "linux"
        work_linux.mkdir()
        names = collect_inputs(work_linux, make_bench_midi)
        work_windows = Path(temp) / "windows"
        shutil.copytree(work_linux, work_windows)
        runs = runs_for(names)
        for work in (work_linux, work_windows):
            (work / "results").mkdir()
        run_linux(linux_cli, work_linux, runs, work_linux / "results")
        run_windows(windows_exe, work_windows, runs, work_windows / "results")
        problems = compare(work_linux, work_windows, runs)
        statuses = sorted({(work_linux / "results" / f"{i}.rc").read_text().strip()
                           for i in range(len(runs))})
        written = sum(len(files_under(work_linux / folder)) for _, folder in runs if folder)
        output = sum((work_linux / "results" / f"{i}.out").stat().st_size for i in range(len(runs)))
        print(f"compare: {len(names)} inputs, {len(runs)} runs on each system "
              f"(exit statuses seen: {', '.join(statuses)}; {output} bytes of standard output, "
              f"{written} files written); {len(problems)} differences")
        for problem in problems[:50]:
            print("  " + problem)
        return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
