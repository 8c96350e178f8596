# A booklet printed: `vexocad --steps NAME.vxo` writes it as a folder and as
# a PDF; headless Chromium prints the folder's page on PAPER (A4 or Letter);
# both PDFs must have one page per section of index.html, each showing its
# section's heading and the total of its parts, which come last (see
# check_pages.py). One Chromium start per booklet.
#   python3 print_booklet.py VEXOCAD NAME.vxo OUTDIR A4|Letter
import os, shutil, subprocess, sys, tempfile

vexocad, script, outdir, paper = sys.argv[1:5]
name = os.path.splitext(os.path.basename(script))[0]
folder, pdf, printed = (os.path.join(outdir, name + suffix) for suffix in ("", ".pdf", "-imprime.pdf"))
shutil.rmtree(folder, ignore_errors=True)
os.makedirs(outdir, exist_ok=True)
for target in (folder, pdf):
    run = subprocess.run([vexocad, "--steps", os.path.basename(script), "-o", os.path.abspath(target)],
                         cwd=os.path.dirname(os.path.abspath(script)), capture_output=True, text=True)
    assert run.returncode == 0 and not run.stdout + run.stderr, (target, run.returncode, run.stdout, run.stderr)
# Chromium prints on Letter unless the page names a size: A4 is asked in a
# copy of the page beside it.
page = os.path.join(folder, "index.html")
if paper == "A4":
    with open(page, encoding="utf-8") as f:
        text = f.read().replace("</style>", "@page{size:A4}</style>", 1)
    page = os.path.join(folder, "imprime-a4.html")
    with open(page, "w", encoding="utf-8") as f:
        f.write(text)
profile = tempfile.mkdtemp()
try:
    subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                    "--disable-background-networking", "--disable-component-update", "--disable-sync",
                    "--user-data-dir=" + profile, "--no-pdf-header-footer", "--print-to-pdf=" + os.path.abspath(printed),
                    "file://" + os.path.abspath(page)], capture_output=True, timeout=180, check=True)
finally:
    shutil.rmtree(profile, ignore_errors=True)
info = subprocess.run(["pdfinfo", printed], capture_output=True, text=True, check=True).stdout
assert f"({paper.lower()})" in info.lower(), info
here = os.path.dirname(os.path.abspath(__file__))
for booklet in (printed, pdf):
    subprocess.run([sys.executable, os.path.join(here, "check_pages.py"), os.path.join(folder, "index.html"), booklet],
                   check=True)
