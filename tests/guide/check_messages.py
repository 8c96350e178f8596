#!/usr/bin/python3
"""Every message the compiler can show is explained in the guide's chapter of
messages: each fixed piece of its text (between the values put in it) is
found there.
Usage: check_messages.py MESSAGES.md COMPILER_SOURCE...
"""
import re
import sys

SHOWN = re.compile(r"(?:(?:syntaxError|reportMessage|format|needsCurrentPiece|transformStatement)\(|(?:Message|Variable) =)"
                   r"[^\";)]*((?:\"(?:[^\"\\]|\\.)*\"\s*)+)")
LITERAL = re.compile(r"\"((?:[^\"\\]|\\.)*)\"")


def fixed_pieces(message):
    text = message.replace("\\n", " ").replace("%%", "%")
    return [p.strip() for p in re.split(r"%l*[dsc]", text) if len(p.strip()) >= 4]


def main():
    with open(sys.argv[1], encoding="utf-8") as f:
        guide = " ".join(f.read().split())
    missing = []
    for source in sys.argv[2:]:
        with open(source, encoding="utf-8") as f:
            code = f.read()
        for match in SHOWN.finditer(code):
            message = "".join(LITERAL.findall(match.group(1)))
            missing += ["%s: %s" % (source, p) for p in fixed_pieces(message) if " ".join(p.split()) not in guide]
    print("\n".join(missing))
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
