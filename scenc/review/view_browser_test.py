#!/usr/bin/python3
"""Opens scenc view's page of the carried scenario in headless Chromium and checks it.

Run by CTest. Builds the carried scenario with the scenc under test (example, compile,
view --texts), reads what the compiled files hold with `scenc dump --json`, and checks on
the page: it opens within a second and fetches nothing; it shows every station and signal;
zoomed by the wheel to the 2 km around km 100 it counts exactly the compiled features of
that stretch; every zoom step redraws within 50 ms; hovering the first station shows its
name, its departure time and the train text's line, and in the zoomed window the signal at
km 100.7 its own; keys and dragging move the view; a station name or a km typed into the
search box brings it into the middle of the view; keys sent to the page's body zoom, keys
typed into the search box do not; the timetable panel draws one point per
timed station; a set compiled without its plan opens too; station names that hold markup, a
comment opener before a script tag, quotes or control bytes run nothing and leave the page's
script working. It saves a screenshot of the whole line
and one of the zoomed window (the README shows copies of them from docs/).

A missing Chromium, chromedriver or Selenium is a failure, not a skip.

Usage: view_browser_test.py --scenc PATH --work DIR [--screenshots DIR]
"""
import argparse
import importlib.util
import json
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
STEM, TRAIN = "Brenzola_Tessalto", "917"
WINDOW = (99000, 101000)  # the 2 km around km 100, in metres

failures = []


def check(condition, what):
    print(("ok    " if condition else "FAIL  ") + what, flush=True)
    if not condition:
        failures.append(what)


def require_tools():
    missing = [tool for tool in (CHROMIUM, CHROMEDRIVER) if not os.access(tool, os.X_OK)]
    if importlib.util.find_spec("selenium") is None:
        missing.append("python3-selenium")
    if missing:
        sys.exit("view browser test: missing " + ", ".join(missing) +
                 " (scripts/install-dependencies.sh installs them)")


def scenc(program, work, *arguments):
    # Run inside the work folder, so that the page names the texts as texts/NAME:LINE.
    result = subprocess.run([os.path.abspath(program), *map(str, arguments)], cwd=work,
                            capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"scenc {arguments[0]} failed ({result.returncode}):\n{result.stdout}{result.stderr}")
    return result.stdout


def build_page(program, work):
    texts = Path("texts")
    scenc(program, work, "example", texts)
    route, train = texts / f"{STEM}_linea.txt", texts / f"{STEM}_{TRAIN}-.txt"
    compiled = Path("compiled")
    scenc(program, work, "compile", route, train, "-o", compiled)
    scenc(program, work, "view", compiled, "-o", "view.html", "--texts", route, train)
    records = json.loads(scenc(program, work, "dump", "--json",
                               compiled / f"{STEM}_{TRAIN}.sim"))[0]
    cells = json.loads(scenc(program, work, "dump", "--json", compiled / f"{STEM}_{TRAIN}.dat"))[0]
    return work / "view.html", train, records["records"], cells["cells"]


def expected_counts(records, cells, low, high):
    """What the compiled files hold between two metres, counted as the page promises."""
    def cells_of(*kinds):
        return sum(1 for c in cells if c["kind"] in kinds and low <= c["metre"] <= high)
    return {
        "stations": sum(1 for r in records
                        if r["role"] == "station" and low <= r["position"] <= high),
        "signals": cells_of(1),
        "stopCells": cells_of(10),
        "slowdownCells": cells_of(2, 3, 4, 5),
        "boards": cells_of(6, 14),
        "codeChanges": cells_of(12, 13),
    }


def start_browser(profile):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                 "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--disable-dev-shm-usage",
                 "--window-size=1600,1000", f"--user-data-dir={profile}"):
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service(executable_path=CHROMEDRIVER), options=options)


def view_state(driver):
    return driver.execute_script(
        "const v = window.scenarioView; return {from: v.from, to: v.to, visible: v.visible,"
        " lastRedrawMs: v.lastRedrawMs, redraws: v.redraws, openedAtMs: v.openedAtMs};")


def check_opening(driver, records, cells):
    state = view_state(driver)
    if state["openedAtMs"] is None or state["openedAtMs"] >= 1000:
        # Other tests share the machine's cores; a second opening tells a slow page from a
        # busy neighbour.
        driver.refresh()
        state = view_state(driver)
    check(state["openedAtMs"] is not None and state["openedAtMs"] < 1000,
          f"opens and draws in under a second ({state['openedAtMs']:.0f} ms after navigation)")
    fetched = driver.execute_script(
        "return performance.getEntriesByType('resource').map(e => e.name);")
    check(fetched == [], f"fetches nothing when opened ({fetched})")
    whole = expected_counts(records, cells, state["from"], state["to"])
    check(whole["stations"] == 35 and whole["signals"] == 124,
          f"the compiled set holds 35 stations and 124 signals ({whole})")
    check(state["visible"] == whole, f"shows the whole line's features ({state['visible']})")


def check_timetable_panel(driver, records):
    """The timetable panel draws one point per timed station of the compiled records."""
    timed = sum(1 for r in records if r["role"] == "station" and r["time_s"] != 0)
    points = driver.execute_script("return window.scenarioView.timetablePoints;")
    check(timed >= 2 and points == timed,
          f"the timetable panel draws one point per timed station ({points} of {timed})")


def check_hover(driver, canvas, work, train):
    from selenium.webdriver.common.action_chains import ActionChains
    x, y = driver.execute_script(
        "const v = window.scenarioView; return [v.xOfMetre(scenarioData.stations[0].p),"
        " v.laneY('stations')];")
    ActionChains(driver).move_to_element_with_offset(
        canvas, x - canvas.size["width"] / 2, y - canvas.size["height"] / 2).perform()
    tip = driver.find_element("id", "tip")
    text = tip.text if tip.is_displayed() else ""
    lines = (work / train).read_text(encoding="latin-1").splitlines()
    row = next(i + 1 for i, line in enumerate(lines) if "BRENZOLA CENTRALE" in line)
    check("BRENZOLA CENTRALE" in text and "10:50:00" in text,
          f"hovering the first station shows its name and 10:50:00 ({text!r})")
    check(f"{train}:{row}" in text, f"and the train text's line {row} that made it")
    ActionChains(driver).move_by_offset(0, -canvas.size["height"] // 2 + 5).perform()


def check_signal_hover(driver, canvas, work, train):
    """In the zoomed window, the signal of cell 2014 (from km 100.7) shows the position its row
    wrote, km 100.65, and names that row."""
    from selenium.webdriver.common.action_chains import ActionChains
    x, y = driver.execute_script(
        "const v = window.scenarioView; return [v.xOfMetre(2014 * 50 + 25), v.laneY('signal')];")
    ActionChains(driver).move_to_element_with_offset(
        canvas, x - canvas.size["width"] / 2, y - canvas.size["height"] / 2).perform()
    tip = driver.find_element("id", "tip")
    text = tip.text if tip.is_displayed() else ""
    lines = (work / train).read_text(encoding="latin-1").splitlines()
    row = next(i + 1 for i, line in enumerate(lines) if line.startswith("segnale,  100650,"))
    check(text.startswith("signal at 100+650") and "2014 (100+700)" in text
          and f"{train}:{row}" in text,
          f"hovering the signal of cell 2014 shows it at 100+650 and its line {row} ({text!r})")
    # Its row wrote sx 2, s1 4, s2 1, dx 2, d1 3, d2 1: the tooltip gives those fields with
    # their meanings, not the formulas that pack them into the cell.
    decoded = ["sx (left-hand code of the signal", "s1 (first left-hand value) 4",
               "s2 (second left-hand value) 1", "dx (right-hand code of the signal",
               "d1 (first right-hand value) 3"]
    check(all(part in text for part in decoded) and "\u00b7" not in text and "val4" not in text,
          f"the signal's tooltip shows its decoded codes and no formula ({text!r})")


def zoom_to_window(driver, canvas):
    """Wheel steps over km 100 until about 2 km show; each step must redraw within 50 ms."""
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.actions.wheel_input import ScrollOrigin
    centre = (WINDOW[0] + WINDOW[1]) / 2
    slowest, steps = 0.0, 0
    state = view_state(driver)
    while state["to"] - state["from"] > (WINDOW[1] - WINDOW[0]) * 1.2 and steps < 40:
        x, y = driver.execute_script(
            f"const v = window.scenarioView; return [v.xOfMetre({centre}), v.laneY('speed')];")
        origin = ScrollOrigin.from_element(canvas, int(x - canvas.size["width"] / 2),
                                           int(y - canvas.size["height"] / 2))
        ActionChains(driver).scroll_from_origin(origin, 0, -200).perform()
        before, state = state, view_state(driver)
        if state["redraws"] <= before["redraws"]:
            check(False, f"wheel step {steps + 1} redraws")
        slowest = max(slowest, state["lastRedrawMs"])
        steps += 1
    check(steps >= 5 and state["from"] <= centre <= state["to"],
          f"the wheel zooms in around km 100 in {steps} steps "
          f"({state['from']:.0f}..{state['to']:.0f} m)")
    check(slowest < 50, f"each zoom step redraws in under 50 ms (slowest {slowest:.1f} ms)")
    driver.execute_script(f"window.scenarioView.show({WINDOW[0]}, {WINDOW[1]});")


def check_keys_and_drag(driver, canvas):
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.keys import Keys
    canvas.send_keys(Keys.HOME)
    whole = view_state(driver)
    canvas.send_keys("+")
    zoomed = view_state(driver)
    check(abs((whole["to"] - whole["from"]) / (zoomed["to"] - zoomed["from"]) - 1.5) < 1e-6,
          "Home shows the whole line and + zooms in by 1.5")
    ActionChains(driver).move_to_element(canvas).click_and_hold().move_by_offset(-200, 0) \
        .release().perform()
    dragged = view_state(driver)
    check(dragged["from"] > zoomed["from"] and
          abs((dragged["to"] - dragged["from"]) - (zoomed["to"] - zoomed["from"])) < 1e-6,
          "dragging to the left moves along the line at the same zoom")


def check_search(driver):
    """A station's name or a km typed into the search box brings it into the middle of the
    view; what matches nothing says so and leaves the view where it was."""
    from selenium.webdriver.common.keys import Keys
    names = driver.execute_script("return scenarioData.stations.map(s => s.n);")
    station = driver.execute_script("return scenarioData.stations[17];")
    # The shortest start of its name that no other station's name starts with, in lower case.
    start = next(station["n"][:n] for n in range(1, len(station["n"]) + 1)
                 if sum(name.startswith(station["n"][:n]) for name in names) == 1)
    search = driver.find_element("id", "search")
    cases = [(station["n"], station["p"]), (start.lower(), station["p"]),
             ("144+500", 144500), ("144.5", 144500), ("20,25 km", 20250)]
    for typed, metre in cases:
        driver.execute_script("window.scenarioView.show(0, 300000);")
        search.clear()
        search.send_keys(typed + Keys.ENTER)
        state = view_state(driver)
        middle = (state["from"] + state["to"]) / 2
        check(abs(middle - metre) < 1 and state["to"] - state["from"] <= 10000,
              f"searching {typed!r} centres the view on {metre} m ({state['from']:.0f}.."
              f"{state['to']:.0f})")
    before = view_state(driver)
    search.clear()
    search.send_keys("NOWHERE" + Keys.ENTER)
    note = driver.find_element("id", "search-note").text
    after = view_state(driver)
    check("NOWHERE" in note and (after["from"], after["to"]) == (before["from"], before["to"]),
          f"a search that matches nothing says so and stays ({note!r})")


def check_keys_on_the_page(driver):
    """Keys sent to the page's body move the view; typed into the search box they do not."""
    body = driver.find_element("tag name", "body")
    driver.execute_script("window.scenarioView.show(100000, 130000);"
                          " document.activeElement.blur();")
    active = driver.execute_script("return document.activeElement.tagName;")
    body.send_keys("+")
    zoomed = view_state(driver)
    check(active == "BODY" and abs((zoomed["to"] - zoomed["from"]) - 20000) < 1e-6,
          f"+ sent to the page's body ({active}) zooms in by 1.5 "
          f"({zoomed['from']:.0f}..{zoomed['to']:.0f})")
    search = driver.find_element("id", "search")
    search.clear()
    search.send_keys("+-")
    typed = view_state(driver)
    check((typed["from"], typed["to"]) == (zoomed["from"], zoomed["to"]) and
          search.get_attribute("value") == "+-",
          "+ and - typed into the search box stay there and leave the view")
    search.clear()


def check_page_without_plan(program, driver, work, records, cells):
    """A set compiled without its plan file still opens and shows every feature."""
    texts = Path("texts")
    scenc(program, work, "compile", texts / f"{STEM}_linea.txt", texts / f"{STEM}_{TRAIN}-.txt",
          "--no-plan", "-o", "no-plan")
    scenc(program, work, "view", "no-plan", "-o", "no-plan.html")
    driver.get((work / "no-plan.html").as_uri())
    state = view_state(driver)
    whole = expected_counts(records, cells, state["from"], state["to"])
    check(state["redraws"] >= 1 and state["visible"] == whole,
          f"a set without a plan opens and shows its features ({state['visible']})")


HOSTILE_NAMES = [
    b"<img src=x onerror=window.hostile=1>",
    b"<!--<script>",
    b"</script><script>window.hostile=1</script>",
    b"\"double\" 'single' back\\slash",
    b"\x1b[2J\x1bc\x1b]0;title\x07",
    b"over\rwritten",
    b"before\0after",
    bytes(range(0x80, 0xA0)),
    b"W" * 10000,
]


def with_station_name(records, name):
    """The record file with station 1 renamed (records: 34 bytes each plus their text)."""
    station = 34 + int.from_bytes(records[14:16], "little")
    length = int.from_bytes(records[station + 14:station + 16], "little")
    return (records[:station + 14] + len(name).to_bytes(2, "little") + name +
            records[station + 16 + length:])


def check_hostile_names(program, driver, work):
    """A station named with markup, a comment opener before a script tag, quotes, control
    bytes or 10,000 bytes: the page's own script still runs, nothing of the name runs, and
    the console shows no error."""
    driver.get_log("browser")  # drop what earlier pages logged
    sim = f"{STEM}_{TRAIN}.sim"
    clean = (work / "no-plan" / sim).read_bytes()
    shutil.copytree(work / "no-plan", work / "hostile", dirs_exist_ok=True)
    for name in HOSTILE_NAMES:
        (work / "hostile" / sim).write_bytes(with_station_name(clean, name))
        scenc(program, work, "view", "hostile", "-o", "hostile.html")
        driver.get((work / "hostile.html").as_uri())
        state = driver.execute_script(
            "return {view: typeof window.scenarioView, hostile: window.hostile,"
            " scripts: document.scripts.length,"
            " first: scenarioData.stations[0].n.length};")
        errors = [entry["message"] for entry in driver.get_log("browser")
                  if entry["level"] == "SEVERE"]
        check(state["view"] == "object" and state["hostile"] is None and state["scripts"] == 3
              and state["first"] > 0 and not errors,
              f"a station named {name[:40]!r} runs nothing and breaks nothing ({state}, {errors})")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scenc", required=True)
    parser.add_argument("--work", required=True, type=Path)
    parser.add_argument("--screenshots", type=Path)
    args = parser.parse_args()
    work = args.work.resolve()
    require_tools()
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    shots = args.screenshots or work
    shots.mkdir(parents=True, exist_ok=True)

    page, train, records, cells = build_page(args.scenc, work)
    check(page.stat().st_size < 2_000_000, f"the page is under 2 MB ({page.stat().st_size} bytes)")
    with tempfile.TemporaryDirectory(prefix="view-chromium-") as profile:
        driver = start_browser(profile)
        try:
            driver.get(page.as_uri())
            check_opening(driver, records, cells)
            canvas = driver.find_element("id", "view")
            driver.save_screenshot(str(shots / "view-whole-line.png"))
            check_timetable_panel(driver, records)
            check_hover(driver, canvas, work, train)
            zoom_to_window(driver, canvas)
            state = view_state(driver)
            expected = expected_counts(records, cells, *WINDOW)
            check(sum(expected.values()) > 0 and state["visible"] == expected,
                  f"at km 99..101 the counts match the compiled cells ({state['visible']},"
                  f" expected {expected})")
            check_signal_hover(driver, canvas, work, train)
            driver.save_screenshot(str(shots / "view-km-100.png"))
            check_keys_and_drag(driver, canvas)
            check_search(driver)
            check_keys_on_the_page(driver)
            check_page_without_plan(args.scenc, driver, work, records, cells)
            check_hostile_names(args.scenc, driver, work)
        finally:
            driver.quit()
    if failures:
        sys.exit(f"{len(failures)} check(s) failed")


if __name__ == "__main__":
    main()
