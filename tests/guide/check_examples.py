#!/usr/bin/python3
"""Compiles and checks every example script of a chapter of the guide with --verify.

An example is a fenced block marked ```vexo. A ```message block right after it
gives the exact lines --verify must print for it, the compiler's messages and
the checker's findings (the script is saved as exemple.vxo); without one the
example must compile without any message and the checker find nothing.
Usage: check_examples.py VEXOCAD CHAPTER.md WORK_FOLDER
"""
import os
import re
import subprocess
import sys

FENCE = re.compile(r"^```(\w*)\n(.*?)^```\n", re.S | re.M)


def examples(markdown):
    """(line number, script, expected lines or None) of each vexo block."""
    blocks = [(m.group(1), m.group(2), markdown.count("\n", 0, m.start()) + 1, m)
              for m in FENCE.finditer(markdown)]
    for i, (kind, text, line, match) in enumerate(blocks):
        if kind != "vexo":
            continue
        expected = None
        if i + 1 < len(blocks) and blocks[i + 1][0] == "message":
            between = markdown[match.end():blocks[i + 1][3].start()]
            if not between.strip():
                expected = blocks[i + 1][1].splitlines()
        yield line, text, expected


def check(vexocad, line, script, expected, folder):
    """The failures of one example, as text lines."""
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "exemple.vxo"), "w", encoding="utf-8") as f:
        f.write(script)
    run = subprocess.run([vexocad, "--verify", "exemple.vxo", "--max-seconds", "60"], cwd=folder,
                         capture_output=True, text=True, timeout=120)
    printed = (run.stdout + run.stderr).splitlines()
    wanted = expected or []
    status = 1 if wanted else 0
    if printed == wanted and run.returncode == status:
        return []
    return ["example at line %d: status %d (wanted %d)" % (line, run.returncode, status),
            "  printed: %r" % printed, "  wanted:  %r" % wanted]


def main():
    vexocad, chapter, work = sys.argv[1:4]
    with open(chapter, encoding="utf-8") as f:
        markdown = f.read()
    failures, count = [], 0
    for count, (line, script, expected) in enumerate(examples(markdown), 1):
        failures += check(vexocad, line, script, expected, os.path.join(work, "ligne-%d" % line))
    print("%s: %d examples" % (os.path.basename(chapter), count))
    print("\n".join(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
