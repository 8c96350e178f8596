# vexocad --parts through its boundaries: counts against --dump, the CSV
# read back as a collection, the HTML through a strict HTML5 parser, the
# text table against NAME.parts, and hostile collections refused.
#   python3 check_parts.py VEXOCAD WORKDIR SCRIPT...
import csv, html5lib, os, shutil, subprocess, sys

vexocad, work, scripts = sys.argv[1], sys.argv[2], sys.argv[3:]
os.makedirs(work, exist_ok=True)

def run(*args):
    return subprocess.run([vexocad, *args], capture_output=True, text=True)

def hex_of(rgb):  # as the view shows a colour: clamped, rounded to a byte
    return "#" + "".join("%02X" % int(min(max(float(c), 0), 1) * 255 + 0.5) for c in rgb)

def dumped_counts(script):
    counts = {}
    for line in run("--dump", script).stdout.splitlines():
        w = line.split()
        if w[0] == "piece":
            key = (w[3], hex_of(w[5:8]))
            counts[key] = counts.get(key, 0) + 1
    return counts

for script in scripts:
    out = os.path.join(work, os.path.basename(script))
    assert run("--parts", script, "-o", out + ".csv").returncode == 0, script
    rows = list(csv.DictReader(open(out + ".csv", encoding="utf-8", newline="")))
    listed = {(r["Sorte"], r["Couleur"]): int(r["Quantité"]) for r in rows if r["Sorte"]}
    assert listed == dumped_counts(script), (script, listed)
    assert rows[-1]["Quantité"] == str(sum(listed.values())), script
    have = run("--parts", script, "--have", out + ".csv")
    assert have.returncode == 0 and have.stdout.splitlines()[-1].split()[-1] == "0", have
    assert run("--parts", script, "-o", out + ".html").returncode == 0, script
    page = open(out + ".html", "rb").read()
    html5lib.HTMLParser(strict=True).parse(page)
    assert page.count(b'<img src="data:image/png;base64,') == len(listed), script
    assert b"<script" not in page and b"http" not in page, script
    expected = os.path.splitext(script)[0] + ".parts"
    if os.path.exists(expected):
        assert run("--parts", script).stdout == open(expected, encoding="utf-8").read(), expected

# Control characters of the script's name are left out of the page's title
# and heading, as the booklet leaves them out: a strict parser takes the page.
odd = os.path.join(os.fsencode(work), b"mod\x01\x1b[2J\x7fle\x9b.vxo")
shutil.copyfile(scripts[0], odd)
assert subprocess.run([vexocad, "--parts", odd, "-o", os.path.join(work, "odd.html")]).returncode == 0
page = open(os.path.join(work, "odd.html"), "rb").read()
html5lib.HTMLParser(strict=True).parse(page)
assert "<h1>Pièces de mod[2Jle›.vxo</h1>" in page.decode("utf-8"), page[:400]

# Collections as spreadsheets save them, for colours.vxo: content, then
# what the list must say is in stock, by name and colour.
colours = next(script for script in scripts if script.endswith("/colours.vxo"))
white8, grey8, wheel = ("Connecteur rond 8 clips", "#FFFFFF"), ("Connecteur rond 8 clips", "#808080"), ("Roue", "#8080FF")
spreadsheets = [
    # French spreadsheets: semicolons, capitals (accented too), names in any case.
    (b"SORTE;COULEUR;QUANTIT\xc3\x89\r\n8;#FFFFFF;3\r\n", {white8: 3}),
    (b"Pi\xc3\xa8ce;Couleur;Quantit\xc3\xa9\r\nconnecteur rond 8 clips;#808080;2\r\n", {grey8: 2}),
    (b"PI\xc3\x88CE,QUANTIT\xc3\x89\nconnecteur rond 8 clips,1\n", {white8: 1}),
    (b'"Pi\xe8ce";"Couleur";"QUANTIT\xc9"\r\n"ROUE";"";"1"\r\n', {wheel: 1}),  # Windows-1252, quoted
    (b"Pi\xe8ce\tCouleur\tQuantit\xe9\nConnecteur Rond 8 Clips\t#808080\t1\nroue\t\t1\n", {grey8: 1, wheel: 1}),
    # A byte-order mark before Windows-1252 text: the mark dropped, the rest read as Windows-1252.
    (b"\xef\xbb\xbfPI\xc8CE;Quantit\xe9\r\nRoue;1\r\n", {wheel: 1}),
    (b"\xef\xbb\xbf Sorte , Quantit\xc3\xa9 , Note;x\n8,4,a;b\n", {white8: 4}),
]
for i, (content, held) in enumerate(spreadsheets):
    path, listed = os.path.join(work, "spreadsheet%d.csv" % i), os.path.join(work, "spreadsheet%d-list.csv" % i)
    open(path, "wb").write(content)
    r = run("--parts", colours, "--have", path, "-o", listed)
    assert r.returncode == 0, (content, r.stderr)
    rows = list(csv.DictReader(open(listed, encoding="utf-8", newline="")))
    stock = {(row["Pièce"], row["Couleur"]): int(row["En stock"]) for row in rows if row["Sorte"] and row["En stock"] != "0"}
    assert stock == held, (content, stock)

# Hostile collections: content, then what the message must say.
hostile = [
    (b"a,b\n1,2\n", "colonnes Sorte"),
    (b"Sorte,Couleur,Quantit\xc3\xa9\n8,#FFFFFF,-3\n", "ligne 2 : quantit"),
    (b"Sorte,Couleur,Quantit\xc3\xa9\n8,,99999999999999\n", "de 0 à 1000000"),
    (b"Sorte,Couleur,Quantit\xc3\xa9\n17,,1\n", "sorte inconnue"),
    (b"Pi\xc3\xa8ce,Couleur,Quantit\xc3\xa9\nTige 7,,1\n", "pièce inconnue"),
    (b"Sorte,Couleur,Quantit\xc3\xa9\n8,#12345G,1\n", "couleur"),
    (b"Sorte,Couleur,Quantit\xc3\xa9\n8,\"#FFF\n", "guillemet"),
    (b"Sorte,Couleur,Quantit\xc3\xa9\n" + b"8,,600000\n" * 2, "plus de 1000000"),
    (b"\x89PNG\r\n\x1a\n\x00\x00", "octets nuls"),
    (b"", "vide"),
    (b"," * 40 + b"\n", "plus de 32 colonnes"),
    (b"Sorte;Pi\xc3\xa8ce;Sorte;Quantit\xc3\xa9\n8;;8;1\n", "ligne 1, colonne 3 : une deuxième colonne « Sorte » (la première est la colonne 1)"),
    (b"Quantit\xe9\tPi\xe8ce\tQUANTITE\nx\t1\t1\n", "ligne 1, colonne 3 : une deuxième colonne « QUANTITE »"),
    (b"Sorte;Couleur;Quantit\xc3\xa9\n8;;1\nRoue;;1\n", "ligne 3 : sorte inconnue « Roue »"),
]
for i, (content, message) in enumerate(hostile):
    path = os.path.join(work, "hostile%d.csv" % i)
    open(path, "wb").write(content)
    r = run("--parts", scripts[0], "--have", path)
    assert r.returncode == 2 and message in r.stderr and path in r.stderr, (content, r.stderr)
fifo = os.path.join(work, "fifo.csv")
if not os.path.exists(fifo):
    os.mkfifo(fifo)
r = run("--parts", scripts[0], "--have", fifo)
assert r.returncode == 2 and "fichier ordinaire" in r.stderr, r.stderr
r = run("--parts", scripts[0], "-o", os.path.join(work, "missing-folder", "list.html"))
assert r.returncode == 4 and "Impossible d'écrire" in r.stderr and not os.path.exists(os.path.dirname(r.args[-1]))
