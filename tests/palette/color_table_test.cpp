#include "palette/color_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace tintwell {
namespace {

ColorQuad Quad(int red, int green, int blue) {
    return ColorQuad{static_cast<std::uint8_t>(blue), static_cast<std::uint8_t>(green),
                     static_cast<std::uint8_t>(red), 0xAB};
}

ChannelMask Mask(int bits) {
    return MaskFor(ChannelBits{bits, bits, bits});
}

Rgb ColorOf(const ColorSlot& s) {
    return Rgb{s.red, s.green, s.blue};
}

enum class Event { Inserted, Removed, Cleared, Milestone, Full };

struct RecordingObserver : ColorListObserver {
    std::vector<std::pair<Event, int>> events;

    void ColorRowInserted(int position) override { events.emplace_back(Event::Inserted, position); }
    void ColorRowRemoved(int position) override { events.emplace_back(Event::Removed, position); }
    void ColorRowsCleared() override { events.emplace_back(Event::Cleared, -1); }
    void ColorCountMilestone() override { events.emplace_back(Event::Milestone, -1); }
    void ColorTableFull() override { events.emplace_back(Event::Full, -1); }

    [[nodiscard]] int Count(Event kind) const {
        int n = 0;
        for (const auto& e : events)
            n += e.first == kind ? 1 : 0;
        return n;
    }
};

struct Fixture {
    ColorTable table;
    RecordingObserver observer;
    Fixture() { table.SetObserver(&observer); }
};

// What the analyser does with one file color in bit-reduction mode.
int Collect(ColorTable& table, ColorQuad color, ChannelMask mask, std::int64_t pixels = 1) {
    const int slot = table.FindMaskedColor(color, mask);
    if (slot >= 0) {
        table.Slot(slot).pixelCount += pixels;
        return slot;
    }
    return table.AddColor(color, pixels, mask);
}

TEST(ColorTable, StartsEmpty) {
    Fixture f;
    EXPECT_EQ(f.table.ColorCount(), 0);
    EXPECT_EQ(f.table.NextPaletteNumber(), 0);
    EXPECT_EQ(f.table.FindFreeSlot(), 0);
    EXPECT_EQ(f.table.FindMaskedColor(Quad(0, 0, 0), Mask(8)), -1);
}

struct BucketCase {
    int bits;
    int in;
    int stored;
};

TEST(ColorTable, AddColorStoresBucketCentre) {
    constexpr BucketCase kCases[] = {
        {8, 0, 0},  {8, 255, 255}, {8, 77, 77},   {7, 0, 1},     {7, 255, 255}, {6, 0, 2},
        {5, 0, 4},  {5, 7, 4},     {5, 248, 252}, {5, 255, 252}, {4, 0, 8},     {3, 0, 16},
        {2, 0, 32}, {1, 0, 64},    {1, 127, 64},  {1, 128, 192}, {1, 255, 192},
    };
    for (const BucketCase& c : kCases) {
        Fixture f;
        // Each channel with its own mask; the others kept whole.
        const ChannelMask masks[] = {{MaskForBits(c.bits), 0xFF, 0xFF},
                                     {0xFF, MaskForBits(c.bits), 0xFF},
                                     {0xFF, 0xFF, MaskForBits(c.bits)}};
        const int s0 = f.table.AddColor(Quad(c.in, 9, 9), 5, masks[0]);
        const int s1 = f.table.AddColor(Quad(9, c.in, 9), 5, masks[1]);
        const int s2 = f.table.AddColor(Quad(9, 9, c.in), 5, masks[2]);
        const auto v = static_cast<std::uint8_t>(c.stored);
        EXPECT_EQ(ColorOf(f.table.Slot(s0)), (Rgb{v, 9, 9})) << c.bits << " bits, " << c.in;
        EXPECT_EQ(ColorOf(f.table.Slot(s1)), (Rgb{9, v, 9})) << c.bits << " bits, " << c.in;
        EXPECT_EQ(ColorOf(f.table.Slot(s2)), (Rgb{9, 9, v})) << c.bits << " bits, " << c.in;
        EXPECT_EQ(f.table.Slot(s0).pixelCount, 5);
    }
}

struct MergeCase {
    int bits;
    ColorQuad first;
    ColorQuad second;
    int colors;     // colors in the table after both
    Rgb firstSlot;  // what slot 0 holds
};

TEST(ColorTable, NearColorsMergeUnderMask) {
    const MergeCase kCases[] = {
        // Differing only in the lowest bit: two slots with 8 bits, one with 7 bits, stored
        // with the lowest bit set so that the second color still matches it.
        {8, Quad(16, 32, 48), Quad(17, 32, 48), 2, {16, 32, 48}},
        {7, Quad(16, 32, 48), Quad(17, 32, 48), 1, {17, 33, 49}},
        {7, Quad(17, 32, 48), Quad(16, 32, 48), 1, {17, 33, 49}},
        {7, Quad(16, 32, 48), Quad(18, 32, 48), 2, {17, 33, 49}},
        {5, Quad(0, 0, 0), Quad(7, 7, 7), 1, {4, 4, 4}},
        {5, Quad(7, 7, 7), Quad(8, 7, 7), 2, {4, 4, 4}},
    };
    for (const MergeCase& c : kCases) {
        Fixture f;
        Collect(f.table, c.first, Mask(c.bits), 3);
        Collect(f.table, c.second, Mask(c.bits), 4);
        ASSERT_EQ(f.table.ColorCount(), c.colors) << c.bits << " bits";
        EXPECT_EQ(ColorOf(f.table.Slot(0)), c.firstSlot) << c.bits << " bits";
        EXPECT_EQ(f.table.Slot(0).pixelCount, c.colors == 1 ? 7 : 3) << c.bits << " bits";
    }
}

TEST(ColorTable, OneBitGivesAtMostEightColors) {
    Fixture f;
    for (int r = 0; r < 256; r += 15) {
        for (int g = 0; g < 256; g += 15) {
            for (int b = 0; b < 256; b += 15)
                Collect(f.table, Quad(r, g, b), Mask(1));
        }
    }
    EXPECT_EQ(f.table.ColorCount(), 8);
    for (int p = 0; p < f.table.ColorCount(); ++p) {
        const ColorSlot& s = f.table.AtPosition(p);
        for (int v : {s.red, s.green, s.blue})
            EXPECT_TRUE(v == 64 || v == 192) << v;
    }
}

TEST(ColorTable, FindMaskedColorUsesCurrentChannelsAndListOrder) {
    Fixture f;
    const int a = f.table.AddColor(Quad(10, 10, 10), 1, Mask(8));
    const int b = f.table.AddColor(Quad(11, 10, 10), 1, Mask(8));
    // Both match (10, 10, 10) under 7 bits; the earlier in list order wins.
    EXPECT_EQ(f.table.FindMaskedColor(Quad(10, 10, 10), Mask(7)), a);
    f.table.SetListOrder({b, a});
    EXPECT_EQ(f.table.FindMaskedColor(Quad(10, 10, 10), Mask(7)), b);
    // An edited color is found by its new value, no longer by its old one.
    f.table.Slot(a).red = 200;
    EXPECT_EQ(f.table.FindMaskedColor(Quad(200, 10, 10), Mask(8)), a);
    EXPECT_EQ(f.table.FindMaskedColor(Quad(10, 10, 10), Mask(8)), -1);
}

struct NearestCase {
    std::vector<Rgb> palette;
    ColorQuad color;
    int slot;
};

TEST(ColorTable, FindNearestColorLowestSlotWinsTies) {
    const std::vector<Rgb> kRamp = {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}};
    const std::vector<Rgb> kTwice = {{1, 1, 1}, {9, 9, 9}, {9, 9, 9}};
    const std::vector<Rgb> k16(BuiltInPalette16().begin(), BuiltInPalette16().end());
    const NearestCase kCases[] = {
        {kRamp, Quad(5, 0, 0), 0},      {kRamp, Quad(15, 0, 0), 1},
        {kRamp, Quad(16, 0, 0), 2},     {kRamp, Quad(255, 255, 255), 2},
        {kTwice, Quad(9, 9, 9), 1},     {kTwice, Quad(8, 9, 9), 1},
        {k16, Quad(160, 160, 160), 7},  // (192,192,192) at 7 and (128,128,128) at 8 tie
        {k16, Quad(161, 160, 160), 7},  {k16, Quad(159, 160, 160), 8},
        {k16, Quad(255, 255, 255), 15}, {k16, Quad(0, 0, 0), 0},
    };
    for (const NearestCase& c : kCases) {
        Fixture f;
        f.table.FillFixedPalette(c.palette);
        EXPECT_EQ(f.table.FindNearestColor(c.color), c.slot)
            << int{c.color.red} << "," << int{c.color.green} << "," << int{c.color.blue};
    }
}

TEST(ColorTable, FindNearestColorSearchesOnlyTheListedPalette) {
    Fixture f;
    f.table.FillFixedPalette(BuiltInPalette256());
    f.table.Clear();
    f.table.FillFixedPalette(BuiltInPalette16());
    // Slot 16 still holds (0,51,102) from the 256-color palette, but is free now.
    ASSERT_EQ(ColorOf(f.table.Slot(16)), (Rgb{0, 51, 102}));
    EXPECT_EQ(f.table.FindNearestColor(Quad(0, 51, 102)), 4);
}

TEST(ColorTable, FillFixedPaletteListsEveryEntry) {
    const std::vector<Rgb> k256(BuiltInPalette256().begin(), BuiltInPalette256().end());
    const std::vector<Rgb> k16(BuiltInPalette16().begin(), BuiltInPalette16().end());
    for (const auto& palette : {k256, k16}) {
        Fixture f;
        // Palette numbers restart at 0 even after colors were entered before.
        f.table.AddColor(Quad(1, 2, 3), 9, Mask(8));
        f.table.Clear();
        f.observer.events.clear();

        f.table.FillFixedPalette(palette);
        const int n = static_cast<int>(palette.size());
        ASSERT_EQ(f.table.ColorCount(), n);
        EXPECT_EQ(f.table.NextPaletteNumber(), n);
        ASSERT_EQ(static_cast<int>(f.observer.events.size()), n);
        for (int i = 0; i < n; ++i) {
            const ColorSlot& s = f.table.Slot(i);
            EXPECT_EQ(s.paletteNumber, i);
            EXPECT_EQ(s.pixelCount, 0);
            EXPECT_EQ(ColorOf(s), palette[i]);
            EXPECT_EQ(f.table.ListOrder(i), i);
            EXPECT_EQ(f.observer.events[i], std::make_pair(Event::Inserted, i));
        }
        EXPECT_FALSE(f.table.Slot(n).InUse());
        EXPECT_EQ(f.table.FindFreeSlot(), n);
        EXPECT_EQ(f.table.Palette(), palette);
    }
}

TEST(ColorTable, EveryFiftiethColorNotifies) {
    Fixture f;
    for (int i = 1; i <= 100; ++i) {
        f.observer.events.clear();
        f.table.AddColor(Quad(i, 0, 0), 1, Mask(8));
        const bool milestone = i == 50 || i == 100;
        ASSERT_EQ(f.observer.events.size(), milestone ? 2u : 1u) << "color " << i;
        EXPECT_EQ(f.observer.events[0], std::make_pair(Event::Inserted, i - 1));
        if (milestone) {
            EXPECT_EQ(f.observer.events[1].first, Event::Milestone);
        }
    }
}

TEST(ColorTable, FreedSlotIsReusedWithHigherPaletteNumber) {
    Fixture f;
    for (int i = 0; i < 4; ++i)
        f.table.AddColor(Quad(i, i, i), 10 + i, Mask(8));
    f.observer.events.clear();

    f.table.RemoveAt(1);  // slot 1
    EXPECT_EQ(f.observer.events.back(), std::make_pair(Event::Removed, 1));
    EXPECT_EQ(f.table.ColorCount(), 3);
    EXPECT_EQ(f.table.ListOrder(1), 2);  // the rows behind moved up
    EXPECT_FALSE(f.table.Slot(1).InUse());
    EXPECT_EQ(f.table.Slot(1).pixelCount, 0);
    EXPECT_EQ(f.table.PositionOf(1), -1);
    EXPECT_EQ(f.table.PositionOf(3), 2);

    const int slot = f.table.AddColor(Quad(50, 50, 50), 1, Mask(8));
    EXPECT_EQ(slot, 1);
    EXPECT_EQ(f.table.Slot(slot).paletteNumber, 4);
    EXPECT_EQ(f.table.PositionOf(slot), 3);
    EXPECT_EQ(f.table.AddColor(Quad(60, 60, 60), 1, Mask(8)), 4);
}

// FindFreeSlot starts at a hint; it must answer exactly as a scan from slot 0 would.
TEST(ColorTable, FindFreeSlotMatchesLinearScan) {
    Fixture f;
    std::mt19937 random(12345);
    const auto linearScan = [&] {
        for (int s = 0; s < kSlotCount; ++s) {
            if (!f.table.Slot(s).InUse()) return s;
        }
        return -1;
    };
    for (int step = 0; step < 3000; ++step) {
        const int count = f.table.ColorCount();
        switch (random() % 4) {
            case 0:
                if (count > 0) f.table.RemoveAt(static_cast<int>(random() % count));
                break;
            case 1:
                // A merge: slot freed first, its row dropped by a new list order.
                if (count > 0) {
                    const int position = static_cast<int>(random() % count);
                    const int freed = f.table.ListOrder(position);
                    f.table.FreeSlot(freed);
                    std::vector<int> order;
                    for (int s : f.table.ListOrder()) {
                        if (s != freed) order.push_back(s);
                    }
                    f.table.SetListOrder(std::move(order));
                }
                break;
            default:
                f.table.AddColor(Quad(step % 256, 0, 0), 1, Mask(8));
                break;
        }
        ASSERT_EQ(f.table.FindFreeSlot(), linearScan()) << "step " << step;
    }
    f.table.Clear();
    EXPECT_EQ(f.table.FindFreeSlot(), 0);
}

TEST(ColorTable, ClearFreesSlotsKeepsChannelsAndNumbering) {
    Fixture f;
    f.table.AddColor(Quad(1, 2, 3), 7, Mask(8));
    f.table.AddColor(Quad(4, 5, 6), 8, Mask(8));
    f.table.Clear();
    EXPECT_EQ(f.observer.events.back().first, Event::Cleared);
    EXPECT_EQ(f.table.ColorCount(), 0);
    EXPECT_EQ(f.table.NextPaletteNumber(), 2);
    EXPECT_FALSE(f.table.Slot(0).InUse());
    EXPECT_EQ(f.table.Slot(0).pixelCount, 0);
    EXPECT_EQ(ColorOf(f.table.Slot(1)), (Rgb{4, 5, 6}));
    EXPECT_EQ(f.table.AddColor(Quad(9, 9, 9), 1, Mask(8)), 0);
    EXPECT_EQ(f.table.Slot(0).paletteNumber, 2);
}

TEST(ColorTable, BuildOutputIndexMap) {
    Fixture f;
    for (int i = 0; i < 5; ++i)
        f.table.AddColor(Quad(i, 0, 0), 1, Mask(8));
    IndexMap indexMap{};  // unused entries name slot 0
    indexMap[1] = 2;
    indexMap[2] = 4;
    indexMap[3] = 1;
    indexMap[4] = 300;  // never entered

    struct Case {
        std::vector<int> order;
        std::vector<int> expected;  // output indices of file indices 0..4
    };
    const Case kCases[] = {
        {{0, 1, 2, 3, 4}, {0, 2, 4, 1, 0}},
        {{4, 3, 2, 1, 0}, {4, 2, 0, 3, 0}},
        {{3, 1, 4}, {0, 0, 2, 1, 0}},  // slots 0 and 2 left out of the list
    };
    for (const Case& c : kCases) {
        f.table.SetListOrder(c.order);
        const OutputIndexMap out = f.table.BuildOutputIndexMap(indexMap);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(out[i], c.expected[i]) << "index " << i;
        for (int i = 5; i < kFileIndexCount; ++i)
            ASSERT_EQ(out[i], out[0]) << "index " << i;
    }
}

// The one-pass map must give what the plain per-index search of the list gives.
TEST(ColorTable, BuildOutputIndexMapMatchesPlainSearch) {
    Fixture f;
    for (int i = 0; i < 600; ++i)
        f.table.AddColor(Quad(i % 256, i / 256, 0), 1, Mask(8));
    std::mt19937 random(777);
    std::vector<int> order(f.table.ListOrder().begin(), f.table.ListOrder().end());
    std::shuffle(order.begin(), order.end(), random);
    order.resize(200);
    f.table.SetListOrder(order);

    IndexMap indexMap{};
    for (auto& slot : indexMap)
        slot = static_cast<std::int32_t>(random() % 700);
    const OutputIndexMap out = f.table.BuildOutputIndexMap(indexMap);
    for (int i = 0; i < kFileIndexCount; ++i) {
        int expected = 0;
        for (int j = 0; j < f.table.ColorCount(); ++j) {
            if (f.table.ListOrder(j) == indexMap[i]) {
                expected = j;
                break;
            }
        }
        ASSERT_EQ(out[i], expected) << "index " << i;
    }
}

TEST(ColorTable, PaletteFollowsListOrder) {
    Fixture f;
    f.table.AddColor(Quad(1, 1, 1), 1, Mask(8));
    f.table.AddColor(Quad(2, 2, 2), 1, Mask(8));
    f.table.AddColor(Quad(3, 3, 3), 1, Mask(8));
    f.table.SetListOrder({2, 0, 1});
    EXPECT_EQ(f.table.Palette(), (std::vector<Rgb>{{3, 3, 3}, {1, 1, 1}, {2, 2, 2}}));
    EXPECT_EQ(f.table.PositionOf(0), 1);
}

TEST(ColorTable, FullTableRefusesColor) {
    for (const bool withObserver : {true, false}) {
        Fixture f;
        if (!withObserver) f.table.SetObserver(nullptr);
        for (int i = 0; i < kSlotCount; ++i) {
            ASSERT_EQ(f.table.AddColor(Quad(i % 256, i / 256, 0), 1, Mask(8)), i);
        }
        EXPECT_EQ(f.table.FindFreeSlot(), -1);
        f.observer.events.clear();

        EXPECT_EQ(f.table.AddColor(Quad(1, 2, 3), 99, Mask(8)), 0);
        EXPECT_EQ(f.table.ColorCount(), kSlotCount);
        EXPECT_EQ(f.table.NextPaletteNumber(), kSlotCount);
        EXPECT_EQ(f.table.Slot(0).pixelCount, 1);
        EXPECT_EQ(ColorOf(f.table.Slot(0)), (Rgb{0, 0, 0}));
        if (withObserver) {
            EXPECT_EQ(f.observer.events, (std::vector{std::make_pair(Event::Full, -1)}));
        } else {
            EXPECT_TRUE(f.observer.events.empty());
            // The other changes run without an observer as well.
            f.table.RemoveAt(0);
            f.table.Clear();
            f.table.FillFixedPalette(BuiltInPalette16());
            EXPECT_EQ(f.table.ColorCount(), 16);
        }
    }
}

}  // namespace
}  // namespace tintwell
