# A booklet printed to PDF (by Chromium from its index.html, or written as a
# PDF by vexocad) has exactly one page per section of index.html, and each
# page shows its section's heading and the total of its parts, which come
# last: nothing spilled onto a page of its own or was cut off.
#   python3 check_pages.py FOLDER/index.html BOOKLET.pdf
import re, subprocess, sys, html5lib

def words(text):
    return " ".join(text.split())

page_html, pdf = sys.argv[1], sys.argv[2]
with open(page_html, "rb") as f:
    tree = html5lib.HTMLParser(strict=True, namespaceHTMLElements=False).parse(f)
sections = []
for section in tree.iter("section"):
    heading = next(e for e in section.iter() if e.tag in ("h1", "h2"))
    total = [p for p in section.iter("p") if p.get("class") == "total"]
    sections.append([words("".join(heading.itertext()))] + [words("".join(t.itertext())) for t in total])
info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True, check=True).stdout
pages = int(re.search(r"^Pages:\s+(\d+)", info, re.M).group(1))
assert pages == len(sections), f"{pdf}: {pages} pages for {len(sections)} sections"
for number, wanted in enumerate(sections, 1):
    text = subprocess.run(["pdftotext", "-f", str(number), "-l", str(number), "-enc", "UTF-8", pdf, "-"],
                          capture_output=True, text=True, check=True).stdout
    for line in wanted:
        assert line in words(text), f"{pdf}: page {number} lacks {line!r}:\n{text}"
print(f"{pdf}: {pages} pages, each with its heading and total")
