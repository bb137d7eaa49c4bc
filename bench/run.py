#!/usr/bin/env python3
"""Removal speed and memory: Orlavex against GNU rm -rf (native build) and against Windows' own
rd /s /q (Windows build under Wine), on identical generated trees.

usage: bench/run.py [--pairs N] [--only NAME ...] [--work DIR]

Each tree is generated once (not timed), then copied afresh before every run (not timed) to
C:\\TaobaoAssistant\\Users of a temporary drive map. Runs come in pairs that alternate which side
goes first; the program gets standard input at end of input. Prints a Markdown table: medians with
the min-max spread, the ratio of medians, system calls per removed entry (strace -c -f, one run
each) and peak resident memory (GNU time).
"""
import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
NATIVE = os.path.join(ROOT, "build", "native", "orlavex")
WINDOWS = os.path.join(ROOT, "build", "windows-x64", "orlavex.exe")


def name(rng, length):
    return "".join(rng.choice("0123456789abcdef") for _ in range(length))


def write_files(folder, count, rng, max_size):
    for _ in range(count):
        with open(os.path.join(folder, name(rng, 16) + ".cache"), "wb") as f:
            f.write(b"x" * rng.randrange(max_size + 1))


def wide_tree(root, users, caches, buckets, files, max_size=2048):
    """users x caches x buckets leaf folders of `files` files each, three levels deep."""
    rng = random.Random(7)
    for u in range(users):
        for c in range(caches):
            for b in range(buckets):
                leaf = os.path.join(root, f"user{u:02d}", f"cache_{c:04d}", name(rng, 8))
                os.makedirs(leaf)
                write_files(leaf, files, rng, max_size)


def flat_tree(root, files):
    os.makedirs(root)
    write_files(root, files, random.Random(11), 256)


def chain_tree(root, depth):
    folder = root
    for level in range(depth):
        folder = os.path.join(folder, f"level{level:03d}")
        os.makedirs(folder)
        with open(os.path.join(folder, "data.cache"), "wb") as f:
            f.write(b"x" * 100)


TREES = {
    "wide": ("about 100,000 files in 10,110 folders, 3 levels", lambda r: wide_tree(r, 10, 10, 100, 10)),
    "flat": ("200,000 files in one folder", lambda r: flat_tree(r, 200000)),
    "chain": ("100 folders deep, a file in each", lambda r: chain_tree(r, 100)),
    "wine": ("about 10,000 files in 1,110 folders (Wine)", lambda r: wide_tree(r, 10, 10, 10, 10)),
}


def count_entries(root):
    return sum(len(dirs) + len(files) for _, dirs, files in os.walk(root)) + 1


def place(template, users):
    if os.path.lexists(users):
        subprocess.run(["rm", "-rf", users], check=True)
    os.makedirs(os.path.dirname(users), exist_ok=True)
    subprocess.run(["cp", "-a", template, users], check=True)
    subprocess.run(["sync"], check=True)


def timed(command, env=None):
    """Wall seconds and peak resident kilobytes of one run (GNU time)."""
    report = tempfile.NamedTemporaryFile(delete=False)
    report.close()
    start = time.perf_counter()
    subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report.name] + command, env=env,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, check=True)
    wall = time.perf_counter() - start
    with open(report.name) as f:
        peak = int(f.read().split()[-1])
    os.unlink(report.name)
    return wall, peak


def syscalls(command, env=None):
    """System calls made by one run and its children (strace -c -f)."""
    out = tempfile.NamedTemporaryFile(delete=False)
    out.close()
    subprocess.run(["strace", "-c", "-f", "-o", out.name] + command, env=env,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, check=True)
    with open(out.name) as f:
        total = [line for line in f if line.rstrip().endswith("total")]
    os.unlink(out.name)
    return int(total[0].split()[3]) if total else -1


def spread(values):
    return f"{statistics.median(values):.3f} ({min(values):.3f}-{max(values):.3f})"


def compare(label, entries, template, users, sides, pairs, gone_check):
    """sides: [(name, command, env)] x2. Returns a table row."""
    walls = {s[0]: [] for s in sides}
    peaks = {s[0]: [] for s in sides}
    for i in range(pairs):
        for side in (sides if i % 2 == 0 else sides[::-1]):
            place(template, users)
            wall, peak = timed(side[1], side[2])
            if not gone_check():
                sys.exit(f"{side[0]} left {users} behind")
            walls[side[0]].append(wall)
            peaks[side[0]].append(peak)
    calls = {}
    for side in sides:
        place(template, users)
        calls[side[0]] = syscalls(side[1], side[2])
    (a, _, _), (b, _, _) = sides
    ratio = statistics.median(walls[a]) / statistics.median(walls[b])
    return (f"| {label} | {entries:,} | {spread(walls[a])} | {spread(walls[b])} | {ratio:.2f} | "
            f"{calls[a] / entries:.2f} / {calls[b] / entries:.2f} | "
            f"{statistics.median(peaks[a]) / 1024:.1f} / {statistics.median(peaks[b]) / 1024:.1f} |")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--pairs", type=int, default=5)
    parser.add_argument("--only", nargs="*", choices=sorted(TREES), default=sorted(TREES))
    parser.add_argument("--work", default=None, help="folder for the trees (default: a new one in /var/tmp)")
    args = parser.parse_args()
    for program in (NATIVE, WINDOWS):
        if not os.path.exists(program):
            sys.exit(f"build it first: {program} is missing")

    work = args.work or tempfile.mkdtemp(prefix="orlavex-bench-", dir="/var/tmp")
    prefix = os.path.join(work, "prefix")
    drive = os.path.join(work, "c")
    users = os.path.join(drive, "TaobaoAssistant", "Users")
    env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
               LANG="zh_CN.UTF-8")
    rows = []
    try:
        for tree in args.only:
            description, generate = TREES[tree]
            template = os.path.join(work, "template-" + tree)
            generate(template)
            entries = count_entries(template)
            print(f"{tree}: {description}, {entries:,} entries", file=sys.stderr)
            if tree == "wine":
                rows.append(wine_row(description, entries, template, work, env, args.pairs))
                continue
            os.makedirs(os.path.join(prefix, "dosdevices"), exist_ok=True)
            device = os.path.join(prefix, "dosdevices", "c:")
            if not os.path.lexists(device):
                os.symlink(drive, device)
            sides = [("orlavex", [NATIVE], env), ("rm -rf", ["rm", "-rf", users], env)]
            rows.append(compare(description, entries, template, users, sides, args.pairs,
                                lambda: not os.path.lexists(users)))
            shutil.rmtree(template)
    finally:
        subprocess.run(["wineserver", "-k"], env=env, stderr=subprocess.DEVNULL)
        subprocess.run(["rm", "-rf", work])

    print("| tree | entries | orlavex s, median (min-max) | other s, median (min-max) | ratio | "
          "syscalls per entry, orlavex / other | peak MiB, orlavex / other |")
    print("|---|---|---|---|---|---|---|")
    for row in rows:
        print(row)


def wine_row(description, entries, template, work, env, pairs):
    prefix = env["WINEPREFIX"] + "-wine"
    env = dict(env, WINEPREFIX=prefix)
    os.makedirs(prefix, exist_ok=True)
    subprocess.run(["wineserver", "-p"], env=env, check=True)
    subprocess.run(["wine", "wineboot", "-i"], env=env, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    users = os.path.join(prefix, "drive_c", "TaobaoAssistant", "Users")
    sides = [("orlavex", ["wine", WINDOWS], env),
             ("rd /s /q", ["wine", "cmd", "/c", "rd", "/s", "/q", "C:\\TaobaoAssistant\\Users"], env)]
    try:
        return compare(description + " vs rd /s /q", entries, template, users, sides, pairs,
                       lambda: not os.path.lexists(users))
    finally:
        subprocess.run(["wineserver", "-k"], env=env)


if __name__ == "__main__":
    main()
