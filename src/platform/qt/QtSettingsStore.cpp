#include "platform/qt/QtSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/linux/FileReplace.h"

namespace platform {

namespace {

QString KeyOf(const std::string& section, const std::string& key) {
    return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(key);
}

// A section or key name as QSettings writes it: '/' as '\', other characters than letters, digits,
// '-', '_' and '.' as %XX or %UXXXX.
QByteArray EscapedKey(const QString& key) {
    QByteArray out;
    for (const QChar c : key) {
        const char16_t u = c.unicode();
        if (u == '/') {
            out += '\\';
        } else if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '-' ||
                   u == '_' || u == '.') {
            out += static_cast<char>(u);
        } else {
            out += (u <= 0xFF ? "%" : "%U") +
                   QByteArray::number(u, 16).toUpper().rightJustified(u <= 0xFF ? 2 : 4, '0');
        }
    }
    return out;
}

// A text value, always in double quotes: inside them ',', ';' and '=' are plain characters and blanks
// at either end are kept. '"' and '\' take a backslash; control characters are \x escapes, which run
// on over hex digits, so a hex digit right after one is escaped too. A leading '@' marks QSettings'
// typed values and is doubled.
QByteArray QuotedValue(const QString& value) {
    // Plain texts, such as numbers and host names, stand bare, as QSettings writes them.
    const auto plain = [](QChar c) { return c.isLetterOrNumber() && c.unicode() < 0x80; };
    if (!value.isEmpty() && std::all_of(value.begin(), value.end(), [&](QChar c) {
            return plain(c) || c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char(':');
        }))
        return value.toLatin1();
    QByteArray out = "\"";
    if (value.startsWith(QLatin1Char('@'))) out += '@';
    bool afterEscape = false;
    for (const QChar c : value) {
        const char16_t u = c.unicode();
        const bool hex = (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
        if (u < 0x20 || u == 0x7F || (afterEscape && hex)) {
            out += "\\x" + QByteArray::number(u, 16);
            afterEscape = true;
            continue;
        }
        afterEscape = false;
        if (u == '"' || u == '\\') out += '\\';
        out += QString(c).toUtf8();
    }
    return out + '"';
}

}  // namespace

QByteArray IniText(const std::map<QString, QString>& values) {
    std::map<QByteArray, QByteArray> sections;  // the lines of each section, by its escaped name
    for (const auto& [key, value] : values) {
        const qsizetype slash = key.indexOf(QLatin1Char('/'));
        // Keys outside any section are under [General]; a section of that name is written %General.
        const QString section = slash < 0 ? QStringLiteral("General") : key.left(slash);
        const bool general =
            slash >= 0 && section.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0;
        sections[(general ? "%" : "") + EscapedKey(section)] +=
            EscapedKey(key.mid(slash + 1)) + '=' + QuotedValue(value) + '\n';
    }
    QByteArray text;
    for (const auto& [name, lines] : sections) text += (text.isEmpty() ? "[" : "\n[") + name + "]\n" + lines;
    return text;
}

QtSettingsStore::File& QtSettingsStore::For(const std::string& application) {
    auto [it, added] = files_.try_emplace(application);
    File& file = it->second;
    if (added) {
        const QString name = QString::fromStdString(application);
        // QSettings only reads here: its own writer renames its new file over the old one even when a
        // write to it failed, and first takes a lock file, which can take the last free block.
        const QSettings reader(QSettings::IniFormat, QSettings::UserScope, name, name);
        file.path = reader.fileName();
        file.readable = reader.status() == QSettings::NoError;
        for (const QString& key : reader.allKeys()) file.values[key] = reader.value(key).toString();
    }
    return file;
}

std::string QtSettingsStore::Read(const std::string& application, const std::string& section,
                                  const std::string& key, const std::string& defaultValue) {
    const File& file = For(application);
    const auto it = file.values.find(KeyOf(section, key));
    return it == file.values.end() ? defaultValue : it->second.toStdString();
}

void QtSettingsStore::Write(const std::string& application, const std::string& section,
                            const std::string& key, const std::string& value) {
    File& file = For(application);
    file.values[KeyOf(section, key)] = QString::fromStdString(value);
    file.changed = true;
}

bool QtSettingsStore::Flush() {
    bool ok = true;
    for (auto& [name, file] : files_) {
        if (!file.changed) continue;
        int error = file.readable ? 0 : EIO;
        if (error == 0 && !QDir().mkpath(QFileInfo(file.path).absolutePath())) error = EACCES;
        if (error == 0)
            error =
                ReplaceFile(QFile::encodeName(file.path).toStdString(), IniText(file.values).toStdString());
        if (error != 0) {
            qWarning("TarnovelMon: the settings could not be saved to %s: %s", qPrintable(file.path),
                     file.readable ? std::strerror(error) : "the file there could not be read");
            ok = false;
        } else {
            file.changed = false;
        }
    }
    return ok;
}

}  // namespace platform
