#include "app/cli_options.h"

namespace tintwell::cli {

const char* UsageText() {
    return R"(Usage: tintwell-cli [options] FILE|FOLDER...
Collects every color that the BMP and PNG files use into one common palette
and, with -o, writes each file again as a 4- or 8-bit indexed image whose
palette is that common palette: a bitmap as a BMP file, a PNG image as a PNG
file, unless --format says otherwise.

  -o, --output DIR       write every accepted file into DIR (created if
                         missing), remapped to the common palette
  -m, --mode MODE        rgb (bit reduction, default) | fixed256 | fixed16
  -b, --bits R,G,B       bits kept per channel in rgb mode, 1..8; one number
                         sets all three (default 8)
  -d, --depth N          16 or 256 palette entries in the output (default
                         256; 16 in fixed16 mode)
      --key-color COLOR  the color of transparent pixels (alpha 0) in 16- and
                         32-bit bitmaps and in PNG images: R,G,B or rrggbb
                         (default 255,0,255)
  -p, --palette FILE     palette file for the fixed modes: .act, GIMP .gpl,
                         JASC-PAL .pal or .hex (default: the built-in palette)
      --sort ORDER       none (default: order of first appearance) | pixels
                         (most pixels first) | pixels-asc
      --format FORMAT    same (default: each file keeps its format) | bmp |
                         png; the output name takes the format's extension
                         (a.bmp -> a.png)
      --save-palette F   write the common palette to F in the format its
                         extension names: .act (768 bytes), .gpl, .pal
                         (JASC-PAL) or .hex
  -f, --force            overwrite existing output files (otherwise they are
                         left alone and reported)
      --json             print the result as JSON on standard output (a usage
                         error as {"error": ...})
      --lang LANG        ja | en: the language of the messages about files
                         (default: from LANGUAGE, LC_ALL, LC_MESSAGES, LANG)
  -q, --quiet            print no summary and no progress
  -h, --help             show this text
      --version          show the version

Files are taken in base-name order; only .bmp and .png files are read (each
by its content), a later file with the same base name (ignoring case and
extension) is skipped, and at most 128 files are taken. A folder stands for
the .bmp and .png files directly inside it.
A palette file given with -p is read by its content: a 768-byte .act (or 772
with a count), a GIMP, JASC-PAL or hex palette; a palette of fewer than 256
colors is filled up with black. A file that is none of these, holds no
colors or more than 256, or is larger than 1 MiB, stops the run rather than
falling back to the built-in palette. Images of more than 16384 x 16384
pixels (in any shape) are refused. Writing stops at a file that cannot be
opened or created, or whose output would be the file itself; the files after
it are not written and no palette file is saved.

Exit status: 0 everything done; 1 some file refused, skipped as existing, or
failed (the rest done); 2 usage error or nothing could be done.

Example:
  tintwell-cli -b 5 --sort pixels -o out/ --save-palette game.act sprites/
)";
}

const char* ModeName(PaletteMode mode) {
    switch (mode) {
        case PaletteMode::Fixed256:
            return "fixed256";
        case PaletteMode::Fixed16:
            return "fixed16";
        case PaletteMode::RgbBits:
            break;
    }
    return "rgb";
}

}  // namespace tintwell::cli
