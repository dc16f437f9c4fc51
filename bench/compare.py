#!/usr/bin/env python3
"""Times commands interleaved, for A/B figures on a shared, noisy machine.

    bench/compare.py RUNS NAME=COMMAND [NAME=COMMAND ...]

Each round runs every command once, the order rotated from round to round so that no command
always follows the same one; one warm-up round is not counted. Prints, per command, the median,
minimum and maximum wall time and the median CPU time (user + system of the process and its
threads), and the range of the 1-minute load average over the pass.
"""
import os
import resource
import statistics
import subprocess
import sys
import time


def main():
    if len(sys.argv) < 3:
        print(__doc__.strip())
        return 2
    runs = int(sys.argv[1])
    commands = [arg.split("=", 1) for arg in sys.argv[2:]]
    results = {name: [] for name, _ in commands}
    loads = []
    for r in range(runs + 1):
        shift = r % len(commands)
        for name, command in commands[shift:] + commands[:shift]:
            before = resource.getrusage(resource.RUSAGE_CHILDREN)
            start = time.perf_counter()
            subprocess.run(command, shell=True, check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            wall = time.perf_counter() - start
            after = resource.getrusage(resource.RUSAGE_CHILDREN)
            cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
            if r > 0:
                results[name].append((wall, cpu))
        loads.append(os.getloadavg()[0])
    width = max(len(name) for name in results)
    for name, samples in results.items():
        walls = [s[0] for s in samples]
        cpus = [s[1] for s in samples]
        print(f"{name:{width}s}  wall median {statistics.median(walls):.4f} s "
              f"[{min(walls):.4f}-{max(walls):.4f}]  CPU median {statistics.median(cpus):.4f} s")
    print(f"load over the pass: {min(loads):.2f} .. {max(loads):.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
