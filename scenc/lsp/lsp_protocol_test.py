#!/usr/bin/python3
"""scenc lsp as an editor meets it: a scripted client on the real process's standard input and
output, for the framing, bad messages, cancellation and the exit status. Any failed check ends
the script with status 1."""
import argparse
import json
import os
import select
import subprocess
import sys
import tempfile
import time

TIMEOUT = 20  # seconds for any one answer


class Client:
    def __init__(self, scenc, cwd):
        self.process = subprocess.Popen([scenc, "lsp"], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE, cwd=cwd)
        self.pending = b""

    def write(self, data, pause=0.0):
        self.process.stdin.write(data)
        self.process.stdin.flush()
        if pause:
            time.sleep(pause)

    def read_bytes(self, count):
        deadline = time.monotonic() + TIMEOUT
        while len(self.pending) < count:
            left = deadline - time.monotonic()
            ready, _, _ = select.select([self.process.stdout], [], [], max(left, 0))
            if not ready:
                raise AssertionError("no answer within %d s" % TIMEOUT)
            chunk = os.read(self.process.stdout.fileno(), 65536)
            if not chunk:
                raise AssertionError("the server closed its output")
            self.pending += chunk
        data, self.pending = self.pending[:count], self.pending[count:]
        return data

    def receive(self):
        header = b""
        while not header.endswith(b"\r\n\r\n"):
            header += self.read_bytes(1)
        fields = dict(line.split(b": ", 1) for line in header.strip().split(b"\r\n"))
        return json.loads(self.read_bytes(int(fields[b"Content-Length"])))

    def response(self, id):
        """The response to a request, skipping the notifications before it."""
        while True:
            message = self.receive()
            if "id" in message and "method" not in message and message["id"] == id:
                return message

    def finish(self):
        self.process.stdin.close()
        status = self.process.wait(timeout=TIMEOUT)
        return status, self.process.stderr.read().decode()


def frame(message):
    body = message if isinstance(message, bytes) else json.dumps(message).encode()
    return b"Content-Length: %d\r\n\r\n" % len(body) + body


def request(id, method, params=None):
    return {"jsonrpc": "2.0", "id": id, "method": method, "params": params or {}}


def notification(method, params=None):
    return {"jsonrpc": "2.0", "method": method, "params": params or {}}


def check(condition, what):
    if not condition:
        raise AssertionError(what)


def started(scenc, cwd):
    client = Client(scenc, cwd)
    # The first message arrives in pieces: the header split inside a field, the body in three.
    data = frame(request(1, "initialize", {"capabilities": {}}))
    for piece in (data[:7], data[7:20], data[20:30], data[30:-5], data[-5:]):
        client.write(piece, pause=0.05)
    answer = client.response(1)
    check(answer["result"]["capabilities"]["hoverProvider"], "initialize: %s" % answer)
    check(answer["result"]["capabilities"].get("documentFormattingProvider"),
          "initialize: %s" % answer)
    client.write(frame(notification("initialized")))
    return client


def test_messages(scenc, folder):
    client = started(scenc, folder)
    route = open(os.path.join(folder, "Brenzola_Tessalto_linea.txt"), "rb").read().decode("cp1252")
    uri = "file://" + os.path.join(folder, "Brenzola_Tessalto_linea.txt")
    open_route = notification("textDocument/didOpen", {"textDocument": {
        "uri": uri, "languageId": "scenario-route", "version": 1, "text": route}})
    bad_lines = [
        b"Content-Length: abc\r\n\r\n{}",      # a malformed header, then its body
        frame(b"{this is not json"),             # a body that is not JSON
        frame(request(2, "workspace/unknownThing")),
        frame(notification("$/unknownNotification")),
    ]
    # Several messages in one write, the good ones after a bad header among them.
    client.write(b"".join(bad_lines) + frame(open_route))
    parse_error = client.receive()
    check(parse_error["id"] is None and parse_error["error"]["code"] == -32700,
          "not JSON: %s" % parse_error)
    unknown = client.receive()
    check(unknown["id"] == 2 and unknown["error"]["code"] == -32601, "unknown: %s" % unknown)
    published = client.receive()
    check(published["method"] == "textDocument/publishDiagnostics" and
          published["params"]["diagnostics"] == [], "carried route: %s" % published)

    # A request and its cancellation in one write: the request is answered RequestCancelled.
    hover = request(4, "textDocument/hover", {"textDocument": {"uri": uri},
                                              "position": {"line": 1, "character": 2}})
    client.write(frame(hover) + frame(notification("$/cancelRequest", {"id": 4})))
    cancelled = client.response(4)
    check(cancelled.get("error", {}).get("code") == -32800, "cancelled: %s" % cancelled)
    # Without a cancellation it is answered.
    hover["id"] = 5
    client.write(frame(hover))
    answered = client.response(5)
    check("lunghezza" in answered["result"]["contents"]["value"], "hover: %s" % answered)

    client.write(frame(request(6, "shutdown")) + frame(notification("exit")))
    check(client.response(6)["result"] is None, "shutdown")
    status, log = client.finish()
    check(status == 0, "exit after shutdown: status %d" % status)
    check("header" in log, "the malformed header is told on standard error: %r" % log)


def test_exit_statuses(scenc, folder):
    client = started(scenc, folder)
    client.write(frame(notification("exit")))
    check(client.finish()[0] == 1, "exit without shutdown ends with 1")
    client = started(scenc, folder)
    check(client.finish()[0] == 1, "input closed without exit ends with 1")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scenc", required=True)
    arguments = parser.parse_args()
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([arguments.scenc, "example", folder], check=True, stdout=subprocess.DEVNULL)
        before = {name: os.stat(os.path.join(folder, name)).st_mtime_ns
                  for name in os.listdir(folder)}
        failures = 0
        for test in (test_messages, test_exit_statuses):
            try:
                test(arguments.scenc, folder)
                print("ok", test.__name__)
            except Exception as error:  # any failure of a test, reported and counted
                failures += 1
                print("FAILED", test.__name__, error)
        after = {name: os.stat(os.path.join(folder, name)).st_mtime_ns
                 for name in os.listdir(folder)}
        if before != after:
            failures += 1
            print("FAILED: the server wrote into the texts' folder")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
