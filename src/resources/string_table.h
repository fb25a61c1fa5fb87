#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "resources/language.h"

namespace tintwell {

// Message numbers of the string table. An operation that can refuse its input returns
// Msg::None or the number of the message that says why; the caller fills in the path.
enum class Msg : int {
    None = 0,
    TooManyColors24 = 211,          // a 24-bit file has a 257th distinct color
    OutOfMemory = 218,              // a row buffer cannot be had
    NotBitmap = 220,                // the file does not start with "BM"
    CannotOpen = 221,               // an input file cannot be opened
    InvalidData = 222,              // a header cannot be read whole
    Unsupported = 223,              // compression, bit count or header form not handled
    ColorListHeading = 224,         // " %5d色 ..." over the color list
    ChannelBitsCaption = 225,       // "R:%d G:%d B:%d"
    CannotCreate = 228,             // an output file cannot be created
    WriteError = 229,               // a write failed
    DirectoryNotWritable = 230,     // the output folder cannot be written to
    CreateDirectoryQuestion = 231,  // the output folder does not exist: create it?
    CannotCreateDirectory = 232,    // the output folder cannot be created
    MergeStatus = 233,              // " %d色 → %d番"
    ReadError = 234,                // a pixel row cannot be read whole
    OutOfMemoryQuit = 235,          // the list storage cannot be had at start
    Fixed256Caption = 236,          // "256色固定"
    Fixed16Caption = 237,           // "16色固定"
    BadPalette256 = 238,            // the 256-color palette file is short
    BadPalette16 = 239,             // the 16-color palette file is short
    TooManyFiles = 240,             // more than 128 input files
    TableOverflow = 241,            // no free slot in the color table
    CannotAbort = 242,              // the running job cannot be interrupted
    FileListHeading = 243,          // "ファイル名　%3dﾌｧｲﾙ"
    SameFile = 244,                 // the output file is the input file
    InexplicableError = 245,        // an answer or setting that cannot happen
    PaletteExistsQuestion = 246,    // the palette file exists: overwrite?
    FullColorOverflow = 247,        // a 24-bit input gained colors since its analysis
    PathTooLong = 248,              // a path longer than the platform takes
    ChangedSinceAnalysis = 249,     // an input's content is no longer what was analysed
    NotADirectory = 250,            // the output folder text names a file
    SettingsNotSaved = 251,         // the settings could not be written at exit
    AppName = 57344,                // "Tintwell"
    // Fixed texts outside the string table, shown as they stand.
    MergeInternalError = -1020,   // "内部エラー：OnMerge"
    OutputInternalError = -1009,  // "内部エラー：OnOutput"
    // Texts of the window that the Workspace sets, numbered so that they have a language.
    OutputProgress = -2,          // "出力中 %1 / %2": the status line while files are written
    OutputDone = -3,              // "%1ファイルを出力しました：%2": and after
    FileListInitialHeader = -4,   // "ファイル名"
    ColorListInitialHeader = -5,  // "色 (RGB)"
    PixelCountHeader = -6,        // "画 素 数"
    BuiltInPaletteEntry = -7,     // " Tintwellパレット": the leading blank sorts it first
};

// Texts that are not in the string table but shown as they stand.
inline constexpr std::string_view kMergeInternalError = "内部エラー：OnMerge";
inline constexpr std::string_view kOutputInternalError = "内部エラー：OnOutput";

// The text of a message in the current language, UTF-8, exactly as the string table holds
// it ("" for Msg::None).
[[nodiscard]] std::string_view MessageText(Msg msg);

// The text of a message in `language`.
[[nodiscard]] std::string_view MessageText(Msg msg, Language language);

// Every message number of the table, in table order.
[[nodiscard]] std::vector<Msg> AllMessages();

// The text with every "%1" replaced by the path.
[[nodiscard]] std::string FormatMessage(Msg msg, std::string_view path = {});

// The text with "%1", "%2", ... replaced by the values in order.
[[nodiscard]] std::string Substitute(std::string_view text,
                                     std::initializer_list<std::string_view> values);

// The text with its printf-style integer fields ("%d", "%5d") filled in order.
[[nodiscard]] std::string FormatNumbers(Msg msg, std::initializer_list<long long> values);

}  // namespace tintwell
