# A booklet folder: index.html parses without a single error as HTML5, uses
# no script and no URL, and its pictures are exactly the other files.
import os, sys, html5lib
folder = sys.argv[1]
with open(os.path.join(folder, "index.html"), "rb") as page:
    tree = html5lib.HTMLParser(strict=True, namespaceHTMLElements=False).parse(page)
sources = {img.get("src") for img in tree.iter("img")}
assert not list(tree.iter("script")) and not list(tree.iter("link")), "scripts or links"
assert sources | {"index.html"} == set(os.listdir(folder)), (sources, os.listdir(folder))
