#!/usr/bin/python3
"""The built guide: every page parses as strict HTML5, holds no script and
nothing fetched, and every link and picture it names is beside it.
Usage: check_pages.py GUIDE_FOLDER
"""
import os
import re
import sys

import html5lib


def problems(folder, name):
    with open(os.path.join(folder, name), "rb") as f:
        data = f.read()
    found = []
    try:
        html5lib.HTMLParser(strict=True).parse(data)
    except html5lib.html5parser.ParseError as error:
        found.append("%s: not valid HTML5: %s" % (name, error))
    text = data.decode("utf-8")
    if re.search(r"<script|<link|<iframe|style=", text, re.I):
        found.append("%s: script or style" % name)
    for target in re.findall(r'(?:href|src)="([^"#]*)', text):
        if target and (":" in target or not os.path.isfile(os.path.join(folder, target))):
            found.append("%s: %s is not a page or picture of the guide" % (name, target))
    return found


def main():
    folder = sys.argv[1]
    pages = sorted(n for n in os.listdir(folder) if n.endswith(".html"))
    found = [] if "index.html" in pages and "raccourcis.html" in pages else ["index or shortcuts page missing"]
    for name in pages:
        found += problems(folder, name)
    print("%d pages" % len(pages))
    print("\n".join(found))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
