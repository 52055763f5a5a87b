#!/usr/bin/env python3
"""Side-by-side timings of zorvel-cli against other tools, in one run.

Bookmark import: zorvel-cli list vs buku's import vs the npm package bookmarks-parser vs a
plain Python html.parser reader, on generated Chrome-style exports (the repository's own
generator, fixed seed). Image resizing: zorvel-cli image vs Pillow vs ImageMagick convert,
whole commands on an uncompressed 4000x3000 RGBA TGA (so codecs weigh little).

Installs its peers (Debian buku, python3-pil, imagemagick, hyperfine; npm bookmarks-parser
into the work folder), builds zorvel-cli and the generator (Release), prints a Markdown table.
Usage: bench/peers/run_peers.py [--runs N] [--sizes 10000,100000] [--no-buku-100k]
"""
import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
WORK = os.environ.get("ZORVEL_PEERS_DIR", os.path.join(tempfile.gettempdir(), "zorvel-peers"))
BUILD = os.path.join(ROOT, "build", "peers")
# Debian's interpreter: that is where python3-pil is installed.
PY = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable

PY_BASELINE = r'''
import sys
from html.parser import HTMLParser
class R(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.n = 0; self.stack = []; self.in_a = False; self.in_h3 = False
    def handle_starttag(self, tag, attrs):
        if tag == "a" and any(k == "href" for k, _ in attrs):
            self.n += 1; self.in_a = True
        elif tag == "h3":
            self.in_h3 = True; self.stack.append("")
        elif tag == "dl":
            pass
    def handle_endtag(self, tag):
        if tag == "a": self.in_a = False
        elif tag == "h3": self.in_h3 = False
        elif tag == "dl" and self.stack: self.stack.pop()
    def handle_data(self, d):
        if self.in_h3 and self.stack: self.stack[-1] += d
r = R()
with open(sys.argv[1], encoding="utf-8") as f:
    r.feed(f.read())
print(r.n)
'''

NODE_READER = r'''
const fs = require("fs");
const parse = require("bookmarks-parser");
parse(fs.readFileSync(process.argv[2], "utf8"), (err, res) => {
  if (err) { console.error(err); process.exit(1); }
  let n = 0;
  const walk = (items) => { for (const b of items) {
    if (b.type === "bookmark") n++; if (b.children) walk(b.children); } };
  walk(res.bookmarks);
  console.log(n);
});
'''


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, **kw)


def install_peers():
    extra = ["buku", "python3-pil", "imagemagick", "hyperfine"]
    # Node.js may come from elsewhere than Debian; its packages only when it is missing.
    if not (shutil.which("node") and shutil.which("npm")):
        extra += ["nodejs", "npm"]
    run([os.path.join(ROOT, "scripts", "bootstrap")] + extra)
    npm_dir = os.path.join(WORK, "npm")
    if not os.path.isdir(os.path.join(npm_dir, "node_modules", "bookmarks-parser")):
        os.makedirs(npm_dir, exist_ok=True)
        run(["npm", "install", "--silent", "--prefix", npm_dir, "bookmarks-parser"])
    return npm_dir


def build():
    run(["cmake", "-S", ROOT, "-B", BUILD, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
         "-DZORVEL_BUILD_BENCH=ON", "-DZORVEL_BUILD_TESTS=OFF"], stdout=subprocess.DEVNULL)
    run(["cmake", "--build", BUILD, "--target", "zorvel-cli", "zorvel-gen-bookmarks"],
        stdout=subprocess.DEVNULL)
    return (os.path.join(BUILD, "src", "cli", "zorvel-cli"),
            os.path.join(BUILD, "bench", "model", "zorvel-gen-bookmarks"))


def hyperfine(commands, runs, prepare=None):
    """Returns {name: [seconds...]} for {name: shell command}."""
    out = os.path.join(WORK, "hf.json")
    args = ["hyperfine", "--style", "none", "--export-json", out, "--runs", str(runs)]
    if prepare:
        args += ["--prepare", prepare]
    names = list(commands)
    for n in names:
        args += ["-n", n, commands[n]]
    run(args, stdout=subprocess.DEVNULL)
    with open(out) as f:
        data = json.load(f)
    return {r["command"]: r["times"] for r in data["results"]}


def count_output(cmd, env=None):
    return subprocess.run(cmd, shell=True, check=True, capture_output=True, text=True,
                          env=env).stdout.strip()


def table(title, rows, ref):
    print(f"\n### {title}\n")
    print("| tool | min s | median s | median ÷ zorvel-cli | found |")
    print("|---|---:|---:|---:|---:|")
    base = statistics.median(rows[ref][0])
    for name, (times, found) in rows.items():
        med = statistics.median(times)
        print(f"| {name} | {min(times):.3f} | {med:.3f} | {med / base:.1f}× | {found} |")
    sys.stdout.flush()


def bench_bookmarks(cli, gen, npm_dir, sizes, runs, buku_big):
    node_js = os.path.join(WORK, "reader.js")
    py_reader = os.path.join(WORK, "reader.py")
    with open(node_js, "w") as f:
        f.write(NODE_READER)
    with open(py_reader, "w") as f:
        f.write(PY_BASELINE)
    env = dict(os.environ, NODE_PATH=os.path.join(npm_dir, "node_modules"))
    os.environ["NODE_PATH"] = env["NODE_PATH"]
    for n in sizes:
        html = os.path.join(WORK, f"chrome_{n}.html")
        if not os.path.exists(html):
            run([gen, str(n), html], stdout=subprocess.DEVNULL)
        mb = os.path.getsize(html) / 1e6
        buku_home = os.path.join(WORK, "buku-home")
        buku_cmd = (f"rm -rf {buku_home} && XDG_DATA_HOME={buku_home} "
                    f"buku --nostdin --tacit -i {html} >/dev/null 2>&1 </dev/null")
        cmds = {
            "zorvel-cli list": f"{cli} list {html} >/dev/null 2>&1",
            "Python html.parser": f"{PY} {py_reader} {html} >/dev/null",
            "npm bookmarks-parser": f"node {node_js} {html} >/dev/null",
        }
        times = hyperfine(cmds, runs)
        found = {
            "zorvel-cli list": count_output(f"{cli} list {html} 2>/dev/null | wc -l"),
            "Python html.parser": count_output(f"{PY} {py_reader} {html}"),
            "npm bookmarks-parser": count_output(f"node {node_js} {html}", env=env),
        }
        rows = {k: (times[k], found[k]) for k in cmds}
        if n <= 10000 or buku_big:
            t = hyperfine({"buku import": buku_cmd}, 1 if n > 10000 else runs)
            db = os.path.join(buku_home, "buku", "bookmarks.db")
            found_buku = count_output(
                f"python3 -c \"import sqlite3;print(sqlite3.connect('{db}')"
                f".execute('select count(*) from bookmarks').fetchone()[0])\"")
            rows["buku import"] = (t["buku import"], found_buku)
        table(f"Import of {n:,} Chrome-style bookmarks ({mb:.0f} MB), whole commands", rows,
              "zorvel-cli list")


def bench_images(cli, runs):
    src = os.path.join(WORK, "photo_4000x3000.tga")
    if not os.path.exists(src):
        run([PY, "-c",
             "import random\nfrom PIL import Image\nrandom.seed(7)\n"
             "im = Image.effect_mandelbrot((4000, 3000), (-2.2, -1.2, 1.0, 1.2), 100)"
             ".convert('RGB')\n"
             "r, g, b = im.split()\n"
             "a = Image.linear_gradient('L').resize((4000, 3000))\n"
             f"Image.merge('RGBA', (r, g.rotate(90, expand=False), b, a)).save(r'{src}')"])
    out = os.path.join(WORK, "out.tga")
    cases = [
        ("Lanczos3 4000×3000 → 1000×750", "lanczos3", "LANCZOS", "Lanczos", 1000, 750),
        ("Lanczos3 4000×3000 → 8000×6000", "lanczos3", "LANCZOS", "Lanczos", 8000, 6000),
        ("bilinear 4000×3000 → 1000×750", "bilinear", "BILINEAR", "Triangle", 1000, 750),
        ("bicubic 4000×3000 → 1000×750", "bicubic", "BICUBIC", "Catrom", 1000, 750),
    ]
    base = hyperfine({
        "zorvel-cli (load+save only)": f"{cli} image {src} {out} >/dev/null 2>&1",
        "Pillow (load+save only)": f"{PY} -c \"from PIL import Image; Image.open(r'{src}').save(r'{out}')\"",
        "ImageMagick (load+save only)": f"convert {src} {out}",
    }, runs)
    table("Image load + save, no resize (the fixed cost inside the rows below)",
          {k: (v, "-") for k, v in base.items()}, "zorvel-cli (load+save only)")
    for title, zf, pf, mf, w, h in cases:
        t = hyperfine({
            "zorvel-cli image": f"{cli} image --resize {w} {h} --filter {zf} {src} {out} >/dev/null 2>&1",
            "Pillow": f"{PY} -c \"from PIL import Image; Image.open(r'{src}')"
                      f".resize(({w}, {h}), Image.{pf}).save(r'{out}')\"",
            "ImageMagick convert": f"convert {src} -filter {mf} -resize {w}x{h}! {out}",
        }, runs)
        table(f"{title}, whole commands", {k: (v, "-") for k, v in t.items()},
              "zorvel-cli image")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--sizes", default="10000,100000")
    ap.add_argument("--no-buku-100k", action="store_true",
                    help="skip buku above 10,000 bookmarks (it takes minutes)")
    ap.add_argument("--skip-images", action="store_true")
    ap.add_argument("--skip-bookmarks", action="store_true")
    a = ap.parse_args()
    os.makedirs(WORK, exist_ok=True)
    npm_dir = install_peers()
    cli, gen = build()
    print(f"zorvel-cli: {cli}; work folder: {WORK}; {os.cpu_count()} cores; runs: {a.runs}")
    if not a.skip_bookmarks:
        bench_bookmarks(cli, gen, npm_dir, [int(s) for s in a.sizes.split(",")], a.runs,
                        not a.no_buku_100k)
    if not a.skip_images:
        bench_images(cli, a.runs)


if __name__ == "__main__":
    main()
