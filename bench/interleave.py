#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Times commands side by side: every round runs each command once, in a
shuffled order, with standard output and standard error to /dev/null, so that
other work on a shared machine falls on all of them alike. Prints a table of
wall times and each command's ratio to its base (medians), writes it to
SUMMARY, and exits 1 when a ratio is above its limit. A command's base is the
last command unless it names another after "@".

  interleave.py ROUNDS SUMMARY NAME[=LIMIT[@BASE]]:COMMAND... NAME:COMMAND(the base)
"""
import os
import random
import shlex
import shutil
import statistics
import sys
import time


def run_once(argv, devnull):
    start = time.perf_counter()
    pid = os.posix_spawn(argv[0], argv, os.environ,
                         file_actions=[(os.POSIX_SPAWN_DUP2, devnull, 1),
                                       (os.POSIX_SPAWN_DUP2, devnull, 2)])
    _, status = os.waitpid(pid, 0)
    elapsed = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"bench: {' '.join(argv)} failed")
    return elapsed


def main():
    rounds, summary = int(sys.argv[1]), sys.argv[2]
    commands = []  # (name, limit or None, argv)
    bases = {}
    for spec in sys.argv[3:]:
        head, command = spec.split(":", 1)
        name, _, limit = head.partition("=")
        limit, _, base = limit.partition("@")
        if base:
            bases[name] = base
        argv = shlex.split(command)
        program = shutil.which(argv[0])
        if not program:
            sys.exit(f"bench: {argv[0]} not found")
        argv[0] = program
        commands.append((name, float(limit) if limit else None, argv))
    devnull = os.open(os.devnull, os.O_WRONLY)
    times = {name: [] for name, _, _ in commands}
    for _ in range(3):  # warm-up: caches and the file in memory
        for name, _, argv in commands:
            run_once(argv, devnull)
    for _ in range(rounds):
        order = list(commands)
        random.shuffle(order)
        for name, _, argv in order:
            times[name].append(run_once(argv, devnull))

    last = commands[-1][0]

    def base_of(name):
        return bases.get(name, last)

    def ratio(name):
        return statistics.median(times[name]) / statistics.median(times[base_of(name)])

    lines = ["| Command | Median [ms] | Mean [ms] | Min [ms] | Runs | Ratio | Base |",
             "|:---|---:|---:|---:|---:|---:|:---|"]
    for name, _, _ in commands:
        t = times[name]
        lines.append(f"| `{name}` | {statistics.median(t) * 1e3:.2f} | "
                     f"{statistics.mean(t) * 1e3:.2f} | {min(t) * 1e3:.2f} | {len(t)} | "
                     f"{ratio(name):.2f} | `{base_of(name)}` |")
    table = "\n".join(lines)
    with open(summary, "w", encoding="utf-8") as f:
        f.write(table + "\n")
    print(table)
    print()
    ok = True
    for name, limit, _ in commands:
        if limit is None:
            continue
        r = ratio(name)
        ok = ok and r <= limit
        print(f"{name} / {base_of(name)}: {r:.2f} (medians), target <= {limit}: "
              f"{'ok' if r <= limit else 'MISSED'}")
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
