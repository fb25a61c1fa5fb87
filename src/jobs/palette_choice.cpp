#include "jobs/palette_choice.h"

#include "resources/string_table.h"

namespace tintwell {

std::string_view BuiltInPaletteEntry() {
    return MessageText(Msg::BuiltInPaletteEntry);
}

std::string PaletteNameFromEntry(std::string_view entry) {
    return entry == BuiltInPaletteEntry() ? std::string() : std::string(entry);
}

std::string ModeCaption(const PaletteSettings& settings) {
    switch (settings.mode) {
        case PaletteMode::Fixed256:
            return std::string(MessageText(Msg::Fixed256Caption));
        case PaletteMode::Fixed16:
            return std::string(MessageText(Msg::Fixed16Caption));
        case PaletteMode::RgbBits:
            break;
    }
    return FormatNumbers(Msg::ChannelBitsCaption,
                         {settings.bits.red, settings.bits.green, settings.bits.blue});
}

}  // namespace tintwell
