#!/usr/bin/python3
"""scenc and its language server against hostile folders and inputs: each case runs the real
program under /usr/bin/time with a time limit and checks that it neither crashes nor hangs,
stays under its memory bound, and ends with the intended one-line message and exit status.
Any failed check ends the script with status 1."""
import argparse
import json
import os
import subprocess
import sys
import tempfile
import threading

MiB = 1 << 20
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what)


def timed(command, stdin=b"", limit=5.0, cwd=None):
    """Runs a command under /usr/bin/time; returns (status, stdout, stderr, peak KiB)."""
    with tempfile.NamedTemporaryFile() as report:
        try:
            done = subprocess.run(["/usr/bin/time", "-o", report.name, "-f", "%e %M"] + command,
                                  input=stdin, capture_output=True, timeout=limit, cwd=cwd)
        except subprocess.TimeoutExpired:
            return None, b"", b"", 0
        lines = open(report.name).read().split()
        peak = int(lines[-1]) if lines and lines[-1].isdigit() else 0
        timed.seconds = lines[-2] if len(lines) >= 2 else "?"
        return done.returncode, done.stdout, done.stderr, peak


def frame(message):
    body = json.dumps(message).encode() if not isinstance(message, bytes) else message
    return b"Content-Length: %d\r\n\r\n" % len(body) + body


def replies(output):
    out, rest = [], output
    while rest:
        head, _, rest = rest.partition(b"\r\n\r\n")
        length = int(head.split(b":")[1])
        out.append(json.loads(rest[:length]))
        rest = rest[length:]
    return out


def session(*messages, ending=True):
    """The bytes of an editor's session: initialize, the messages, shutdown and exit."""
    data = frame({"jsonrpc": "2.0", "id": 0, "method": "initialize", "params": {}})
    data += frame({"jsonrpc": "2.0", "method": "initialized", "params": {}})
    for message in messages:
        data += message if isinstance(message, bytes) else frame(message)
    if ending:
        data += frame({"jsonrpc": "2.0", "id": 999, "method": "shutdown"})
        data += frame({"jsonrpc": "2.0", "method": "exit"})
    return data


def did_open(uri, text):
    return {"jsonrpc": "2.0", "method": "textDocument/didOpen",
            "params": {"textDocument": {"uri": uri, "languageId": "scenario", "version": 1,
                                        "text": text}}}


def fifo_with_writer_never(path):
    os.mkfifo(path)


def scenc_cases(scenc, folder):
    route = os.path.join(folder, "Brenzola_Tessalto_linea.txt")
    train = os.path.join(folder, "Brenzola_Tessalto_917-.txt")
    specials = os.path.join(folder, "specials")
    os.makedirs(specials)
    os.symlink("/dev/zero", os.path.join(specials, "Z_linea.txt"))
    os.symlink("/dev/urandom", os.path.join(specials, "U_linea.txt"))
    fifo_with_writer_never(os.path.join(specials, "F_linea.txt"))
    huge = os.path.join(folder, "H_1-.txt")
    with open(huge, "wb") as out:
        out.write(b"[generale]\r\n" + b"velocita,   236000,   115\r\n" * (17 * MiB // 27))
    warned = os.path.join(folder, "W_1-.txt")
    with open(warned, "wb") as out:
        out.write(b"[generale]\r\n" + b"velocita,   236000,   115\r\n" * 36666 + b"[fine]\r\n")
    quoted = os.path.join(folder, "Q_1-.txt")
    with open(train, "rb") as source:
        rows = source.read().split(b"\r\n")
    stations = [i for i, row in enumerate(rows) if row.startswith(b"stazione")]
    first, third = stations[1], stations[3]
    rows[first] = rows[first][: rows[first].rindex(b",") + 1] + b' "' + \
        rows[first][rows[first].rindex(b",") + 1:].strip()
    rows[third] = rows[third] + b'"'
    with open(quoted, "wb") as out:
        out.write(b"\r\n".join(rows))
    compiled = os.path.join(folder, "out")
    subprocess.run([scenc, "compile", route, train, "-o", compiled], capture_output=True,
                   check=True)
    mixed = os.path.join(folder, "mixed")
    os.makedirs(mixed)
    for name in ("Brenzola_Tessalto_917.sim", "Brenzola_Tessalto_linea.dat"):
        os.link(os.path.join(compiled, name), os.path.join(mixed, name))
    with open(os.path.join(compiled, "Brenzola_Tessalto_917.dat"), "rb") as cells:
        open(os.path.join(mixed, "Brenzola_Tessalto_917.dat"), "wb").write(cells.read(1500))
    link_to_file = os.path.join(folder, "link-to-file")
    os.symlink(route, link_to_file)
    link_page = os.path.join(folder, "page.html")
    os.symlink(route, link_page)
    link_picture = os.path.join(folder, "picture.svg")
    os.symlink(route, link_picture)
    Z, U, F = (os.path.join(specials, n + "_linea.txt") for n in "ZUF")
    # (what, arguments, status, words of the one line, memory bound in MiB)
    return [
        ("route text linked to /dev/zero", ["check", Z, train], 2,
         "a character device, not a regular file", 16),
        ("route text linked to /dev/urandom", ["check", U, train], 2,
         "a character device, not a regular file", 16),
        ("route text a FIFO", ["check", F, train], 2, "a FIFO, not a regular file", 16),
        ("dump /dev/zero", ["dump", "/dev/zero"], 2, "not a regular file", 16),
        ("dump a FIFO", ["dump", F], 2, "a FIFO", 16),
        ("diff /dev/zero /dev/zero", ["diff", "/dev/zero", "/dev/zero"], 2,
         "not a regular file", 16),
        ("train text over 16 MiB", ["check", route, huge], 2, "larger than 16 MiB", 16),
        # The trains' names are not of the route's stem: the number is given, as compile
        # would need it.
        ("1 MB of warned rows", ["check", "--train-number", "1", route, warned], 0,
         "36665 warnings (50 warnings shown; --max-warnings 0 shows them all)", 32),
        ("1 MB of warned rows, all shown", ["check", "--max-warnings", "0", "--format=json",
                                            "--train-number", "1", route, warned], 0,
         '"warnings_shown": 36665', 400),
        ("a quote that swallows two rows", ["check", "--train-number", "1", route, quoted], 0,
         "[-Wquote-spans-lines]", 32),
        ("--max-errors -1", ["check", "--max-errors", "-1", route, train], 2,
         '"-1" is not a count', 16),
        ("--max-errors= with nothing after", ["check", "--max-errors=", route, train], 2,
         "--max-errors: a value must follow", 16),
        ("-W alone", ["check", "-W", route, train], 2, "-Wno-NAME", 16),
        ("compile -o onto /dev/null", ["compile", route, train, "-o", "/dev/null"], 2,
         "not a folder", 32),
        ("compile -o onto a link to a file", ["compile", route, train, "-o", link_to_file], 2,
         "not a folder", 32),
        ("plot -o onto a link", ["plot", compiled, "-o", link_picture], 2,
         "a link, not a regular file", 64),
        ("view -o onto a link", ["view", compiled, "-o", link_page], 2,
         "a link, not a regular file", 64),
        ("diff with --train-number alone", ["diff", compiled, compiled, "--train-number", "42"],
         2, "--train-number needs --stem", 16),
        ("dump a stretch past the route", ["dump", "--from", "500", "--to", "600",
                                           os.path.join(compiled, "Brenzola_Tessalto_917.dat")],
         2, "lies past the end of the cells", 32),
        ("a stretch shorter than a metre", ["dump", "--from", "100", "--to", "100.00001",
                                            os.path.join(compiled, "Brenzola_Tessalto_917.dat")],
         2, "at least 1 m long", 16),
        ("view -o x.txt", ["view", compiled, "-o", os.path.join(folder, "x.txt")], 2,
         "must end in .html", 16),
        ("plot of a mixed set", ["plot", mixed, "-o", os.path.join(folder, "m.svg")], 2,
         "are not one compiled set", 64),
        ("view of a mixed set", ["view", mixed, "-o", os.path.join(folder, "m.html")], 2,
         "are not one compiled set", 64),
    ]


# Whether the peaks are the program's own (false under the sanitizers).
memory_bounds_hold = True


def run_scenc_cases(scenc, folder):
    for what, arguments, status, words, bound in scenc_cases(scenc, folder):
        got, out, err, peak = timed([scenc] + arguments, limit=10.0)
        check(got is not None, what + ": ended within 10 s")
        if got is None:
            continue
        said = (out + err).decode("utf-8", "replace")
        check(got == status, "%s: status %s, not %d (%s)" % (what, got, status, said[-300:]))
        check(words in said, "%s: says %r (%s)" % (what, words, said[-300:]))
        if status == 2:
            check(err.count(b"\n") == 1, "%s: one line on standard error (%r)" % (what, err))
        check(not memory_bounds_hold or peak < bound * 1024,
              "%s: %d KiB, bound %d MiB" % (what, peak, bound))
        print("%-44s status %d  %6d KiB  %s s" % (what, got, peak, timed.seconds))


def run_lsp_cases(scenc, folder):
    scenario = os.path.join(folder, "lsp")
    os.makedirs(scenario)
    os.symlink("/dev/zero", os.path.join(scenario, "Z_linea.txt"))
    os.mkfifo(os.path.join(scenario, "F_linea.txt"))
    uri = "file://" + scenario + "/"
    nested = b'{"jsonrpc":"2.0","id":1,"method":"textDocument/hover","params":' + \
        b"[" * 100000 + b"]" * 100000 + b"}"
    big_train = "[generale]\r\n" + "velocita,   236000,   115\r\n" * (52 * MiB // 27)
    warned = "[generale]\r\n" + "velocita,   236000,   115\r\n" * 36666 + "[fine]\r\n"
    route = open(os.path.join(folder, "Brenzola_Tessalto_linea.txt"), encoding="cp1252").read()
    small = ["[generale]\r\nvelocita, 0, 100\r\nstazione, 500, 12, 400, 0, 0, 0, 0, 0, 0, 0, 0, "
             "0, 0, 10, 0, 0, S%d\r\n[fine]\r\n" % i for i in range(1000)]
    position = {"jsonrpc": "2.0", "id": 7, "method": "textDocument/completion",
                "params": {"textDocument": {"uri": uri + "A_1-.txt"},
                           "position": {"line": 1000000, "character": 0}}}
    negative = {"jsonrpc": "2.0", "id": 8, "method": "textDocument/completion",
                "params": {"textDocument": {"uri": uri + "A_1-.txt"},
                           "position": {"line": -1, "character": -1}}}
    change = {"jsonrpc": "2.0", "method": "textDocument/didChange",
              "params": {"textDocument": {"uri": uri + "never_1-.txt", "version": 2},
                         "contentChanges": [{"text": "[generale]\r\n"}]}}
    # (what, input, time limit, memory bound MiB, test of the replies and the log)
    cases = [
        ("params nested 100,000 deep", session(frame(nested)), 5, 64,
         lambda r, log: any(m.get("error", {}).get("code") == -32700 and
                            "256" in m["error"]["message"] for m in r)),
        ("train beside a route linked to /dev/zero", session(did_open(uri + "Z_1-.txt", "[generale]\r\n")),
         5, 64, lambda r, log: any("no route text" in json.dumps(m) for m in r)),
        ("train beside a route that is a FIFO", session(did_open(uri + "F_1-.txt", "[generale]\r\n")),
         5, 64, lambda r, log: any("no route text" in json.dumps(m) for m in r)),
        ("a 52 MB train text", session(did_open(uri + "B_1-.txt", big_train)), 20, 320,
         lambda r, log: any("larger than 16 MiB" in json.dumps(m) for m in r)),
        ("1 MB of warned rows", session(did_open(uri + "W_linea.txt", route),
                                        did_open(uri + "W_1-.txt", warned)), 5, 64,
         lambda r, log: 0 < max([len(m["params"]["diagnostics"]) for m in r
                                 if m.get("method") == "textDocument/publishDiagnostics"] or
                                [0]) <= 201),
        ("1,000 small documents", session(*[did_open(uri + "S%d_%d-.txt" % (i, i), text)
                                            for i, text in enumerate(small)]), 20, 64,
         lambda r, log: len(r) >= 1000),
        ("completion far past the text and at (-1, -1)",
         session(did_open(uri + "A_1-.txt", "[generale]\r\n"), position, negative), 5, 64,
         lambda r, log: [m.get("error", {}).get("code") for m in r if m.get("id") in (7, 8)] ==
         [-32602, -32602]),
        ("a change to a text never opened", session(change), 5, 64,
         lambda r, log: not any(m.get("method") == "textDocument/publishDiagnostics" for m in r)),
        ("a header without its end", session(ending=False) + b"Content-Length: 10\r\n", 5, 64,
         lambda r, log: b"ended inside a message" in log),
    ]
    for what, data, limit, bound, test in cases:
        got, out, err, peak = timed([scenc, "lsp"], stdin=data, limit=limit, cwd=scenario)
        check(got is not None, "lsp %s: ended within %d s" % (what, limit))
        if got is None:
            continue
        check(got in (0, 1), "lsp %s: exit status %d" % (what, got))
        try:
            answered = replies(out)
        except (ValueError, IndexError):
            answered = []
            check(False, "lsp %s: replies are framed JSON" % what)
        check(test(answered, err), "lsp %s: the replies and log show it (%s)" % (what, err[-200:]))
        check(not memory_bounds_hold or peak < bound * 1024,
              "lsp %s: %d KiB, bound %d MiB" % (what, peak, bound))
        print("lsp %-40s status %d  %6d KiB  %s s" % (what, got, peak, timed.seconds))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scenc", required=True)
    parser.add_argument("--sanitized", action="store_true",
                        help="scenc is built with the sanitizers, whose shadow memory is most of "
                             "its peak: the memory bounds are checked only in the normal build")
    arguments = parser.parse_args()
    global memory_bounds_hold
    memory_bounds_hold = not arguments.sanitized
    arguments.scenc = os.path.abspath(arguments.scenc)
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([arguments.scenc, "example", folder], capture_output=True, check=True)
        run_scenc_cases(arguments.scenc, folder)
        run_lsp_cases(arguments.scenc, folder)
    if failures:
        print("%d checks failed" % len(failures))
        return 1
    print("all hostile inputs handled")
    return 0


if __name__ == "__main__":
    sys.exit(main())
