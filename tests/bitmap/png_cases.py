#!/usr/bin/env python3
"""PNG (and bitmap) inputs made by Pillow and ImageMagick, with the colors Pillow decodes.

    png_cases.py make DIR    writes the inputs (pil-rgb8.png with pHYs of 2835 pixels a metre), and for each NAME.EXT the file NAME.EXT.rgb:
                             width and height (32-bit little-endian), then red, green, blue
                             bytes of every pixel, top row first, as Pillow decodes the
                             input; a pixel with alpha 0 is the key color 255,0,255, 16-bit
                             samples keep their high byte. Inputs whose name starts with
                             "few-" have at most 16 colors.
    png_cases.py check DIR   decodes every *.out.png and *.out.bmp of DIR with Pillow into
                             FILE.rgb the same way; each PNG must pass pngcheck and
                             ImageMagick's identify. Prints each complaint; exit 1 on any.
Exit 77 when Pillow or ImageMagick is missing.
"""
import os
import shutil
import struct
import subprocess
import sys

try:
    from PIL import Image
except ImportError:
    print("png_cases: Pillow is missing; skipped")
    sys.exit(77)

KEY = (255, 0, 255)
W, H = 29, 13
# A pool of colors shared by all inputs, so that a whole set fits one 256-color table.
POOL = [((i * 37) % 256, (i * 91 + 7) % 256, (i * 53 + 11) % 256) for i in range(48)]


def rgb_of(im):
    """Pillow's decode of `im` as (w, h, [rgb]), with the key-color and 16-bit rules."""
    im.load()
    trns = im.info.get("transparency")
    out = []
    if im.mode == "P":
        rgba = im.convert("RGBA")
        data = [(p[:3] if p[3] != 0 else KEY) for p in rgba.getdata()]
        return im.size, data
    if im.mode in ("I", "I;16", "I;16B"):
        for v in im.getdata():
            out.append(KEY if trns is not None and v == trns else (v >> 8,) * 3)
        return im.size, out
    if im.mode in ("1", "L"):
        for v in im.convert("L").getdata():
            raw = v if im.mode == "L" else (1 if v else 0)
            out.append(KEY if trns is not None and raw == trns else (v,) * 3)
        return im.size, out
    if im.mode == "LA":
        for v, a in im.getdata():
            out.append(KEY if a == 0 else (v,) * 3)
        return im.size, out
    if im.mode == "RGB":
        for p in im.getdata():
            out.append(KEY if trns is not None and tuple(p) == tuple(trns) else tuple(p))
        return im.size, out
    if im.mode == "RGBA":
        return im.size, [(p[:3] if p[3] != 0 else KEY) for p in im.getdata()]
    raise SystemExit(f"png_cases: unexpected mode {im.mode}")


def save_rgb(path, size, data):
    with open(path, "wb") as f:
        f.write(struct.pack("<II", *size))
        f.write(bytes(c for p in data for c in p))


def top_down(source, target):
    """The same 24-bit bitmap with its rows stored top row first (negative height)."""
    with open(source, "rb") as f:
        b = bytearray(f.read())
    off, = struct.unpack_from("<I", b, 10)
    w, h = struct.unpack_from("<ii", b, 18)
    stride = (w * 3 + 3) // 4 * 4
    rows = [b[off + r * stride: off + (r + 1) * stride] for r in range(h)]
    struct.pack_into("<i", b, 22, -h)
    b[off:] = b"".join(reversed(rows))
    with open(target, "wb") as f:
        f.write(b)


def make(d):
    def pixel(x, y, n):
        return POOL[(x * 3 + y * 5) % n]

    rgb = Image.new("RGB", (W, H))
    rgba = Image.new("RGBA", (W, H))
    gray = Image.new("L", (W, H))
    for y in range(H):
        for x in range(W):
            rgb.putpixel((x, y), pixel(x, y, 40))
            rgba.putpixel((x, y), pixel(x, y, 40) + ((0, 128, 255)[(x + y) % 3],))
            gray.putpixel((x, y), (x * 9 + y * 17) % 40 * 6)
    few = rgb.quantize(16, dither=Image.Dither.NONE) if hasattr(Image, "Dither") else rgb.quantize(16)
    p8 = rgb.quantize(40)
    files = {}
    # Pillow: palette (8-bit, with tRNS, 4-bit, 1-bit), gray 8 and 1, gray with tRNS, gray +
    # alpha, RGB, RGB with tRNS, RGBA, 16-bit gray; bitmaps of a palette and an RGB image.
    p8.save(os.path.join(d, "pil-p8.png"))
    p8.save(os.path.join(d, "pil-p8-trns.png"), transparency=3)
    few.save(os.path.join(d, "few-pil-p4.png"), bits=4)
    gray.point(lambda v: 255 if v > 100 else 0).convert("1").save(os.path.join(d, "few-pil-gray1.png"))
    gray.save(os.path.join(d, "pil-gray8.png"))
    gray.save(os.path.join(d, "pil-gray8-trns.png"), transparency=36)
    Image.merge("LA", (gray, rgba.getchannel("A"))).save(os.path.join(d, "pil-graya8.png"))
    rgb.save(os.path.join(d, "pil-rgb8.png"), dpi=(72, 72))
    rgb.save(os.path.join(d, "pil-rgb8-trns.png"), transparency=POOL[5])
    rgba.save(os.path.join(d, "pil-rgba8.png"))
    gray16 = gray.point(lambda v: v * 257 + (v % 7) * 19, "I")
    gray16.save(os.path.join(d, "pil-gray16.png"))
    gray16.save(os.path.join(d, "pil-gray16-trns.png"), transparency=gray16.getpixel((3, 2)))
    p8.save(os.path.join(d, "pil-p8.bmp"))
    rgb.save(os.path.join(d, "pil-rgb.bmp"))
    top_down(os.path.join(d, "pil-rgb.bmp"), os.path.join(d, "top-down-rgb.bmp"))
    # ImageMagick: 16-bit RGB and RGBA, interlaced palette and RGB, 2- and 4-bit gray, 8-bit
    # palette with tRNS, a top-down 24-bit bitmap.
    src = os.path.join(d, "src-rgb.ppm")
    rgb.save(src)
    srca = os.path.join(d, "src-rgba.png")
    rgba.save(srca)
    im = [
        (src, ["-depth", "16"], "PNG48:im-rgb16.png"),
        (srca, ["-depth", "16"], "PNG64:im-rgba16.png"),
        (src, ["-interlace", "PNG"], "PNG8:im-p8-interlaced.png"),
        (src, ["-interlace", "PNG"], "PNG24:im-rgb8-interlaced.png"),
        (srca, ["-interlace", "PNG"], "PNG32:im-rgba8-interlaced.png"),
        (src, ["-colorspace", "Gray", "-depth", "2", "-define", "png:bit-depth=2"],
         "PNG:few-im-gray2.png"),
        (src, ["-colorspace", "Gray", "-depth", "4", "-define", "png:bit-depth=4",
               "-define", "png:color-type=0"], "PNG:few-im-gray4.png"),
        (srca, [], "PNG8:im-p8-trns.png"),
        (src, ["-define", "bmp:format=bmp3", "-flip"], "BMP3:im-rgb24.bmp"),
    ]
    for source, options, target in im:
        prefix, name = target.split(":")
        subprocess.run(["convert", source] + options + [prefix + ":" + os.path.join(d, name)],
                       check=True, capture_output=True)
    os.remove(src)
    os.remove(srca)
    for name in sorted(os.listdir(d)):
        with Image.open(os.path.join(d, name)) as im:
            size, data = rgb_of(im)
        save_rgb(os.path.join(d, name + ".rgb"), size, data)


def check(d):
    bad = 0
    for name in sorted(os.listdir(d)):
        if ".out." not in name or name.endswith(".rgb"):
            continue
        path = os.path.join(d, name)
        if name.endswith(".png"):
            for tool in (["pngcheck", "-q", path], ["identify", "-regard-warnings", path]):
                r = subprocess.run(tool, capture_output=True, text=True)
                if r.returncode != 0:
                    print(f"{name}: {tool[0]}: {r.stdout.strip()} {r.stderr.strip()}")
                    bad += 1
        try:
            with Image.open(path) as im:
                size, data = rgb_of(im)
            save_rgb(path + ".rgb", size, data)
        except Exception as e:  # noqa: BLE001 - any failure to read is the complaint
            print(f"{name}: Pillow: {e}")
            bad += 1
    return 1 if bad else 0


if __name__ == "__main__":
    for tool in ("convert", "identify", "pngcheck"):
        if shutil.which(tool) is None:
            print(f"png_cases: {tool} is missing; skipped")
            sys.exit(77)
    if len(sys.argv) != 3 or sys.argv[1] not in ("make", "check"):
        raise SystemExit(__doc__)
    if sys.argv[1] == "make":
        make(sys.argv[2])
        sys.exit(0)
    sys.exit(check(sys.argv[2]))
