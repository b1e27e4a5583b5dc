#!/usr/bin/python3
"""Runs scenc serve on the carried scenario and follows its page in headless Chromium.

Run by CTest. Writes the carried texts with the scenc under test (example), starts
`scenc serve` on a free port and checks: a request with a foreign Host header gets 403 and the
server cannot be reached on the machine's other addresses; a second server on the same port
ends with one line and status 2; in the open page, zoomed to km 99..101, a changed departure
in the train text shows within 2 s at the same zoom and place, and in the timetable panel; a broken row shows its error
with its line in the diagnostics panel within 2 s while the last clean view stays; the fix,
saved by writing a new file and renaming it over the old, takes the panel away; a train text
that disappears is shown and picked up again when it returns. SIGINT and SIGTERM end the
server at once with status 0.

A missing Chromium, chromedriver or Selenium is a failure, not a skip.

Usage: serve_browser_test.py --scenc PATH --work DIR
"""
import argparse
import http.client
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "review"))
from view_browser_test import STEM, TRAIN, check, failures, require_tools, start_browser  # noqa: E402

# Seconds a save may take to show in the page: 2 on a machine with a core to spare, longer in
# proportion when every core is busy with other work (a build or fuzzers beside the test).
WITHIN = 2.0 * max(1.0, os.getloadavg()[0] / (os.cpu_count() or 1))


def start_server(program, work, *arguments):
    server = subprocess.Popen([os.path.abspath(program), "serve", *map(str, arguments)], cwd=work,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    line = server.stdout.readline()
    found = re.search(r"http://127\.0\.0\.1:(\d+)/", line)
    if not found:
        server.kill()
        sys.exit(f"scenc serve did not start: {line!r} {server.stderr.read()!r}")
    return server, int(found.group(1))


def status_of(port, path, host, address="127.0.0.1"):
    connection = http.client.HTTPConnection(address, port, timeout=5)
    connection.request("GET", path, headers={"Host": host})
    status = connection.getresponse().status
    connection.close()
    return status


def other_addresses():
    """This machine's IPv4 addresses other than the loopback ones."""
    result = subprocess.run(["hostname", "-I"], capture_output=True, text=True)
    return [a for a in result.stdout.split() if "." in a and not a.startswith("127.")]


def check_requests(program, work, port):
    check(status_of(port, "/", f"localhost:{port}") == 200, "the page answers for localhost")
    check(status_of(port, "/", f"attacker.example:{port}") == 403,
          "a request with a foreign Host header gets 403")
    check(status_of(port, "/texts/", f"127.0.0.1:{port}") == 404, "other paths are not served")
    for address in other_addresses():
        try:
            status_of(port, "/", f"localhost:{port}", address)
            check(False, f"not reachable on {address}")
        except OSError:
            check(True, f"not reachable on {address}")
    texts = work / "texts"
    second = subprocess.run([os.path.abspath(program), "serve", texts / f"{STEM}_linea.txt",
                             texts / f"{STEM}_{TRAIN}-.txt", "--port", str(port)], cwd=work,
                            capture_output=True, text=True, timeout=10)
    check(second.returncode == 2 and second.stderr.count("\n") == 1 and
          "in use" in second.stderr and second.stdout == "",
          f"a port in use is one line and status 2 ({second.returncode}, {second.stderr!r})")


def wait_for(driver, script, what):
    """Waits up to WITHIN seconds for the script to return true; returns the seconds taken."""
    started = time.monotonic()
    while time.monotonic() - started < WITHIN:
        if driver.execute_script(script):
            taken = time.monotonic() - started
            check(True, f"{what} ({taken:.2f} s)")
            return taken
        time.sleep(0.02)
    check(False, f"{what} within {WITHIN} s")
    return None


def write_by_rename(path, text):
    fresh = path.with_name("." + path.name + ".new")
    fresh.write_text(text, encoding="latin-1", newline="")
    os.replace(fresh, path)


def shows_departure(time_text):
    """A script expression: the first station's departure is that time."""
    return f"window.scenarioView.data.stations[0].l.some(l => l[1] === '{time_text}')"


def place(driver):
    return driver.execute_script("return [window.scenarioView.from, window.scenarioView.to];")


def check_following(driver, train_path):
    """Edits the train text on disk and watches the page follow."""
    original = train_path.read_text(encoding="latin-1")
    lines = original.splitlines(keepends=True)
    row = next(i for i, line in enumerate(lines) if "BRENZOLA CENTRALE" in line)
    driver.execute_script("window.scenarioView.show(99000, 101000);")
    zoomed = place(driver)

    edited = lines.copy()
    edited[row] = re.sub(r"10,\s*50,", "10,55,", lines[row])
    check(edited[row] != lines[row], "the departure row can be edited")
    train_path.write_text("".join(edited), encoding="latin-1", newline="")
    wait_for(driver, "return " + shows_departure("10:55:00"), "a changed departure shows in the page")
    check(place(driver) == zoomed, f"the page keeps its zoom and place ({place(driver)})")
    first = driver.execute_script("return window.scenarioView.timetableTimes[0];")
    check(first == 10 * 3600 + 55 * 60,
          f"the timetable panel redraws with the changed departure first ({first} s)")

    broken = edited.copy()
    broken[row] = "stazione, 8500, x\r\n"
    train_path.write_text("".join(broken), encoding="latin-1", newline="")
    name = f"texts/{train_path.name}:{row + 1}:"
    wait_for(driver, "const p = document.getElementById('problems');"
             f" return !p.hidden && p.textContent.includes('{name}');",
             f"a broken row shows in the diagnostics panel as {name}...")
    problems = driver.find_element("id", "problems").text
    check(": error: " in problems, f"the panel gives the check's reason ({problems!r})")
    check(driver.execute_script("return " + shows_departure("10:55:00")) and place(driver) == zoomed,
          "the last clean view stays, at the same place")

    fixed = edited.copy()
    fixed[row] = re.sub(r"10,\s*50,", "10,56,", lines[row])
    write_by_rename(train_path, "".join(fixed))
    wait_for(driver, "return document.getElementById('problems').hidden && "
             + shows_departure("10:56:00"),
             "the fix saved by rename takes the panel away and shows in the view")
    check(place(driver) == zoomed, "still at the same place")

    train_path.unlink()
    wait_for(driver, "const p = document.getElementById('problems');"
             " return !p.hidden && p.textContent.includes('no such file');",
             "a train text that disappears is shown")
    train_path.write_text("".join(fixed), encoding="latin-1", newline="")
    wait_for(driver, "return document.getElementById('problems').hidden && "
             + shows_departure("10:56:00"),
             "and picked up again when it returns")


def check_hover(driver):
    """The timetable as the author reads it: hovering the first station shows the new time."""
    from selenium.webdriver.common.action_chains import ActionChains
    driver.execute_script("window.scenarioView.show(0, 20000);")
    canvas = driver.find_element("id", "view")
    x, y = driver.execute_script(
        "const v = window.scenarioView; return [v.xOfMetre(v.data.stations[0].p),"
        " v.laneY('stations')];")
    ActionChains(driver).move_to_element_with_offset(
        canvas, x - canvas.size["width"] / 2, y - canvas.size["height"] / 2).perform()
    tip = driver.find_element("id", "tip")
    text = tip.text if tip.is_displayed() else ""
    check("BRENZOLA CENTRALE" in text and "10:56:00" in text,
          f"hovering the first station shows the saved departure ({text!r})")


def check_ending(server, how):
    started = time.monotonic()
    server.send_signal(how)
    try:
        status = server.wait(timeout=5)
    except subprocess.TimeoutExpired:
        server.kill()
        status = None
    taken = time.monotonic() - started
    check(status == 0 and taken < 1, f"{how.name} ends it with status 0 at once "
          f"(status {status}, {taken:.2f} s)")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scenc", required=True)
    parser.add_argument("--work", required=True, type=Path)
    args = parser.parse_args()
    work = args.work.resolve()
    require_tools()
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    subprocess.run([os.path.abspath(args.scenc), "example", "texts"], cwd=work, check=True,
                   capture_output=True)
    route = Path("texts") / f"{STEM}_linea.txt"
    train = Path("texts") / f"{STEM}_{TRAIN}-.txt"

    server, port = start_server(args.scenc, work, route, train, "--port", "0")
    try:
        check_requests(args.scenc, work, port)
        with tempfile.TemporaryDirectory(prefix="serve-chromium-") as profile:
            driver = start_browser(profile)
            try:
                driver.get(f"http://localhost:{port}/")
                wait_for(driver, "const v = window.scenarioView;"
                         " return v.redraws > 0 && v.live !== null;",
                         "the page opens and hears the server")
                check_following(driver, work / train)
                check_hover(driver)
                check(driver.execute_script(
                    "return performance.getEntriesByType('resource')"
                    ".every(e => e.name.startsWith(location.origin));"),
                    "the page fetches nothing but from its server")
            finally:
                driver.quit()
        check_ending(server, signal.SIGINT)
        other, _ = start_server(args.scenc, work, route, train, "--port", "0")
        check_ending(other, signal.SIGTERM)
    finally:
        if server.poll() is None:
            server.kill()
    if failures:
        sys.exit(f"{len(failures)} check(s) failed")


if __name__ == "__main__":
    main()
