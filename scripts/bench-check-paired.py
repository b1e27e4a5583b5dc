#!/usr/bin/env python3
"""Times `scenc check` of two builds side by side on the same texts: the two programs run
alternately, in turn first, so that both see the same load; prints both medians and the
median of the paired ratios. Usage: bench-check-paired.py OLD_SCENC NEW_SCENC ROUTE TRAIN [RUNS]"""
import statistics
import subprocess
import sys
import time

old, new, route, train = sys.argv[1:5]
runs = int(sys.argv[5]) if len(sys.argv) > 5 else 400


def run(program):
    start = time.perf_counter()
    subprocess.run([program, "check", route, train], stdout=subprocess.DEVNULL, check=True)
    return time.perf_counter() - start


for _ in range(20):
    run(old)
    run(new)
old_times, new_times = [], []
for i in range(runs):
    pair = (old, new) if i % 2 == 0 else (new, old)
    times = {program: run(program) for program in pair}
    old_times.append(times[old])
    new_times.append(times[new])
old_median = statistics.median(old_times)
new_median = statistics.median(new_times)
ratio = statistics.median(n / o for o, n in zip(old_times, new_times))
print(f"old median {old_median * 1000:.1f} ms, new median {new_median * 1000:.1f} ms, "
      f"median paired ratio {ratio:.3f}")
