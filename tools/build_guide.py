#!/usr/bin/python3
"""Turns the guide's Markdown chapters into HTML pages.

Plain HTML that FLTK's help view reads as well as a browser: no script, no
style sheet, nothing fetched. Links between chapters name the .md sources, so
that the sources read well on their own; the pages link the .html files.
Usage: build_guide.py OUTPUT_FOLDER CHAPTER.md...
"""
import os
import re
import sys

import markdown

PAGE = """<!DOCTYPE html>
<html lang="fr">
<head>
<meta charset="utf-8">
<title>{title}</title>
</head>
<body>
{body}
</body>
</html>
"""


def page(source_text):
    body = markdown.markdown(source_text, extensions=["tables", "fenced_code"], output_format="html")
    body = body.replace("<table>", "<table border=\"1\">")  # the help view draws no rules otherwise
    body = re.sub(r'href="([\w-]+)\.md(#[\w-]*)?"', lambda m: 'href="%s.html%s"' % (m.group(1), m.group(2) or ""), body)
    title = re.search(r"<h1>(.*?)</h1>", body)
    return PAGE.format(title=re.sub(r"<[^>]+>", "", title.group(1)) if title else "VexoCad", body=body)


def write_atomically(path, text):
    temporary = path + ".tmp"
    with open(temporary, "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(temporary, path)


def main():
    output = sys.argv[1]
    os.makedirs(output, exist_ok=True)
    for source in sys.argv[2:]:
        with open(source, encoding="utf-8") as f:
            text = f.read()
        name = os.path.splitext(os.path.basename(source))[0] + ".html"
        write_atomically(os.path.join(output, name), page(text))
    return 0


if __name__ == "__main__":
    sys.exit(main())
