#!/usr/bin/env python3
"""Runs the sample commands of Markdown pages and compares their output with the page, so that
no sample in the documentation can drift from what the programs print.

A sample is an indented code block holding lines that start with "$ ": each is a command, run
by bash in a folder made fresh for the page (the commands of a page run in order, in the same
folder), and the lines up to the next command are its output (standard output and standard
error together). A last output line "..." stands for the rest, which is not compared. Lines
that start with "# " are notes for the reader: neither run nor compared. A comment
<!-- sample: COMMAND --> runs COMMAND there without showing it (an edit the text describes).

In the folder, "scenc" is on PATH and build/scenc names it too, as the pages use both.

Usage: doc-samples.py --scenc PROGRAM [--update] PAGE...
  --update  writes each command's real output into its page instead of comparing.
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile

HIDDEN = re.compile(r"^<!-- sample: (.*) -->$")


def sample_blocks(lines):
    """(kind, index, text) for every hidden command and every line of a sample block."""
    items, index = [], 0
    while index < len(lines):
        hidden = HIDDEN.match(lines[index])
        if hidden:
            items.append(("hidden", index, hidden.group(1)))
            index += 1
            continue
        start = index
        while index < len(lines) and (lines[index].startswith("    ") or
                                      (lines[index] == "" and index > start)):
            index += 1
        block = range(start, index)
        if index == start:
            index += 1
            continue
        if (start > 0 and lines[start - 1] != "") or not any(
                lines[i].startswith("    $ ") for i in block):
            continue
        for i in block:
            items.append(("block", i, lines[i]))
    return items


def commands_of(lines):
    """Each command with its output's line range: (line of the command or None, command,
    first output line, end of output, shown)."""
    commands, current = [], None
    for kind, index, text in sample_blocks(lines):
        if kind == "hidden":
            if current:
                commands.append(current)
                current = None
            commands.append([None, text, index + 1, index + 1])
            continue
        body = text[4:] if text.startswith("    ") else text
        if body.startswith("# "):
            if current:
                commands.append(current)
                current = None
        elif current and current[1].endswith("\\") and current[3] == index:
            current[1] += "\n" + body
            current[2] = current[3] = index + 1
        elif body.startswith("$ "):
            if current:
                commands.append(current)
            current = [index, body[2:], index + 1, index + 1]
        elif current and current[3] == index:
            current[3] = index + 1
        elif current:
            commands.append(current)
            current = None
    if current:
        commands.append(current)
    # Blank lines that close a block belong to no output.
    for command in commands:
        while command[3] > command[2] and lines[command[3] - 1].strip() == "":
            command[3] -= 1
    return commands


def run(command, folder, environment):
    result = subprocess.run(["bash", "-c", command], cwd=folder, env=environment,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
    return result.stdout.decode("utf-8", "replace").rstrip("\n").split("\n")


def check_page(page, scenc, update):
    with open(page, encoding="utf-8") as file:
        lines = file.read().split("\n")
    problems = []
    with tempfile.TemporaryDirectory() as folder:
        os.makedirs(os.path.join(folder, "build"))
        os.symlink(scenc, os.path.join(folder, "build", "scenc"))
        # The caller's environment passes through: the sanitizer builds' options, say.
        environment = dict(os.environ, HOME=folder, LC_ALL="C.UTF-8", NO_COLOR="1")
        environment["PATH"] = os.pathsep.join([os.path.join(folder, "build"),
                                               environment.get("PATH", "/usr/bin:/bin")])
        replacements = []
        for shown_at, command, first, end in commands_of(lines):
            output = run(command, folder, environment)
            if output == [""]:
                output = []
            if shown_at is None:
                continue
            expected = [line[4:] if line.startswith("    ") else line for line in lines[first:end]]
            cut = expected and expected[-1] == "..."
            compared = output[:len(expected) - 1] if cut else output
            wanted = expected[:-1] if cut else expected
            if compared != wanted:
                problems.append((page, shown_at + 1, command, wanted, compared))
                replacements.append((first, end, ["    " + line if line else "" for line in
                                                  compared + (["..."] if cut else [])]))
    if update and replacements:
        for first, end, new in sorted(replacements, reverse=True):
            lines[first:end] = new
        with open(page, "w", encoding="utf-8") as file:
            file.write("\n".join(lines))
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scenc", required=True)
    parser.add_argument("--update", action="store_true")
    parser.add_argument("pages", nargs="+")
    arguments = parser.parse_args()
    scenc = os.path.abspath(arguments.scenc)
    failed = False
    for page in arguments.pages:
        for name, line, command, wanted, got in check_page(page, scenc, arguments.update):
            failed = True
            print(f"{name}:{line}: the output of `{command}` differs from the page")
            print("  the page:\n" + "".join(f"    {text}\n" for text in wanted), end="")
            print("  the program:\n" + "".join(f"    {text}\n" for text in got), end="")
    if failed and not arguments.update:
        print("(scripts/doc-samples.py --update --scenc PROGRAM PAGE... writes the real output)")
    return 1 if failed and not arguments.update else 0


if __name__ == "__main__":
    sys.exit(main())
