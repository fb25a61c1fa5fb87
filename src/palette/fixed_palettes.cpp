#include "palette/fixed_palettes.h"

#include <cstddef>
#include <cstdint>

namespace tintwell {
namespace {

// The 256-color palette is built from its ranges rather than spelled out entry by entry:
//   0-9      the low system colors
//   10-217   the 6x6x6 cube (red slowest, blue fastest) without its 8 black/white/primary
//            corners, which the system colors already hold
//   218-235  three extra levels for each of the six primary and secondary hues
//   236-245  ten extra grays
//   246-255  the high system colors
constexpr FixedPalette256 MakeBuiltInPalette256() {
    constexpr Rgb kLowSystem[] = {{0, 0, 0},       {128, 0, 0},    {0, 128, 0},   {128, 128, 0},
                                  {0, 0, 128},     {128, 0, 128},  {0, 128, 128}, {192, 192, 192},
                                  {192, 220, 192}, {166, 202, 240}};
    constexpr std::uint8_t kCubeLevels[] = {0, 51, 102, 153, 204, 255};
    constexpr std::uint8_t kHueLevels[] = {77, 179, 230};
    // Which channels carry the level in each hue group: red, green, blue, then the pairs.
    constexpr bool kHueChannels[][3] = {{true, false, false}, {false, true, false},
                                        {false, false, true}, {true, true, false},
                                        {true, false, true},  {false, true, true}};
    constexpr std::uint8_t kGrays[] = {17, 34, 68, 85, 119, 136, 170, 187, 221, 238};
    constexpr Rgb kHighSystem[] = {{255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},
                                   {0, 255, 0},     {255, 255, 0},   {0, 0, 255},     {255, 0, 255},
                                   {0, 255, 255},   {255, 255, 255}};

    FixedPalette256 palette{};
    std::size_t i = 0;
    for (const Rgb& c : kLowSystem)
        palette[i++] = c;

    const auto isCorner = [](std::uint8_t v) { return v == 0 || v == 255; };
    for (std::uint8_t r : kCubeLevels) {
        for (std::uint8_t g : kCubeLevels) {
            for (std::uint8_t b : kCubeLevels) {
                if (isCorner(r) && isCorner(g) && isCorner(b)) continue;
                palette[i++] = Rgb{r, g, b};
            }
        }
    }

    for (const auto& channels : kHueChannels) {
        for (std::uint8_t v : kHueLevels) {
            palette[i++] = Rgb{channels[0] ? v : std::uint8_t{0}, channels[1] ? v : std::uint8_t{0},
                               channels[2] ? v : std::uint8_t{0}};
        }
    }

    for (std::uint8_t v : kGrays)
        palette[i++] = Rgb{v, v, v};
    for (const Rgb& c : kHighSystem)
        palette[i++] = c;
    return palette;
}

constexpr FixedPalette256 kBuiltInPalette256 = MakeBuiltInPalette256();

// The range boundaries: a miscounted range shifts everything behind it.
static_assert(kBuiltInPalette256[9] == Rgb{166, 202, 240});
static_assert(kBuiltInPalette256[10] == Rgb{0, 0, 51});
static_assert(kBuiltInPalette256[217] == Rgb{255, 255, 204});
static_assert(kBuiltInPalette256[218] == Rgb{77, 0, 0});
static_assert(kBuiltInPalette256[235] == Rgb{0, 230, 230});
static_assert(kBuiltInPalette256[236] == Rgb{17, 17, 17});
static_assert(kBuiltInPalette256[246] == Rgb{255, 251, 240});
static_assert(kBuiltInPalette256[255] == Rgb{255, 255, 255});

constexpr FixedPalette16 kBuiltInPalette16 = {{{0, 0, 0},
                                               {128, 0, 0},
                                               {0, 128, 0},
                                               {128, 128, 0},
                                               {0, 0, 128},
                                               {128, 0, 128},
                                               {0, 128, 128},
                                               {192, 192, 192},
                                               {128, 128, 128},
                                               {255, 0, 0},
                                               {0, 255, 0},
                                               {255, 255, 0},
                                               {0, 0, 255},
                                               {255, 0, 255},
                                               {0, 255, 255},
                                               {255, 255, 255}}};

}  // namespace

const FixedPalette256& BuiltInPalette256() {
    return kBuiltInPalette256;
}

const FixedPalette16& BuiltInPalette16() {
    return kBuiltInPalette16;
}

}  // namespace tintwell
