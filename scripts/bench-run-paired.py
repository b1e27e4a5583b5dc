#!/usr/bin/env python3
"""Times the package program against the floor and least_work in interleaved triples, so that
all three see the same load: each round runs the three in turn (the order rotating from round to
round), each in a fresh folder made before its clock starts. Wall time is taken around the
process's start and end. After each round the program runs once more, untimed, under
/usr/bin/time for its peak resident memory: a process started from this script would report
the script's own peak, which the kernel carries across exec.

Prints each command's median, the medians of the paired ratios run/least_work and run/floor,
and the program's peak resident memory; exits 1 when the run is above RATIO_TARGET times
least_work or its peak memory reaches PEAK_MB_TARGET (10^6 bytes).

Usage: bench-run-paired.py PROGRAM LEAST_WORK REFERENCE_FOLDER WORK_FOLDER [ROUNDS]"""
import os
import shutil
import statistics
import sys
import time

RATIO_TARGET = 1.5
PEAK_MB_TARGET = 8.0

program, least_work, reference, work = sys.argv[1:5]
rounds = int(sys.argv[5]) if len(sys.argv) > 5 else 60
files = [
    "Brenzola_Tessalto_917_note.txt", "Brenzola_Tessalto_917_rallentamenti.txt",
    "Brenzola_Tessalto_917_scheda_treno.txt", "Brenzola_Tessalto_linea.dat",
    "Brenzola_Tessalto_917.sim", "Brenzola_Tessalto_917.dat",
]
sources = [os.path.join(reference, name) for name in files]
cp = shutil.which("cp")
env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}  # headless


def fresh(name):
    folder = os.path.join(work, name)
    shutil.rmtree(folder, ignore_errors=True)
    os.mkdir(folder)
    return folder


def prepare_run():
    folder = fresh("run")
    shutil.copy(program, folder)
    return [os.path.join(folder, os.path.basename(program))]


def prepare_floor():
    return [cp, *sources, fresh("floor") + "/"]


def prepare_least():
    return [least_work, os.path.join(fresh("least"), "plan.dat")]


commands = {"run": prepare_run, "floor": prepare_floor, "least": prepare_least}


quiet = [(os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0), (os.POSIX_SPAWN_DUP2, 1, 2)]


def timed(argv):
    """Wall seconds of one process."""
    start = time.perf_counter()
    pid = os.posix_spawn(argv[0], argv, env, file_actions=quiet)
    _, status = os.waitpid(pid, 0)
    elapsed = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{argv[0]} failed with status {status}")
    return elapsed


def peak_resident_kib():
    """The program's peak resident memory in one more run, as /usr/bin/time reports it."""
    report = os.path.join(work, "rss")
    timed(["/usr/bin/time", "-f", "%M", "-o", report, *prepare_run()])
    with open(report) as lines:
        return int(lines.read().split()[-1])


names = list(commands)
for warmup in range(5):
    for name in names:
        timed(commands[name]())
times = {name: [] for name in names}
peak_kib = 0
for round_index in range(rounds):
    order = names[round_index % 3:] + names[:round_index % 3]
    for name in order:
        times[name].append(timed(commands[name]()))
    peak_kib = max(peak_kib, peak_resident_kib())

median = {name: statistics.median(values) for name, values in times.items()}
to_least = statistics.median(r / l for r, l in zip(times["run"], times["least"]))
to_floor = statistics.median(r / f for r, f in zip(times["run"], times["floor"]))
peak_mb = peak_kib * 1024 / 1e6
print(f"Rounds: {rounds} (each runs the three once, in rotating order)")
print(f"Package program: median {median['run'] * 1000:.2f} ms")
print(f"Floor (copy the six files): median {median['floor'] * 1000:.2f} ms")
print(f"Least work (integrate and write the plan only): median {median['least'] * 1000:.2f} ms")
print(f"Paired ratio run/least_work: median {to_least:.2f} (target <= {RATIO_TARGET})")
print(f"Paired ratio run/floor: median {to_floor:.2f}")
print(f"Peak resident memory of the program: {peak_mb:.1f} MB ({peak_kib} KiB; "
      f"target < {PEAK_MB_TARGET:.0f} MB)")
sys.exit(0 if to_least <= RATIO_TARGET and peak_mb < PEAK_MB_TARGET else 1)
