#include "resources/string_table.h"

#include <array>

namespace tintwell {
namespace {

// A message in every language: Japanese as the string table has always held it, English
// saying the same thing, with the same "%1" and "%d" fields.
struct Entry {
    Msg msg;
    std::string_view japanese;
    std::string_view english;
};

constexpr std::array kTable = {
    Entry{Msg::TooManyColors24, "「%1」は256色以上ありますので扱えません。",
          "\"%1\" has more than 256 colors and cannot be used."},
    Entry{Msg::OutOfMemory, "メモリ不足のため、処理できません", "Not enough memory to do this."},
    Entry{Msg::NotBitmap, "「%1」はビットマップではありません。", "\"%1\" is not a bitmap."},
    Entry{Msg::CannotOpen, "「%1」がオープンできません。", "\"%1\" cannot be opened."},
    Entry{Msg::InvalidData, "「%1」はデータが不正です。", "\"%1\" holds invalid data."},
    Entry{Msg::Unsupported, "「%1」はサポートしていない形式です。",
          "\"%1\" is in a format that is not supported."},
    Entry{Msg::ColorListHeading, " %5d色    Ｒ  Ｇ  Ｂ", "%5d colors  R   G   B  "},
    Entry{Msg::ChannelBitsCaption, "R:%d G:%d B:%d", "R:%d G:%d B:%d"},
    Entry{Msg::CannotCreate, "「%1」を作成できません。", "\"%1\" cannot be created."},
    Entry{Msg::WriteError, "書き込みエラーです。", "Write error."},
    Entry{Msg::DirectoryNotWritable, "指定された場所には書き込みできません。",
          "This location cannot be written to."},
    Entry{Msg::CreateDirectoryQuestion, "ディレクトリを作成しますか？", "Create the folder?"},
    Entry{Msg::CannotCreateDirectory, "ディレクトリを作成できません。",
          "The folder cannot be created."},
    Entry{Msg::MergeStatus, " %d色 → %d番", " %d colors → #%d"},
    Entry{Msg::ReadError, "読み出しエラーです", "Read error."},
    Entry{Msg::OutOfMemoryQuit, "メモリ不足です。何もせずに終了して下さい。",
          "Not enough memory. Please quit without doing anything."},
    Entry{Msg::Fixed256Caption, "256色固定", "Fixed 256"},
    Entry{Msg::Fixed16Caption, "16色固定", "Fixed 16"},
    Entry{Msg::BadPalette256, "256色パレットファイルのデータが不正です。",
          "The 256-color palette file holds invalid data."},
    Entry{Msg::BadPalette16, "16色パレットファイルのデータが不正です。",
          "The 16-color palette file holds invalid data."},
    Entry{Msg::TooManyFiles, "入力できるファイル数は128までです。",
          "At most 128 files can be added."},
    Entry{Msg::TableOverflow, "内部エラー：テーブルオーバーフロー",
          "Internal error: table overflow"},
    Entry{Msg::CannotAbort, "この処理は中断できません。", "This operation cannot be aborted."},
    Entry{Msg::FileListHeading, "ファイル名\u3000%3dﾌｧｲﾙ", "File name  %3d file(s)"},
    Entry{Msg::SameFile, "%1\n入力ファイルと出力ファイルが同じです。",
          "%1\nThe input file and the output file are the same."},
    Entry{Msg::InexplicableError, "不可解な内部エラー", "Inexplicable internal error"},
    Entry{Msg::PaletteExistsQuestion, "このファイルはすでに存在します。\n上書きしますか？",
          "This file already exists.\nOverwrite it?"},
    Entry{Msg::FullColorOverflow, "内部エラー：フルカラーオーバーフロー",
          "Internal error: full-color overflow"},
    Entry{Msg::PathTooLong, "「%1」はパスが長すぎます。", "The path of \"%1\" is too long."},
    Entry{Msg::ChangedSinceAnalysis, "「%1」は読み込み後に変更されたので出力できません。",
          "\"%1\" has changed since it was read and cannot be written."},
    Entry{Msg::NotADirectory, "「%1」はディレクトリではありません。", "\"%1\" is not a folder."},
    Entry{Msg::SettingsNotSaved, "設定を保存できません。", "The settings cannot be saved."},
    Entry{Msg::AppName, "Tintwell", "Tintwell"},
    Entry{Msg::MergeInternalError, kMergeInternalError, "Internal error: OnMerge"},
    Entry{Msg::OutputInternalError, kOutputInternalError, "Internal error: OnOutput"},
    Entry{Msg::OutputProgress, "出力中 %1 / %2", "Writing %1 / %2"},
    Entry{Msg::OutputDone, "%1ファイルを出力しました：%2", "%1 file(s) written: %2"},
    Entry{Msg::FileListInitialHeader, "ファイル名", "File name"},
    Entry{Msg::ColorListInitialHeader, "色 (RGB)", "Color (RGB)"},
    Entry{Msg::PixelCountHeader, "画 素 数", "Pixels"},
    Entry{Msg::BuiltInPaletteEntry, " Tintwellパレット", " Tintwell palette"},
};

}  // namespace

std::string_view MessageText(Msg msg) {
    return MessageText(msg, CurrentLanguage());
}

std::string_view MessageText(Msg msg, Language language) {
    for (const Entry& entry : kTable) {
        if (entry.msg == msg)
            return language == Language::Japanese ? entry.japanese : entry.english;
    }
    return {};
}

std::vector<Msg> AllMessages() {
    std::vector<Msg> all;
    for (const Entry& entry : kTable)
        all.push_back(entry.msg);
    return all;
}

std::string FormatMessage(Msg msg, std::string_view path) {
    return Substitute(MessageText(msg), {path});
}

std::string Substitute(std::string_view text, std::initializer_list<std::string_view> values) {
    std::string out;
    out.reserve(text.size() + 64);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t n = i + 1 < text.size() ? static_cast<std::size_t>(text[i + 1] - '1') : 9;
        if (text[i] == '%' && n < values.size()) {
            out += values.begin()[n];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string FormatNumbers(Msg msg, std::initializer_list<long long> values) {
    const std::string_view text = MessageText(msg);
    auto next = values.begin();
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        // "%d" or "%Nd": a decimal field right-aligned in N places.
        std::size_t j = i + 1;
        std::size_t width = 0;
        while (j < text.size() && text[j] >= '0' && text[j] <= '9') {
            width = width * 10 + static_cast<std::size_t>(text[j] - '0');
            ++j;
        }
        if (j >= text.size() || text[j] != 'd' || next == values.end()) {
            out += text[i];
            continue;
        }
        std::string number = std::to_string(*next++);
        if (number.size() < width) out.append(width - number.size(), ' ');
        out += number;
        i = j;
    }
    return out;
}

}  // namespace tintwell
