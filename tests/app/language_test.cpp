#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli_run.h"
#include "resources/language.h"
#include "resources/string_table.h"
#include "support/temp_dir.h"

namespace tintwell {
namespace {

// Sets a language for one test and brings Japanese, every other test's language, back.
class LanguageGuard {
  public:
    explicit LanguageGuard(Language language) { SetLanguage(language); }
    ~LanguageGuard() { SetLanguage(Language::Japanese); }
    LanguageGuard(const LanguageGuard&) = delete;
    LanguageGuard& operator=(const LanguageGuard&) = delete;
};

struct EnvironmentCase {
    const char* languageList;
    const char* locale;
    Language expected;
};

class EnvironmentLanguageTest : public testing::TestWithParam<EnvironmentCase> {};

// LANGUAGE's list is read in order and ends with the locale; the "C" locale, or none, is
// English whatever LANGUAGE says, as gettext has it.
TEST_P(EnvironmentLanguageTest, FollowsGettextsVariables) {
    const EnvironmentCase& c = GetParam();
    EXPECT_EQ(LanguageOfEnvironment(c.languageList, c.locale), c.expected)
        << "LANGUAGE=" << c.languageList << " locale=" << c.locale;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EnvironmentLanguageTest,
    testing::Values(EnvironmentCase{"", "ja_JP.UTF-8", Language::Japanese},
                    EnvironmentCase{"", "ja", Language::Japanese},
                    EnvironmentCase{"", "en_US.UTF-8", Language::English},
                    EnvironmentCase{"", "de_DE.UTF-8", Language::English},
                    EnvironmentCase{"", "", Language::English},
                    EnvironmentCase{"ja", "", Language::English},
                    EnvironmentCase{"ja", "C.UTF-8", Language::English},
                    EnvironmentCase{"ja", "POSIX", Language::English},
                    EnvironmentCase{"fr:ja", "fr_FR.UTF-8", Language::Japanese},
                    EnvironmentCase{"en_GB:ja", "ja_JP.UTF-8", Language::English},
                    EnvironmentCase{"::fr", "ja_JP.UTF-8", Language::Japanese},
                    EnvironmentCase{"java", "de_DE", Language::English}));

// The fields a text fills in ("%1", "%5d") and its line breaks, in order.
std::vector<std::string> Fields(std::string_view text) {
    std::vector<std::string> fields;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') fields.emplace_back("\\n");
        if (text[i] != '%') continue;
        std::size_t j = i + 1;
        while (j < text.size() && text[j] >= '0' && text[j] <= '9')
            ++j;
        if (j < text.size() && text[j] == 'd') ++j;
        fields.emplace_back(text.substr(i, j - i));
    }
    return fields;
}

// Every message has its English, which fills in the same fields in the same order; the
// Japanese texts stay the table's.
TEST(StringTableTest, EveryMessageHasEnglishWithTheSameFields) {
    for (const Msg msg : AllMessages()) {
        const std::string_view ja = MessageText(msg, Language::Japanese);
        const std::string_view en = MessageText(msg, Language::English);
        EXPECT_FALSE(en.empty()) << static_cast<int>(msg);
        EXPECT_EQ(Fields(en), Fields(ja)) << static_cast<int>(msg) << ": " << en;
        // The English needs no Japanese font; arrows are fine.
        EXPECT_TRUE(std::none_of(en.begin(), en.end(), [](char c) {
            return static_cast<unsigned char>(c) >= 0xE3 && static_cast<unsigned char>(c) <= 0xEF;
        })) << en;
    }
    EXPECT_EQ(MessageText(Msg::NotBitmap), "「%1」はビットマップではありません。");
    const LanguageGuard english(Language::English);
    EXPECT_EQ(FormatMessage(Msg::NotBitmap, "a.bmp"), "\"a.bmp\" is not a bitmap.");
    EXPECT_EQ(FormatNumbers(Msg::FileListHeading, {3}), "File name    3 file(s)");
}

// The command-line tool's messages about files follow --lang; its own texts are English.
TEST(CliLanguageTest, LangOptionChoosesTheMessagesLanguage) {
    test::TempDir dir;
    const std::string bad = dir.Write("bad.bmp", std::vector<std::uint8_t>(64, 'x')).string();
    for (const auto& [lang, expected] : {std::pair{"ja", FormatMessage(Msg::NotBitmap, bad)},
                                         std::pair{"en", "\"" + bad + "\" is not a bitmap."}}) {
        const LanguageGuard restore(Language::Japanese);
        std::ostringstream out, err;
        EXPECT_EQ(cli::RunCli({"--lang", lang, bad}, out, err, false), 2) << err.str();
        EXPECT_NE(err.str().find(expected), std::string::npos) << err.str();
    }
    std::ostringstream out, err;
    EXPECT_EQ(cli::RunCli({"--lang", "fr", "a.bmp"}, out, err, false), 2);
    EXPECT_NE(err.str().find("unknown language 'fr'"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace tintwell
