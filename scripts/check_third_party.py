#!/usr/bin/env python3
"""Checks tintwell-cli against other programs' bitmaps and other programs' decoders.

    scripts/check_third_party.py CLI_PATH [BMPSUITE_DIR]

Writes bitmaps with ImageMagick (default 8-bit: RLE8 behind a 124-byte header,
-monochrome, RGB565, 32-bit with alpha, RLE8 as BMP3), Pillow (modes 1, P, RGB, RGBA),
netpbm (ppmtobmp -bpp 1, 4, 8, 24) and a small RLE4 writer of its own (ImageMagick 6
writes no RLE4), and takes the files of BMPSUITE_DIR/g. Runs the tool on each in RGB mode
(8 and 3,3,2 bits) and in both fixed modes, and compares every output pixel, decoded by
Pillow, with the color the mode gives the input pixel as Pillow (or, for what Pillow does
not read, ImageMagick) decodes it: the pixel itself at 8 bits, the same color under the
masks at fewer, the nearest color of the fixed palette. A pixel with alpha 0 is the key
color 255,0,255. Exit status 0 when all agree, 1 on a mismatch, 77 when a tool is missing.
"""
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile

try:
    from PIL import Image
except ImportError:
    print("check_third_party: Pillow is missing; skipped")
    sys.exit(77)

KEY = (255, 0, 255)
WIDTH, HEIGHT = 37, 23


def need(tool):
    if shutil.which(tool) is None:
        print(f"check_third_party: {tool} is missing; skipped")
        sys.exit(77)


def run(args, **kw):
    return subprocess.run(args, check=True, capture_output=True, **kw)


def source_images(d):
    """A gradient of 851 colors, and the same with alpha 0, 128 and 255 in turn."""
    rgb = Image.new("RGB", (WIDTH, HEIGHT))
    rgba = Image.new("RGBA", (WIDTH, HEIGHT))
    for y in range(HEIGHT):
        for x in range(WIDTH):
            c = (x * 7 % 256, y * 11 % 256, x * y % 256)
            rgb.putpixel((x, y), c)
            rgba.putpixel((x, y), c + ((0, 128, 255)[(x + y) % 3],))
    rgb.save(os.path.join(d, "src.png"))
    rgba.save(os.path.join(d, "srca.png"))
    return rgb, rgba


def rle4(image, path):
    """An RLE4 bitmap of a 16-color image: encoded runs and absolute runs, an end of
    line after each row and an end of bitmap."""
    p = image.quantize(16)
    w, h = p.size
    pal = p.getpalette()[:48]
    data = bytearray()
    for y in range(h - 1, -1, -1):
        row = [p.getpixel((x, y)) for x in range(w)]
        x = 0
        while x < w:
            n = 1
            while x + n < w and n < 255 and row[x + n] == row[x]:
                n += 1
            if n >= 2 or w - x < 3:
                data += bytes((n, row[x] << 4 | row[x]))
                x += n
                continue
            n = min(w - x, 8)
            nibbles = row[x:x + n] + [0]
            packed = bytes(nibbles[i] << 4 | nibbles[i + 1] for i in range(0, n, 2))
            data += bytes((0, n)) + packed + (b"\0" if len(packed) % 2 else b"")
            x += n
        data += b"\0\0"
    data += b"\0\1"
    table = b"".join(bytes((pal[3 * i + 2], pal[3 * i + 1], pal[3 * i], 0)) for i in range(16))
    off = 14 + 40 + len(table)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 4, 2, len(data), 2835, 2835, 16, 0)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", off + len(data), 0, 0, off) + info + table + data)


def make_files(d, rgb, rgba):
    """Every writer's files: name -> (path, alpha image or None)."""
    src, srca = os.path.join(d, "src.png"), os.path.join(d, "srca.png")
    files = {}

    def im(name, *args, alpha=None, form=""):
        path = os.path.join(d, name)
        run(["convert", *args, form + path])
        files[name] = (path, alpha)

    im("im-8.bmp", src, "-type", "Palette")
    im("im-mono.bmp", src, "-monochrome")
    im("im-565.bmp", src, "-define", "bmp:subtype=RGB565")
    im("im-32-alpha.bmp", srca, alpha=rgba)
    im("im-rle8.bmp", src, "-type", "Palette", "-compress", "RLE", form="BMP3:")

    for mode, image in (("1", rgb.convert("1")), ("P", rgb.quantize(200)), ("RGB", rgb),
                        ("RGBA", rgba)):
        path = os.path.join(d, f"pil-{mode}.bmp")
        image.save(path)
        files[f"pil-{mode}.bmp"] = (path, rgba if mode == "RGBA" else None)

    for bpp, colors in ((1, 2), (4, 16), (8, 256), (24, 0)):
        ppm = os.path.join(d, f"q{bpp}.ppm")
        (rgb.quantize(colors).convert("RGB") if colors else rgb).save(ppm)
        path = os.path.join(d, f"netpbm-{bpp}.bmp")
        with open(path, "wb") as out:
            subprocess.run(["ppmtobmp", "-bpp", str(bpp), ppm], check=True, stdout=out,
                           stderr=subprocess.DEVNULL)
        files[f"netpbm-{bpp}.bmp"] = (path, None)

    path = os.path.join(d, "own-rle4.bmp")
    rle4(rgb, path)
    files["own-rle4.bmp"] = (path, None)
    return files


def bit_field_channels(path):
    """The channel widths of a 16-bit bitmap (red, green, blue), else None."""
    with open(path, "rb") as f:
        b = f.read(70)
    if len(b) < 54 or struct.unpack("<H", b[28:30])[0] != 16:
        return None
    masks = (0x7C00, 0x03E0, 0x001F)
    if struct.unpack("<I", b[30:34])[0] == 3 and len(b) >= 66:
        masks = struct.unpack("<III", b[54:66])
    return [bin(m).count("1") for m in masks]


def rescale_pillow(pixels, channels):
    """Pillow scales an n-bit channel value v as v * 255 // max; the same v scaled as
    (v * 255 + max / 2) / max, the rounding other decoders use."""
    tables = []
    for n in channels:
        top = (1 << n) - 1
        tables.append({v * 255 // top: (v * 255 + top // 2) // top for v in range(top + 1)})
    return [tuple(tables[k][p[k]] for k in range(3)) for p in pixels]


def with_key(pixels, alpha):
    """Alpha 0 is the key color unless no pixel of the image has any alpha. `alpha` is an
    image whose fourth channel holds it, a list of values, or None for none."""
    if alpha is None:
        return pixels
    a = [p[3] for p in alpha.getdata()] if hasattr(alpha, "getdata") else alpha
    if not any(a):
        return pixels
    return [KEY if a[i] == 0 else pixels[i] for i in range(len(pixels))]


def references(path, alpha):
    """Each pixel's color as Pillow and as ImageMagick read it, rows top-down:
    [(decoder, size, pixels)], whichever of the two reads the file."""
    found = []
    try:
        image = Image.open(path)
        image.load()
        pixels = list(image.convert("RGB").getdata())
        channels = bit_field_channels(path)
        if channels and max(channels) <= 8:
            pixels = rescale_pillow(pixels, channels)
        own = image if alpha is None and image.mode == "RGBA" else alpha
        found.append(("Pillow", image.size, with_key(pixels, own)))
    except Exception:
        pass
    try:
        size = tuple(int(v) for v in run(["identify", "-format", "%w %h", path]).stdout.split())
        raw = run(["convert", path, "-depth", "8", "rgba:-"]).stdout
        pixels = [tuple(raw[i:i + 3]) for i in range(0, len(raw), 4)]
        own = alpha if alpha is not None else [raw[i + 3] for i in range(0, len(raw), 4)]
        found.append(("ImageMagick", size, with_key(pixels, own)))
    except subprocess.CalledProcessError:
        pass
    return found


def decode(path):
    image = Image.open(path)
    return image.size, list(image.convert("RGB").getdata())


def nearest(color, palette):
    best, index = None, 0
    for i, c in enumerate(palette):
        dist = sum((color[k] - c[k]) ** 2 for k in range(3))
        if best is None or dist < best:
            best, index = dist, i
    return palette[index]


def main():
    if len(sys.argv) not in (2, 3):
        print(__doc__)
        return 2
    cli = os.path.abspath(sys.argv[1])
    suite = sys.argv[2] if len(sys.argv) == 3 else None
    for tool in ("convert", "identify", "ppmtobmp"):
        need(tool)

    modes = [("rgb-8", ["-m", "rgb"], (0xFF, 0xFF, 0xFF)),
             ("rgb-332", ["-m", "rgb", "-b", "3,3,2"], (0xE0, 0xE0, 0xC0)),
             ("fixed256", ["-m", "fixed256"], None),
             ("fixed16", ["-m", "fixed16"], None)]
    failures = 0
    notes = set()
    checked = 0
    pixels_checked = 0
    with tempfile.TemporaryDirectory() as d:
        rgb, rgba = source_images(d)
        files = make_files(d, rgb, rgba)
        if suite and os.path.isdir(os.path.join(suite, "g")):
            for name in sorted(os.listdir(os.path.join(suite, "g"))):
                files["g/" + name] = (os.path.join(suite, "g", name), None)
        for name, (path, alpha) in sorted(files.items()):
            refs = references(path, alpha)
            if not refs:
                print(f"{name}: neither Pillow nor ImageMagick reads it")
                failures += 1
                continue
            distinct = len(set(refs[0][2]))
            for mode, args, mask in modes:
                out = os.path.join(d, "out-" + mode)
                result = subprocess.run([cli, "-q", "-f", "--json", "-o", out, *args, path],
                                        capture_output=True, text=True)
                entry = json.loads(result.stdout)["files"][0]
                if entry["status"] != "written":
                    if mode == "rgb-8" and distinct > 256 and entry["status"] == "refused":
                        continue  # more than 256 colors kept whole: refused, as it must be
                    print(f"{name} {mode}: {entry['status']}: {entry['message']}")
                    failures += 1
                    continue
                palette = [(c["red"], c["green"], c["blue"])
                           for c in json.loads(result.stdout)["colors"]]
                out_size, got = decode(os.path.join(out, os.path.basename(path)))
                checked += 1
                pixels_checked += len(got)
                verdicts = []
                for decoder, size, want in refs:
                    if out_size != size:
                        verdicts.append(f"{decoder}: size {out_size} instead of {size}")
                        continue
                    memo = {}
                    bad = 0
                    for w, have in zip(want, got):
                        if mask is None:
                            if w not in memo:
                                memo[w] = nearest(w, palette)
                            bad += memo[w] != have
                        else:
                            bad += any(w[k] & mask[k] != have[k] & mask[k] for k in range(3))
                    verdicts.append(f"{decoder}: {bad} of {len(got)} pixels differ" if bad else "")
                if all(verdicts):
                    print(f"{name} {mode}: " + "; ".join(verdicts))
                    failures += 1
                elif any(verdicts):
                    agreed = [r[0] for r, v in zip(refs, verdicts) if not v]
                    notes.add(f"{name}: agrees with {', '.join(agreed)} only "
                              f"({'; '.join(v for v in verdicts if v)})")
    for note in sorted(notes):
        print("note: " + note)
    print(f"check_third_party: {len(files)} files, {checked} outputs, {pixels_checked} pixels "
          f"compared, {failures} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
