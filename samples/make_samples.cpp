// Writes the small sprite-like bitmaps of samples/: a figure, a slime, a coin, a tile sheet
// and a menu panel at 4, 8 and 24 bits. They share their outline, key and gold colors, so
// together they give a common palette of about thirty colors. The output is the same on
// every run.
//
//   tintwell-make-samples DIR

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <span>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "synthetic_bitmap.h"

namespace {

using tintwell::Rgb;
using namespace tintwell::synthetic;

constexpr Rgb kKey{255, 0, 255};  // the background that sprite tools treat as transparent
constexpr Rgb kOutline{28, 24, 40};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kSkin{240, 188, 148};
constexpr Rgb kHair{110, 62, 30};
constexpr Rgb kRed{198, 40, 52};
constexpr Rgb kRedDark{130, 28, 40};
constexpr Rgb kBlue{52, 84, 176};
constexpr Rgb kBoot{74, 44, 26};
constexpr Rgb kGold{246, 196, 56};
constexpr Rgb kGoldDark{188, 128, 28};
constexpr Rgb kGoldLight{255, 236, 148};
constexpr Rgb kGrass{82, 160, 64};
constexpr Rgb kGrassDark{44, 108, 48};
constexpr Rgb kGrassLight{148, 208, 96};
constexpr Rgb kStone{130, 130, 140};
constexpr Rgb kStoneDark{86, 86, 100};
constexpr Rgb kStoneLight{180, 180, 190};
constexpr Rgb kWater{48, 104, 196};
constexpr Rgb kWaterDark{30, 64, 140};
constexpr Rgb kWaterLight{112, 168, 236};
constexpr Rgb kPath{176, 136, 88};

using Legend = std::span<const std::pair<char, Rgb>>;

// Pixels as 0xRRGGBB, rows top to bottom.
struct Canvas {
    int width;
    int height;
    std::vector<std::uint32_t> pixels;

    Canvas(int w, int h, Rgb fill)
        : width(w), height(h), pixels(static_cast<std::size_t>(w * h), Pack(fill)) {}

    void Set(int x, int y, Rgb c) { pixels[static_cast<std::size_t>(y * width + x)] = Pack(c); }
};

// Pixel art, one character per pixel, each drawn as a `scale` x `scale` square.
Canvas FromArt(std::span<const std::string_view> art, int scale, Legend legend) {
    const int w = static_cast<int>(art[0].size());
    const int h = static_cast<int>(art.size());
    Canvas canvas(w * scale, h * scale, kKey);
    for (int y = 0; y < h * scale; ++y) {
        for (int x = 0; x < w * scale; ++x) {
            const char c =
                art[static_cast<std::size_t>(y / scale)][static_cast<std::size_t>(x / scale)];
            for (const auto& [symbol, color] : legend) {
                if (symbol == c) canvas.Set(x, y, color);
            }
        }
    }
    return canvas;
}

Picture TrueColor(const Canvas& canvas) {
    Picture picture;
    picture.width = canvas.width;
    picture.height = canvas.height;
    picture.bitCount = 24;
    picture.pixels = canvas.pixels;
    return picture;
}

// The canvas as palette indices; every color it uses must be in `palette`.
Picture Indexed(const Canvas& canvas, std::uint16_t bitCount, std::vector<Rgb> palette,
                bool topDown) {
    std::unordered_map<std::uint32_t, std::uint32_t> indexOf;
    for (std::size_t i = palette.size(); i-- > 0;) {
        indexOf[Pack(palette[i])] = static_cast<std::uint32_t>(i);
    }
    Picture picture;
    picture.width = canvas.width;
    picture.height = canvas.height;
    picture.bitCount = bitCount;
    picture.topDown = topDown;
    picture.palette = std::move(palette);
    for (const std::uint32_t p : canvas.pixels)
        picture.pixels.push_back(indexOf.at(p));
    return picture;
}

// A figure, 32 x 32, 8-bit with a full 256-entry palette as paint programs save it: the
// sprite's colors first, one of them (white) unused, then a gray ramp nobody uses.
Picture Hero() {
    static constexpr std::string_view kArt[] = {
        "................", ".....OOOOOO.....", "....OHHHHHHO....", "...OHHHHHHHHO...",
        "...OHSSSSSSHO...", "...OSOSSSSOSO...", "...OSSSSSSSSO...", "....OSSSSSSO....",
        "...OORRRRRROO...", "..OSORRGGRROSO..", "..OSODRRRRDOSO..", "...OOBBBBBBOO...",
        "....OBBOOBBO....", "....OBBOOBBO....", "...OKKKOOKKKO...", "...OOOOOOOOOO...",
    };
    static constexpr std::pair<char, Rgb> kLegend[] = {
        {'O', kOutline}, {'H', kHair}, {'S', kSkin}, {'R', kRed},
        {'D', kRedDark}, {'G', kGold}, {'B', kBlue}, {'K', kBoot},
    };
    std::vector<Rgb> palette = {kKey,     kOutline, kHair, kSkin, kRed,
                                kRedDark, kGold,    kBlue, kBoot, kWhite};
    for (int i = static_cast<int>(palette.size()); i < 256; ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        palette.push_back({v, v, v});
    }
    return Indexed(FromArt(kArt, 2, kLegend), 8, std::move(palette), false);
}

// A slime, 32 x 32, 4-bit; its 16 entries in an order of their own.
Picture Slime() {
    static constexpr std::string_view kArt[] = {
        "................", "................", "................", "................",
        "......OOOO......", "....OOLLLLOO....", "...OLLWWLGGGO...", "..OLLWWGGGGGGO..",
        "..OGGGGGGGGGGO..", ".OGGOOGGGGOOGGO.", ".OGGOWGGGGOWGGO.", ".OGGGGGGGGGGGGO.",
        ".ODGGGGOOGGGGDO.", "..ODDGGGGGGDDO..", "...OODDDDDDOO...", "................",
    };
    static constexpr std::pair<char, Rgb> kLegend[] = {
        {'O', kOutline}, {'G', kGrass}, {'L', kGrassLight}, {'D', kGrassDark}, {'W', kWhite},
    };
    std::vector<Rgb> palette = {
        {0, 0, 0},     kOutline,        kGrassDark,      kGrass,      kGrassLight,   kWhite,
        kKey,          {128, 0, 0},     {0, 128, 0},     {0, 0, 128}, {128, 128, 0}, {0, 128, 128},
        {128, 0, 128}, {192, 192, 192}, {128, 128, 128}, {64, 64, 64}};
    return Indexed(FromArt(kArt, 2, kLegend), 4, std::move(palette), false);
}

// A coin, 32 x 32, 24-bit: a shaded disc drawn from its distance to the centre.
Picture Coin() {
    Canvas canvas(32, 32, kKey);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const double dx = x - 15.5;
            const double dy = y - 15.5;
            const double d = std::sqrt(dx * dx + dy * dy);
            if (d > 13.0) continue;
            Rgb c = kGold;
            if (d > 12.0) {
                c = kOutline;
            } else if (d > 10.5) {
                c = kGoldDark;
            } else if (dx + dy < -9.0) {
                c = kGoldLight;
            } else if (std::abs(dx) < 1.5 && std::abs(dy) < 6.0) {
                c = kGoldDark;
            }
            canvas.Set(x, y, c);
        }
    }
    canvas.Set(10, 9, kWhite);
    canvas.Set(9, 10, kWhite);
    return TrueColor(canvas);
}

// A tile sheet, 128 x 64, 24-bit: rows of 16 x 16 grass, brick, water and path tiles.
Picture Tiles() {
    Canvas canvas(128, 64, kKey);
    Random random(0x711E5);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 128; ++x) {
            const int ty = y % 16;
            const std::uint32_t roll = random.Below(100);
            Rgb c;
            switch (y / 16) {
                case 0:
                    c = roll < 10 ? kGrassDark : roll < 15 ? kGrassLight : kGrass;
                    break;
                case 1: {
                    // Bricks 16 x 8, every other course shifted by half a brick.
                    const int shift = (ty / 8) % 2 == 0 ? 0 : 8;
                    if (ty % 8 == 7 || (x + shift) % 16 == 15) {
                        c = kStoneDark;
                    } else {
                        c = ty % 8 == 0 ? kStoneLight : kStone;
                    }
                    break;
                }
                case 2:
                    if (ty % 4 == 1 && (x + 2 * (ty / 4)) % 8 < 3) {
                        c = kWaterLight;
                    } else {
                        c = roll < 5 ? kWaterDark : kWater;
                    }
                    break;
                default:
                    if (ty < 2) {
                        c = kGrassDark;
                    } else {
                        c = roll < 8 ? kBoot : kPath;
                    }
                    break;
            }
            canvas.Set(x, y, c);
        }
    }
    return TrueColor(canvas);
}

// A menu panel, 64 x 48, 8-bit stored top-down, with a palette of exactly its 13 colors in
// shuffled order: a beveled gold frame around a blue gradient with lines of "text".
Picture MenuPanel() {
    std::vector<Rgb> blues;
    for (int i = 0; i < 8; ++i) {
        blues.push_back({static_cast<std::uint8_t>(24 + 5 * i),
                         static_cast<std::uint8_t>(36 + 8 * i),
                         static_cast<std::uint8_t>(84 + 12 * i)});
    }
    Canvas canvas(64, 48, kOutline);
    for (int y = 1; y < 47; ++y) {
        for (int x = 1; x < 63; ++x) {
            const int edge = std::min(std::min(x, 63 - x), std::min(y, 47 - y));
            Rgb c;
            if (edge == 1) {
                // Light from the top left: the top and left sides of the bevel are lit.
                c = std::min(x, y) == 1 ? kGoldLight : kGoldDark;
            } else if (edge == 2) {
                c = kGold;
            } else if (edge == 3) {
                c = kOutline;
            } else {
                c = blues[static_cast<std::size_t>((y - 4) * 8 / 40)];
            }
            canvas.Set(x, y, c);
        }
    }
    // Three lines of "text" with a gold bullet each.
    for (int line = 0; line < 3; ++line) {
        const int y = 12 + 10 * line;
        canvas.Set(8, y, kGold);
        canvas.Set(9, y, kGold);
        canvas.Set(8, y + 1, kGold);
        canvas.Set(9, y + 1, kGold);
        for (int x = 12; x < 52 - 8 * line; ++x) {
            if (x % 6 < 4) {
                canvas.Set(x, y, kWhite);
                canvas.Set(x, y + 1, kWhite);
            }
        }
    }
    std::vector<Rgb> palette = {kOutline, kGoldLight, kGold, kGoldDark, kWhite};
    palette.insert(palette.end(), blues.begin(), blues.end());
    Random random(0x9A9E1);
    random.Shuffle(palette);
    return Indexed(canvas, 8, std::move(palette), true);
}

bool Write(const std::filesystem::path& path, const Picture& picture) {
    const std::vector<std::uint8_t> bytes = EncodeBmp(picture);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::cerr << "tintwell-make-samples: cannot write " << path.string() << "\n";
        return false;
    }
    std::cout << path.string() << "\n";
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: tintwell-make-samples DIR\n";
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) {
        std::cerr << "tintwell-make-samples: cannot create " << dir.string() << "\n";
        return 1;
    }
    const bool ok = Write(dir / "hero.bmp", Hero()) && Write(dir / "slime-4bit.bmp", Slime()) &&
                    Write(dir / "coin_24.bmp", Coin()) && Write(dir / "Tiles.BMP", Tiles()) &&
                    Write(dir / "menu panel.bmp", MenuPanel());
    return ok ? 0 : 1;
}
