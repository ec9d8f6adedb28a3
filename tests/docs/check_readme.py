#!/usr/bin/env python3
"""Fails when a `$` example of README.md or docs/*.md is not what its cram transcript runs.

Every `$ ` line of a fenced block must be a command of a transcript in tests/docs (in the same
order), and every line shown under it must be the transcript's expected line, or match it where
the transcript has ` (re)` or ` (glob)`; a shown line `…` stands for any number of lines. The
exit status the transcript shows as `[N]` is left to the text. Commands listed in
README-NOT-RUN.md are skipped, and the EXAMPLES of the man pages named with --man must be
transcript commands too.

usage: check_readme.py SOURCE_DIR [--man PAGE]... [--self-check]
"""
import glob
import os
import re
import sys

ELLIPSIS = "…"


class Command:
    def __init__(self, where, text, expected):
        self.where = where  # (file, line)
        self.text = text
        self.expected = expected  # bytes lines, without the indent and the newline


def read_transcript(path):
    """The commands of a cram file with their expected lines."""
    commands = []
    current = None
    with open(path, "rb") as f:
        for number, raw in enumerate(f.read().split(b"\n"), 1):
            if raw.startswith(b"  $ "):
                current = Command((path, number), raw[4:].decode("utf-8"), [])
                commands.append(current)
            elif raw.startswith(b"  > ") and current is not None and not current.expected:
                current.text += "\n" + raw[4:].decode("utf-8")
            elif raw.startswith(b"  ") and current is not None:
                current.expected.append(raw[2:])
            else:
                current = None
    for command in commands:
        # cram shows a non-zero exit status as a last line "[N]".
        if command.expected and re.fullmatch(rb"\[\d+\]", command.expected[-1]):
            command.expected.pop()
        # A block in markdown cannot end with a blank line: neither can what it is held to.
        while command.expected and command.expected[-1] == b"":
            command.expected.pop()
    return commands


def read_shown(path):
    """The `$` commands of a markdown file's fenced blocks, each with the lines shown under it."""
    commands = []
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    fenced = False
    current = None
    for number, line in enumerate(lines, 1):
        if line.startswith("```"):
            fenced = not fenced
            current = None
        elif fenced and line.startswith("$ "):
            current = Command((path, number), line[2:], [])
            commands.append(current)
        elif fenced and current is not None:
            current.expected.append(line)
    return commands


def read_man_examples(path):
    """The command lines of a man page's EXAMPLES, with roff's escapes undone."""
    commands = []
    inside = literal = False
    pending = ""
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f.read().split("\n"), 1):
            if line.startswith(".SH"):
                inside = line.split()[1:2] == ["EXAMPLES"]
            elif inside and line in (".nf", ".EX"):
                literal = True
            elif inside and line in (".fi", ".EE"):
                literal = False
            elif inside and literal and not line.startswith("."):
                text = line.replace("\\-", "-").replace("\\e", "\\").replace("\\&", "")
                if text.endswith("\\"):
                    pending += text[:-1]
                    continue
                commands.append(Command((path, number), (pending + text).strip(), []))
                pending = ""
    return commands


def not_run(path):
    """The commands README-NOT-RUN.md lists: the first code span of each list item."""
    if not os.path.exists(path):
        return set()
    with open(path, encoding="utf-8") as f:
        return set(re.findall(r"^- `([^`]+)`", f.read(), re.MULTILINE))


# cram escapes a line with control or non-ASCII bytes and marks it " (esc)" before matching.
NEEDS_ESCAPE = re.compile(rb"[\x00-\x09\x0b-\x1f\x7f-\xff]")


def cram_escaped(line):
    if not NEEDS_ESCAPE.search(line):
        return line

    def one(match):
        byte = match.group(0)
        return {b"\\": b"\\\\", b"\r": b"\\r", b"\t": b"\\t"}.get(byte, b"\\x%02x" % byte[0])

    return re.sub(rb"[\x00-\x09\x0b-\x1f\\\x7f-\xff]", one, line) + b" (esc)"


def glob_to_regex(pattern):
    out, i = b"", 0
    while i < len(pattern):
        c = pattern[i : i + 1]
        i += 1
        if c == b"\\" and pattern[i : i + 1] in (b"*", b"?", b"\\"):
            out += re.escape(pattern[i : i + 1])
            i += 1
        elif c == b"*":
            out += b".*"
        elif c == b"?":
            out += b"."
        else:
            out += re.escape(c)
    return out


def line_matches(shown, expected):
    shown = shown.encode("utf-8")
    for mark, to_regex in ((b" (re)", lambda p: p), (b" (glob)", glob_to_regex)):
        if expected.endswith(mark):
            try:
                pattern = re.compile(to_regex(expected[: -len(mark)]))
            except re.error:
                return False
            return pattern.fullmatch(cram_escaped(shown)) is not None
    if expected.endswith(b" (esc)"):
        import codecs

        expected = codecs.escape_decode(expected[: -len(b" (esc)")])[0]
    return shown == expected


def lines_match(shown, expected):
    """Whether the shown lines are the expected ones, a shown `…` standing for any run of them."""
    if not shown:
        return not expected
    if shown[0] == ELLIPSIS:
        return any(lines_match(shown[1:], expected[skip:]) for skip in range(len(expected) + 1))
    return bool(expected) and line_matches(shown[0], expected[0]) and lines_match(
        shown[1:], expected[1:]
    )


def where(command):
    path, line = command.where
    return "%s:%d" % (os.path.relpath(path), line)


def check(documents, transcripts, skipped, with_output=True):
    """The problems found: each document's commands in order in the transcripts, outputs equal."""
    problems = []
    for commands in documents:
        reached = {}  # transcript file -> index of the last command matched in it
        for command in commands:
            if command.text in skipped:
                continue
            later = [
                (path, index, found)
                for path, entries in transcripts.items()
                for index, found in enumerate(entries)
                if found.text == command.text and index > reached.get(path, -1)
            ]
            if not later:
                anywhere = any(
                    found.text == command.text for entries in transcripts.values() for found in entries
                )
                problems.append(
                    "%s: `%s` is %s"
                    % (
                        where(command),
                        command.text,
                        "in a transcript, but not in this order"
                        if anywhere
                        else "in no transcript of tests/docs (nor in README-NOT-RUN.md)",
                    )
                )
                continue
            path, index, found = later[0]
            reached[path] = index
            shown = command.expected
            while shown and shown[-1] == "":
                shown = shown[:-1]
            if with_output and not lines_match(shown, found.expected):
                problems.append(
                    "%s: the output shown under `%s` is not what %s expects:\n  shown:\n%s\n  transcript:\n%s"
                    % (
                        where(command),
                        command.text,
                        where(found),
                        "\n".join("    " + line for line in shown),
                        "\n".join("    " + line.decode("utf-8", "replace") for line in found.expected),
                    )
                )
    return problems


def self_check(documents, transcripts, skipped):
    """Every shown output is compared: changing any one of its lines must be found."""
    problems = []
    for commands in documents:
        found_before = len(check([commands], transcripts, skipped))
        for command in commands:
            if command.text in skipped:
                continue
            for at, line in enumerate(command.expected):
                if line in (ELLIPSIS, ""):
                    continue
                original = command.expected
                command.expected = original[:at] + [line + " changed"] + original[at + 1 :]
                if len(check([commands], transcripts, skipped)) <= found_before:
                    problems.append("%s: a change to line %d of its output goes unnoticed" % (where(command), at + 1))
                command.expected = original
                break
    return problems


def main(argv):
    args = argv[1:]
    if not args:
        print(__doc__.strip().split("\n")[-1], file=sys.stderr)
        return 2
    source = args.pop(0)
    pages, self_checking = [], False
    while args:
        option = args.pop(0)
        if option == "--man" and args:
            pages.append(os.path.join(source, args.pop(0)))
        elif option == "--self-check":
            self_checking = True
        else:
            print("check_readme.py: unknown option %s" % option, file=sys.stderr)
            return 2
    here = os.path.join(source, "tests", "docs")
    transcripts = {path: read_transcript(path) for path in sorted(glob.glob(os.path.join(here, "*.t")))}
    skipped = not_run(os.path.join(here, "README-NOT-RUN.md"))
    markdown = [os.path.join(source, "README.md")] + sorted(glob.glob(os.path.join(source, "docs", "*.md")))
    documents = [read_shown(path) for path in markdown]
    if self_checking:
        problems = self_check(documents, transcripts, skipped)
    else:
        problems = check(documents, transcripts, skipped)
        problems += check([read_man_examples(page) for page in pages], transcripts, skipped, with_output=False)
    for problem in problems:
        print(problem)
    if not problems:
        shown = sum(len(commands) for commands in documents)
        print("%d commands shown, all as their transcripts run them" % shown)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
