#include "jobs/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "jobs/memory_settings_store.h"

namespace tintwell {
namespace {

TEST(SettingsTest, AnEmptyStoreGivesTheDefaults) {
    const MemorySettingsStore store;
    const Settings settings = LoadSettings(store);
    EXPECT_EQ(settings.outDir, std::filesystem::current_path().string());
    EXPECT_EQ(settings.xpos, 100);
    EXPECT_EQ(settings.ypos, 100);
    EXPECT_EQ(settings.type, 2);
    EXPECT_EQ(settings.pal256, "");
    EXPECT_EQ(settings.pal16, "");
}

TEST(SettingsTest, TypeOutsideTheModesBecomesTwo) {
    const struct {
        int stored;
        int expected;
    } cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 2}, {5, 2}, {-1, 2}, {-2147483647 - 1, 2}};
    for (const auto& c : cases) {
        MemorySettingsStore store;
        store.WriteInt("Set", "Type", c.stored);
        EXPECT_EQ(LoadSettings(store).type, c.expected) << c.stored;
    }
}

TEST(SettingsTest, ValuesOfTheWrongTypeKeepTheirDefaults) {
    MemorySettingsStore store;
    store.WriteString("Set", "Xpos", "12");
    store.WriteInt("Pal", "Pal256", 7);
    const Settings settings = LoadSettings(store);
    EXPECT_EQ(settings.xpos, 100);
    EXPECT_EQ(settings.pal256, "");
}

TEST(SettingsTest, SaveWritesAllSixInOrderAndLoadReadsThemBack) {
    Settings settings;
    settings.outDir = "/data/out";
    settings.xpos = -3;
    settings.ypos = 700;
    settings.type = 0;
    settings.pal256 = "warm";
    settings.pal16 = "パレット";
    MemorySettingsStore store;
    SaveSettings(settings, store);
    EXPECT_EQ(store.WriteOrder(),
              (std::vector<std::string>{"Set/OutDir", "Set/Xpos", "Set/Ypos", "Set/Type",
                                        "Pal/Pal256", "Pal/Pal16"}));
    const Settings back = LoadSettings(store);
    EXPECT_EQ(back.outDir, settings.outDir);
    EXPECT_EQ(back.xpos, settings.xpos);
    EXPECT_EQ(back.ypos, settings.ypos);
    EXPECT_EQ(back.type, settings.type);
    EXPECT_EQ(back.pal256, settings.pal256);
    EXPECT_EQ(back.pal16, settings.pal16);
}

TEST(SettingsTest, AFirstRunCreatesAllSixValuesAtExit) {
    MemorySettingsStore store;
    SaveSettings(LoadSettings(store), store);
    EXPECT_EQ(store.Size(), 6u);
    EXPECT_EQ(store.ReadInt("Set", "Type"), 2);
    EXPECT_EQ(store.ReadString("Pal", "Pal16"), "");
}

}  // namespace
}  // namespace tintwell
