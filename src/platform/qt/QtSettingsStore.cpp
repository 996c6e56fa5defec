#include "platform/qt/QtSettingsStore.h"

namespace platform {

namespace {

QString KeyOf(const std::string& section, const std::string& key) {
    return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(key);
}

}  // namespace

QSettings& QtSettingsStore::For(const std::string& application) {
    auto& file = files_[application];
    if (!file) {
        const QString name = QString::fromStdString(application);
        file = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, name, name);
        // A sync that cannot replace the file whole fails instead of writing it in place.
        file->setAtomicSyncRequired(true);
    }
    return *file;
}

std::string QtSettingsStore::Read(const std::string& application, const std::string& section,
                                  const std::string& key, const std::string& defaultValue) {
    const QVariant v = For(application).value(KeyOf(section, key));
    if (!v.isValid()) return defaultValue;
    return v.toString().toStdString();
}

void QtSettingsStore::Write(const std::string& application, const std::string& section,
                            const std::string& key, const std::string& value) {
    For(application).setValue(KeyOf(section, key), QString::fromStdString(value));
}

bool QtSettingsStore::Flush() {
    bool ok = true;
    for (auto& [name, file] : files_) {
        file->sync();
        ok = ok && file->status() == QSettings::NoError;
    }
    return ok;
}

}  // namespace platform
