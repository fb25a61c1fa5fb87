#include "resources/string_table.h"

#include <array>
#include <utility>

namespace tintwell {
namespace {

using Entry = std::pair<Msg, std::string_view>;

constexpr std::array kTable = {
    Entry{Msg::TooManyColors24, "「%1」は256色以上ありますので扱えません。"},
    Entry{Msg::OutOfMemory, "メモリ不足のため、処理できません"},
    Entry{Msg::NotBitmap, "「%1」はビットマップではありません。"},
    Entry{Msg::CannotOpen, "「%1」がオープンできません。"},
    Entry{Msg::InvalidData, "「%1」はデータが不正です。"},
    Entry{Msg::Unsupported, "「%1」はサポートしていない形式です。"},
    Entry{Msg::ColorListHeading, " %5d色    Ｒ  Ｇ  Ｂ"},
    Entry{Msg::ChannelBitsCaption, "R:%d G:%d B:%d"},
    Entry{Msg::CannotCreate, "「%1」を作成できません。"},
    Entry{Msg::WriteError, "書き込みエラーです。"},
    Entry{Msg::DirectoryNotWritable, "指定された場所には書き込みできません。"},
    Entry{Msg::CreateDirectoryQuestion, "ディレクトリを作成しますか？"},
    Entry{Msg::CannotCreateDirectory, "ディレクトリを作成できません。"},
    Entry{Msg::MergeStatus, " %d色 → %d番"},
    Entry{Msg::ReadError, "読み出しエラーです"},
    Entry{Msg::OutOfMemoryQuit, "メモリ不足です。何もせずに終了して下さい。"},
    Entry{Msg::Fixed256Caption, "256色固定"},
    Entry{Msg::Fixed16Caption, "16色固定"},
    Entry{Msg::BadPalette256, "256色パレットファイルのデータが不正です。"},
    Entry{Msg::BadPalette16, "16色パレットファイルのデータが不正です。"},
    Entry{Msg::TooManyFiles, "入力できるファイル数は128までです。"},
    Entry{Msg::TableOverflow, "内部エラー：テーブルオーバーフロー"},
    Entry{Msg::CannotAbort, "この処理は中断できません。"},
    Entry{Msg::FileListHeading, "ファイル名 (.bmp)\u3000%3dﾌｧｲﾙ"},
    Entry{Msg::SameFile, "%1\n入力ファイルと出力ファイルが同じです。"},
    Entry{Msg::InexplicableError, "不可解な内部エラー"},
    Entry{Msg::PaletteExistsQuestion, "このファイルはすでに存在します。\n上書きしますか？"},
    Entry{Msg::FullColorOverflow, "内部エラー：フルカラーオーバーフロー"},
    Entry{Msg::PathTooLong, "「%1」はパスが長すぎます。"},
    Entry{Msg::ChangedSinceAnalysis, "「%1」は読み込み後に変更されたので出力できません。"},
    Entry{Msg::NotADirectory, "「%1」はディレクトリではありません。"},
    Entry{Msg::SettingsNotSaved, "設定を保存できません。"},
    Entry{Msg::AppName, "Tintwell"},
    Entry{Msg::MergeInternalError, kMergeInternalError},
    Entry{Msg::OutputInternalError, kOutputInternalError},
};

}  // namespace

std::string_view MessageText(Msg msg) {
    for (const auto& [number, text] : kTable) {
        if (number == msg) return text;
    }
    return {};
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
