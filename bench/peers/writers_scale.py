#!/usr/bin/env python3
"""Whole-command timings of the writers and the folder scan, side by side in one run.

  writers_scale.py [--cli PATH] [--baseline PATH] [--runs N] [--only NAMES] [--work DIR]

--baseline: a zorvel-cli built from an older commit, timed in the same run (the
machine may be busy: only ratios measured together mean much). Cases:
  scaling   export-folder of N equal titles, merge of N sibling folders and of a
            chain of N nested folders, N = 10k/20k/40k (each should grow linearly)
  scan      `list` of a tree of .url/.website files against a C program that walks
            and reads the same tree (bench/peers/c_tree_read.c); system calls per
            file from strace -c -f
  reexport  export-folder into an empty folder, again over the tree it wrote, and
            `cp -r` of that tree
  memory    peak resident memory (/usr/bin/time -v) of `list` and `merge` at 100k
            and 1M Chrome-style bookmarks (zorvel-gen-bookmarks)
"""
import argparse
import json
import os
import re
import shutil
import statistics
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, **kw)


def hyperfine(commands, runs, prepare=None, work="/tmp"):
    out = os.path.join(work, "hf.json")
    args = ["hyperfine", "--style", "none", "--export-json", out, "--runs", str(runs)]
    if prepare:
        args += ["--prepare", prepare]
    for name, cmd in commands.items():
        args += ["-n", name, cmd]
    run(args, stdout=subprocess.DEVNULL)
    with open(out) as f:
        return {r["command"]: r["times"] for r in json.load(f)["results"]}


def header(cols):
    print("| " + " | ".join(cols) + " |")
    print("|" + "|".join("---" if i == 0 else "---:" for i in range(len(cols))) + "|")


def html_file(path, body):
    with open(path, "w", encoding="utf-8") as f:
        f.write("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<TITLE>Bookmarks</TITLE>\n"
                "<H1>Bookmarks</H1>\n<DL><p>\n")
        f.writelines(body)
        f.write("</DL><p>\n")


def item(i, title):
    return f'<DT><A HREF="https://example.com/{i}" ADD_DATE="{1600000000 + i}">{title}</A>\n'


def make_equal_titles(path, n):
    html_file(path, (item(i, "Home") for i in range(n)))


def make_siblings(path, n):
    html_file(path, (f"<DT><H3>Folder {i}</H3>\n<DL><p>\n{item(i, f'Page {i}')}</DL><p>\n"
                     for i in range(n)))


def make_deep(path, n):
    body = [f"<DT><H3>F{i}</H3>\n<DL><p>\n" for i in range(n)]
    body.append(item(0, "Bottom"))
    body += ["</DL><p>\n"] * n
    html_file(path, body)


def clis(args):
    out = {"zorvel-cli": args.cli}
    if args.baseline:
        out["before"] = args.baseline
    return out


def bench_scaling(args):
    cases = [
        ("export-folder, N equal titles", make_equal_titles, "export-folder"),
        ("merge, N sibling folders", make_siblings, "merge"),
        ("merge, N nested folders", make_deep, "merge"),
    ]
    for title, make, command in cases:
        print(f"\n### {title} (whole command, median s)\n")
        header(["N"] + [f"{k} s" for k in clis(args)] + ["output MB"])
        for n in (10_000, 20_000, 40_000):
            src = os.path.join(args.work, f"in-{make.__name__}-{n}.html")
            if not os.path.exists(src):
                make(src, n)
            out = os.path.join(args.work, "out")
            cmds = {}
            for name, cli in clis(args).items():
                cmds[name] = f"{cli} {command} -o {out}{'.html' if command == 'merge' else ''} {src}"
            times = hyperfine(cmds, args.runs, prepare=f"rm -rf {out} {out}.html", work=args.work)
            size = (os.path.getsize(out + ".html") if command == "merge" else
                    sum(os.path.getsize(os.path.join(d, f))
                        for d, _, fs in os.walk(out) for f in fs))
            row = [f"{statistics.median(times[k]):.3f}" for k in clis(args)]
            print(f"| {n:,} | " + " | ".join(row) + f" | {size / 1e6:.1f} |")
            sys.stdout.flush()


URL_KINDS = [
    "[{{000214A0-0000-0000-C000-000000000046}}]\r\nProp3=19,2\r\n[InternetShortcut]\r\nIDList=\r\n"
    "URL=https://example.com/page/{i}?ref=bench\r\nIconFile=https://example.com/favicon.ico\r\n"
    "IconIndex=1\r\n",
    "[InternetShortcut]\r\nURL=https://news.example.org/article/{i}\r\nIDList=\r\nHotKey=0\r\n"
    "IconFile=\r\nIconIndex=0\r\n",
    "[InternetShortcut]\r\nTitle=Bookmark number {i}\r\nURL=https://site{i}.example.net/\r\n"
    "IconFile=\r\nAddDate=1700000000\r\nCategory=Work\\Dev\r\nComment=first line\\nsecond line\r\n",
    "[{{000214A0-0000-0000-C000-000000000046}}]\r\nProp4=31,Pinned {i}\r\nProp3=19,2\r\n"
    "[InternetShortcut]\r\nURL=https://pinned.example.com/{i}\r\nIconFile=\r\nIconIndex=1\r\n",
]


def make_tree(root, n):
    if os.path.isdir(root):
        return
    per_folder = 200
    for i in range(n):
        folder = os.path.join(root, f"Group {i // (per_folder * 10)}", f"Sub {i // per_folder % 10}")
        if i % per_folder == 0:
            os.makedirs(folder, exist_ok=True)
        ext = ".website" if i % 4 == 3 else ".url"
        with open(os.path.join(folder, f"Site {i}{ext}"), "w", newline="") as f:
            f.write(URL_KINDS[i % 4].format(i=i))


def syscalls_per_file(cmd, files, work):
    log = os.path.join(work, "strace.txt")
    run(["strace", "-c", "-f", "-o", log] + cmd, stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL)
    with open(log) as f:
        m = re.search(r"^\s*100\.00\s+\S+\s+\S+\s+(\d+)", f.read(), re.M)
    return int(m.group(1)) / files if m else float("nan")


def bench_scan(args):
    floor = os.path.join(args.work, "c_tree_read")
    run(["cc", "-O2", "-o", floor, os.path.join(ROOT, "bench", "peers", "c_tree_read.c")])
    for n in (10_000, 100_000):
        tree = os.path.join(args.work, f"tree-{n}")
        make_tree(tree, n)
        argvs = {k: [v, "list", tree] for k, v in clis(args).items()}
        argvs["C read of the tree"] = [floor, tree]
        run(argvs["C read of the tree"], stdout=subprocess.DEVNULL)  # warm the page cache
        times = hyperfine({k: " ".join(f"'{a}'" for a in v) for k, v in argvs.items()},
                          args.runs, work=args.work)
        print(f"\n### Folder scan of {n:,} shortcut files (`list`, whole command)\n")
        header(["tool", "median s", "files/s", "÷ C read", "system calls per file"])
        base = statistics.median(times["C read of the tree"])
        for name, argv in argvs.items():
            med = statistics.median(times[name])
            calls = syscalls_per_file(argv, n, args.work)
            print(f"| {name} | {med:.3f} | {n / med:,.0f} | {med / base:.2f}× | {calls:.1f} |")
        sys.stdout.flush()


def bench_reexport(args):
    for n in (10_000, 100_000):
        tree = os.path.join(args.work, f"tree-{n}")
        make_tree(tree, n)
        print(f"\n### Folder export of {n:,} entries (whole command, median s)\n")
        header(["tool", "first export s", "again over it s", "again ÷ first"])
        copy = os.path.join(args.work, "copy")
        for name, cli in clis(args).items():
            out = os.path.join(args.work, f"exp-{name}")
            first = hyperfine({name: f"{cli} export-folder -o {out} {tree}"}, args.runs,
                              prepare=f"rm -rf {out}", work=args.work)[name]
            again = hyperfine({name: f"{cli} export-folder -o {out} {tree}"}, args.runs,
                              work=args.work)[name]
            f, a = statistics.median(first), statistics.median(again)
            print(f"| {name} | {f:.3f} | {a:.3f} | {a / f:.2f}× |")
        out = os.path.join(args.work, "exp-zorvel-cli")
        cp = hyperfine({"cp": f"cp -r {out} {copy}"}, args.runs, prepare=f"rm -rf {copy}",
                       work=args.work)["cp"]
        print(f"| cp -r of the written tree | {statistics.median(cp):.3f} | | |")
        sys.stdout.flush()


def peak_mb(cmd):
    r = subprocess.run(["/usr/bin/time", "-v"] + cmd, stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE, text=True, check=True)
    return int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", r.stderr).group(1)) / 1024


def bench_memory(args):
    gen = args.gen or os.path.join(os.path.dirname(args.cli), "..", "..", "bench", "model",
                                   "zorvel-gen-bookmarks")
    print("\n### Peak memory (MB, /usr/bin/time -v): `list` against `merge`\n")
    header(["bookmarks"] + [f"{k} {c}" for k in clis(args) for c in ("list", "merge")]
           + ["merge ÷ list"])
    for n in (100_000, 1_000_000):
        src = os.path.join(args.work, f"chrome-{n}.html")
        if not os.path.exists(src):
            run([gen, str(n), src], stdout=subprocess.DEVNULL)
        row, ratio = [], ""
        for name, cli in clis(args).items():
            lst = peak_mb([cli, "list", src])
            mrg = peak_mb([cli, "merge", "-o", os.path.join(args.work, "m.html"), src])
            row += [f"{lst:.0f}", f"{mrg:.0f}"]
            if name == "zorvel-cli":
                ratio = f"{mrg / lst:.2f}"
        print(f"| {n:,} | " + " | ".join(row) + f" | {ratio} |")
        sys.stdout.flush()


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawTextHelpFormatter)
    p.add_argument("--cli", default=os.path.join(ROOT, "build", "dev", "src", "cli", "zorvel-cli"))
    p.add_argument("--baseline")
    p.add_argument("--gen")
    p.add_argument("--runs", type=int, default=3)
    p.add_argument("--only", default="scaling,scan,reexport,memory")
    p.add_argument("--work", default="/tmp/zorvel-writers-bench")
    args = p.parse_args()
    os.makedirs(args.work, exist_ok=True)
    load = os.getloadavg()
    print(f"Load average at start: {load[0]:.1f} {load[1]:.1f} {load[2]:.1f} "
          f"on {os.cpu_count()} cores")
    for name in args.only.split(","):
        {"scaling": bench_scaling, "scan": bench_scan, "reexport": bench_reexport,
         "memory": bench_memory}[name](args)


if __name__ == "__main__":
    main()
