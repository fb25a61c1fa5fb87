#pragma once

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

namespace tintwell {

// The engine keeps text and paths as UTF-8 bytes; Qt keeps UTF-16. These two are the only
// crossings between them in the window and its start-up.
[[nodiscard]] inline QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

[[nodiscard]] inline std::string ToUtf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

}  // namespace tintwell
