#!/usr/bin/env python3
# Times the six renames that replace a three-file set (the window in which the names show no
# whole set), as the writer does them, on the file system of the current folder.
import os, time, statistics
names = ["a_linea.dat", "a_1.sim", "a_1.dat"]
for n in names:
    open(n, "wb").write(b"x" * 1000)
samples = []
for _ in range(2000):
    for n in names:
        open("." + n + ".new", "wb").write(b"y")
    start = time.perf_counter()
    for n in names:
        os.rename(n, "." + n + ".previous")
    for n in names:
        os.rename("." + n + ".new", n)
    samples.append(time.perf_counter() - start)
    for n in names:
        os.unlink("." + n + ".previous")
samples.sort()
print("median %.1f us, 99th percentile %.1f us, max %.1f us" % (
    statistics.median(samples) * 1e6, samples[int(len(samples) * 0.99)] * 1e6, samples[-1] * 1e6))
