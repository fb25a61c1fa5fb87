#include "app/qt_settings_store.h"

#include <QCoreApplication>
#include <QMetaType>
#include <QVariant>
#include <limits>

#include "resources/string_table.h"
#include "ui/utf8_text.h"

namespace tintwell {

namespace {

QString KeyPath(std::string_view section, std::string_view key) {
    return FromUtf8(section) + u'/' + FromUtf8(key);
}

std::optional<int> IntInRange(long long value) {
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

}  // namespace

void SetApplicationNames() {
    QCoreApplication::setOrganizationName(QString::fromLatin1(kOrganisationName));
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationName));
}

QtSettingsStore::QtSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QString::fromLatin1(kOrganisationName),
                                            QString::fromLatin1(kApplicationName))) {}

QtSettingsStore::QtSettingsStore(const QString& fileName, QSettings::Format format)
    : settings_(std::make_unique<QSettings>(fileName, format)) {}

QtSettingsStore::~QtSettingsStore() = default;

std::optional<std::string> QtSettingsStore::ReadString(std::string_view section,
                                                       std::string_view key) const {
    const QVariant value = settings_->value(KeyPath(section, key));
    if (value.typeId() != QMetaType::QString) return std::nullopt;
    return ToUtf8(value.toString());
}

std::optional<int> QtSettingsStore::ReadInt(std::string_view section, std::string_view key) const {
    const QVariant value = settings_->value(KeyPath(section, key));
    switch (value.typeId()) {
        case QMetaType::Int:
            return value.toInt();
        case QMetaType::UInt:
            return IntInRange(static_cast<long long>(value.toUInt()));
        case QMetaType::LongLong:
            return IntInRange(value.toLongLong());
        case QMetaType::ULongLong: {
            const qulonglong n = value.toULongLong();
            if (n > static_cast<qulonglong>(std::numeric_limits<int>::max())) return std::nullopt;
            return static_cast<int>(n);
        }
        case QMetaType::QString: {
            // Base 10 only, so "010" is ten and "0x10" is refused rather than read as 16.
            bool ok = false;
            const int n = value.toString().toInt(&ok, 10);
            if (!ok) return std::nullopt;
            return n;
        }
        default:
            return std::nullopt;
    }
}

void QtSettingsStore::WriteString(std::string_view section, std::string_view key,
                                  const std::string& value) {
    settings_->setValue(KeyPath(section, key), FromUtf8(value));
}

void QtSettingsStore::WriteInt(std::string_view section, std::string_view key, int value) {
    settings_->setValue(KeyPath(section, key), value);
}

bool QtSettingsStore::Sync() {
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

QString QtSettingsStore::Location() const {
    return settings_->fileName();
}

bool SaveSettingsAtExit(const Settings& settings, QtSettingsStore& store,
                        const std::function<void(const QString&)>& say) {
    SaveSettings(settings, store);
    if (store.Sync()) return true;
    say(FromUtf8(FormatMessage(Msg::SettingsNotSaved)) + QLatin1Char('\n') + store.Location());
    return false;
}

}  // namespace tintwell
