#!/usr/bin/env python3
"""Runs two builds of tintwell-cli on the same bitmaps and compares what they do.

    scripts/compare_cli.py OLD_CLI NEW_CLI [BMP_FILE_OR_FOLDER...]

Makes 4-, 8- and 24-bit bitmaps of its own (every header form, top-down rows, short and
full palettes, 24-bit files of up to and over 256 colors), adds the given files, and runs
both tools on each file alone and on all of its own files at once, in RGB mode at 8, 5 and
3,3,2 bits and in both fixed modes, at both depths. Where OLD accepts a file, NEW must print
the same JSON (the "format" field aside) and write the same bytes. Where OLD refuses it,
NEW's result is only counted. Exit status 0 when nothing differs.
"""
import filecmp
import json
import os
import random
import struct
import subprocess
import sys
import tempfile


def bmp(width, height, bits, pixels, palette=(), info=40, gap=0):
    """A bitmap of `pixels` (indices, or (r, g, b) for 24 bits), rows in stored order."""
    entry = 3 if info == 12 else 4
    table = b"".join(bytes((b, g, r)) + (b"" if entry == 3 else b"\0") for r, g, b in palette)
    stride = (abs(width) * bits + 31) // 32 * 4
    rows = b""
    for y in range(abs(height)):
        row = bytearray(stride)
        for x in range(width):
            v = pixels[y * width + x]
            if bits == 24:
                row[3 * x:3 * x + 3] = bytes((v[2], v[1], v[0]))
            elif bits == 8:
                row[x] = v
            else:
                row[x // 2] |= v << (4 if x % 2 == 0 else 0)
        rows += bytes(row)
    if info == 12:
        header = struct.pack("<IHHHH", 12, width, abs(height), 1, bits)
    else:
        header = struct.pack("<IiiHHIIiiII", info, width, height, 1, bits, 0, len(rows), 2835,
                             2835, len(palette), 0) + bytes(max(0, info - 40))
    off = 14 + len(header) + len(table) + gap
    return (b"BM" + struct.pack("<IHHI", off + len(rows), 0, 0, off) + header + table +
            bytes(gap) + rows)


def own_files(d):
    rnd = random.Random(14)
    paths = []
    for n in range(60):
        bits = rnd.choice((4, 8, 24))
        width, height = rnd.randint(1, 40), rnd.randint(1, 30)
        if rnd.random() < 0.3:
            height = -height
        info = rnd.choice((12, 40, 40, 108, 124)) if height > 0 else rnd.choice((40, 124))
        count = width * abs(height)
        if bits == 24:
            colors = rnd.choice((3, 40, 256, 300, 2000))
            pool = [tuple(rnd.randrange(256) for _ in range(3)) for _ in range(colors)]
            pixels = [rnd.choice(pool) for _ in range(count)]
            palette = ()
        else:
            size = rnd.randint(1, 1 << bits)
            palette = [tuple(rnd.randrange(256) for _ in range(3)) for _ in range(size)]
            pixels = [rnd.randrange(1 << bits) for _ in range(count)]
        path = os.path.join(d, f"own{n:02d}.bmp")
        with open(path, "wb") as f:
            f.write(bmp(width, height, bits, pixels, palette, info, rnd.choice((0, 0, 6))))
        paths.append(path)
    return paths


def run(cli, out, args, files):
    result = subprocess.run([cli, "-q", "-f", "--json", "-o", out, *args, *files],
                            capture_output=True, text=True)
    report = json.loads(result.stdout)
    for f in report["files"]:
        f.pop("format", None)
    return result.returncode, report


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    old, new = sys.argv[1], sys.argv[2]
    modes = [["-m", "rgb"], ["-m", "rgb", "-b", "5"], ["-m", "rgb", "-b", "3,3,2", "-d", "16"],
             ["-m", "rgb", "-b", "3,3,2"], ["-m", "fixed256"], ["-m", "fixed16"],
             ["-m", "fixed16", "-d", "256"]]
    same = differ = newly = 0
    with tempfile.TemporaryDirectory() as d:
        own = own_files(d)
        given = []
        for arg in sys.argv[3:]:
            if os.path.isdir(arg):
                given += sorted(os.path.join(arg, n) for n in os.listdir(arg) if n.endswith(".bmp"))
            else:
                given.append(arg)
        def compare(args, files):
            """Runs both on `files`; the paths that OLD wrote, and whether NEW did alike."""
            outs = [os.path.join(d, "old"), os.path.join(d, "new")]
            for o in outs:
                subprocess.run(["rm", "-rf", o])
            a = run(old, outs[0], args, files)
            b = run(new, outs[1], args, files)
            accepted = [f["path"] for f in a[1]["files"] if f["status"] == "written"]
            if not accepted:
                return accepted, any(f["status"] == "written" for f in b[1]["files"]), True
            alike = a[1]["colors"] == b[1]["colors"] and a[0] == b[0]
            for x, y in zip(a[1]["files"], b[1]["files"]):
                if x["status"] != "written":
                    continue
                name = os.path.basename(x["path"])
                alike = alike and x == y and filecmp.cmp(
                    os.path.join(outs[0], name), os.path.join(outs[1], name), shallow=False)
            return accepted, False, alike

        # Each file alone, then in each mode every file that OLD took alone, all at once:
        # colors from earlier files change how later ones map.
        for args in modes:
            taken = []
            for path in own + given:
                accepted, only_new, alike = compare(args, [path])
                taken += accepted
                newly += only_new
                if accepted:
                    same += alike
                    differ += not alike
                    if not alike:
                        print(f"differs: {' '.join(args)} {path}")
            for batch in (taken[:128], [p for p in taken if p in own][:128]):
                accepted, _, alike = compare(args, batch)
                same += alike
                differ += not alike
                if not alike:
                    print(f"differs: {' '.join(args)} on {len(batch)} files at once")
    print(f"compare_cli: {same} runs alike, {differ} differ, {newly} runs accepted only by NEW")
    return 1 if differ else 0


if __name__ == "__main__":
    sys.exit(main())
