#include "app/palette_folder.h"

#include <QByteArray>
#include <QFile>
#include <QStandardPaths>
#include <QtGlobal>
#include <string>

namespace tintwell {

std::filesystem::path ToFilesystemPath(const QString& path) {
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    const QByteArray native = QFile::encodeName(path);
    return std::filesystem::path(
        std::string(native.constData(), static_cast<std::size_t>(native.size())));
#endif
}

QString ToQString(const std::filesystem::path& path) {
#ifdef Q_OS_WIN
    return QString::fromStdWString(path.native());
#else
    const std::string& native = path.native();
    return QFile::decodeName(QByteArray(native.data(), static_cast<qsizetype>(native.size())));
#endif
}

std::filesystem::path PaletteFolder() {
#ifdef Q_OS_WIN
    // The wide environment, so a folder name outside the ANSI code page survives.
    const QString overridden = qEnvironmentVariable(kPaletteDirVariable);
    if (!overridden.isEmpty()) return ToFilesystemPath(overridden);
#else
    // The raw bytes: they already are the file system's name of the folder.
    const QByteArray overridden = qgetenv(kPaletteDirVariable);
    if (!overridden.isEmpty()) {
        return std::filesystem::path(
            std::string(overridden.constData(), static_cast<std::size_t>(overridden.size())));
    }
#endif
    return ToFilesystemPath(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

}  // namespace tintwell
