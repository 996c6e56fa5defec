// The three stored files on a small file system with 0 to 3 pages free: a write that fails leaves the
// old file byte for byte and nothing beside it, one that succeeds leaves the whole new file.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <functional>

#include "platform/qt/QtSettingsStore.h"
#include "platform/qt/XdgRegistry.h"
#include "startup/modRegistryTools.h"

namespace {

using modRegistryTools::HKEY_CURRENT_USER;

QByteArray Bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}

TEST(StoredFiles, ANearlyFullDiskKeepsTheOldFileOrTheWholeNewOne) {
    if (geteuid() != 0) {
        if (qEnvironmentVariable("CI") == "true") FAIL() << "needs root to mount a tmpfs";
        GTEST_SKIP() << "needs root to mount a small tmpfs";
    }
    QTemporaryDir dir;
    ASSERT_EQ(mount("tn-test", dir.path().toLocal8Bit().constData(), "tmpfs", 0, "size=256k"), 0);
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    platform::XdgRegistry registry;
    modRegistryTools::RegistryTools tools(registry);
    ASSERT_TRUE(tools.CreateNewKey("Software\\TN", HKEY_CURRENT_USER));
    const auto setting = [&](const std::string& text) {
        platform::QtSettingsStore fresh;
        fresh.Write("TarnovelMon", "Settings", "site0", text);
        return fresh.Flush();
    };
    const auto value = [&](const char* key, const char* name) {
        return [&tools, key, name](const std::string& text) {
            return tools.SetKeyValue(key, HKEY_CURRENT_USER, name, text, modRegistryTools::REG_SZ);
        };
    };
    const auto read = [&](const char* key, const char* name) {
        return [&tools, key, name] {
            std::string text = "<none>";
            if (key == nullptr)
                return platform::QtSettingsStore().Read("TarnovelMon", "Settings", "site0", text);
            tools.QueryValue(key, HKEY_CURRENT_USER, name, text);
            return text;
        };
    };
    const struct {
        QString file;
        std::function<bool(const std::string&)> write;
        std::function<std::string()> read;
        int pages;  // that the new file takes
    } files[] = {
        {"/TarnovelMon/TarnovelMon.ini", setting, read(nullptr, nullptr), 2},
        {"/autostart/TarnovelMon.exe.desktop", value(platform::kRunKeyPath, "TarnovelMon.exe"),
         read(platform::kRunKeyPath, "TarnovelMon.exe"), 2},
        {"/TarnovelMon/registry.ini", value("Software\\TN", "v"), read("Software\\TN", "v"), 3},
    };
    const std::string old = "/old", next = "/" + std::string(5000, 'n');  // one page, then two or three
    for (const auto& f : files) {
        for (int free = 0; free <= 3; ++free) {
            QFile::remove(dir.path() + "/filler");
            ASSERT_TRUE(f.write(old));
            const QByteArray before = Bytes(dir.path() + f.file);
            const QStringList names =
                QDir(QFileInfo(dir.path() + f.file).path()).entryList(QDir::Files | QDir::Hidden);
            QFile filler(dir.path() + "/filler");
            ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            struct statvfs fs {};
            while (statvfs(dir.path().toLocal8Bit().constData(), &fs) == 0 &&
                   fs.f_bavail > static_cast<fsblkcnt_t>(free))
                ASSERT_EQ(filler.write(QByteArray(4096, 'f')), 4096);
            const bool written = f.write(next);
            SCOPED_TRACE(f.file.toStdString() + " with pages free: " + std::to_string(free));
            EXPECT_EQ(QDir(QFileInfo(dir.path() + f.file).path()).entryList(QDir::Files | QDir::Hidden),
                      names);
            if (!written) {
                EXPECT_EQ(Bytes(dir.path() + f.file), before);
            }
            filler.remove();
            EXPECT_EQ(f.read(), written ? next : old);
            EXPECT_EQ(written, free >= f.pages);
        }
    }
    umount2(dir.path().toLocal8Bit().constData(), MNT_DETACH);
}

}  // namespace
