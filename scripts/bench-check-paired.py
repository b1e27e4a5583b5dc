#!/usr/bin/env python3
"""Times `scenc check` of two builds side by side on the same texts: the two programs run
alternately, in turn first, so that both see the same load; prints both medians and the
median of the paired ratios. Usage: bench-check-paired.py OLD_SCENC NEW_SCENC ROUTE TRAIN [RUNS]

With --texts, times one build on two pairs of texts in the same way, e.g. a text of thousands
of warnings against the carried pair:
bench-check-paired.py --texts SCENC ROUTE TRAIN OTHER_ROUTE OTHER_TRAIN [RUNS]"""
import statistics
import subprocess
import sys
import time

if sys.argv[1] == "--texts":
    program, route, train, other_route, other_train = sys.argv[2:7]
    rest = sys.argv[7:]
    old = (program, route, train)
    new = (program, other_route, other_train)
    names = ("first pair", "second pair")
else:
    old_program, new_program, route, train = sys.argv[1:5]
    rest = sys.argv[5:]
    old = (old_program, route, train)
    new = (new_program, route, train)
    names = ("old", "new")
runs = int(rest[0]) if rest else 400


def run(command):
    program, route_text, train_text = command
    start = time.perf_counter()
    subprocess.run([program, "check", route_text, train_text], stdout=subprocess.DEVNULL,
                   check=True)
    return time.perf_counter() - start


for _ in range(20):
    run(old)
    run(new)
old_times, new_times = [], []
for i in range(runs):
    first_new = i % 2 == 1
    if first_new:
        new_times.append(run(new))
        old_times.append(run(old))
    else:
        old_times.append(run(old))
        new_times.append(run(new))
old_median = statistics.median(old_times)
new_median = statistics.median(new_times)
ratio = statistics.median(n / o for o, n in zip(old_times, new_times))
print(f"{names[0]} median {old_median * 1000:.1f} ms, {names[1]} median "
      f"{new_median * 1000:.1f} ms, median paired ratio {ratio:.3f}")
