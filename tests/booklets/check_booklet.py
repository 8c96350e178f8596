# A booklet folder: index.html parses without a single error as HTML5, uses
# no script and no URL, and its pictures are exactly the other files (the
# parts' small pictures are in the page itself, as data: URIs) beside the
# marker that tells the folder is the program's own.
import os, sys, html5lib
folder = sys.argv[1]
with open(os.path.join(folder, "index.html"), "rb") as page:
    tree = html5lib.HTMLParser(strict=True, namespaceHTMLElements=False).parse(page)
sources = {img.get("src") for img in tree.iter("img") if not img.get("src").startswith("data:image/png;base64,")}
assert not list(tree.iter("script")) and not list(tree.iter("link")), "scripts or links"
assert sources | {"index.html", ".vexocad"} == set(os.listdir(folder)), (sources, os.listdir(folder))
