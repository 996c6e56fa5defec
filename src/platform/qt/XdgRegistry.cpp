#include "platform/qt/XdgRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <limits>
#include <string_view>

#include "platform/linux/DesktopEntry.h"
#include "platform/linux/FileReplace.h"

namespace platform {

namespace {

constexpr size_t kMaxName = 255;
constexpr qint64 kMaxFile = 16 << 20;
constexpr char kHex[] = "0123456789abcdef";

std::string Fold(std::string text) {
    for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

const std::string kRunKey = Fold(kRunKeyPath);

// The root, the Run key and the keys above it always exist.
bool IsPermanent(const std::string& folded) {
    return kRunKey.compare(0, folded.size(), folded) == 0 &&
           (folded.size() == kRunKey.size() || folded.empty() || kRunKey[folded.size()] == '\\');
}

QString ConfigHome() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString EntryFile(const std::string& name) {
    return ConfigHome() + "/autostart/" + QFile::decodeName(name.c_str()) + ".desktop";
}

QString StoreFile() {
    return ConfigHome() + "/TarnovelMon/registry.ini";
}

// Reads a whole small file: kRegFileNotFound where there is none.
int32_t ReadFile(const QString& path, std::string& contents) {
    QFile file(path);
    if (!file.exists()) return kRegFileNotFound;
    if (!file.open(QIODevice::ReadOnly))
        return file.error() == QFile::PermissionsError ? kRegAccessDenied : kRegCantRead;
    if (file.size() > kMaxFile) return kRegCantRead;
    contents = file.readAll().toStdString();
    return kRegSuccess;
}

// Replaces the file whole, or leaves it as it was.
int32_t WriteFile(const QString& path, const std::string& contents) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return kRegCantWrite;
    const int error = ReplaceFile(QFile::encodeName(path).toStdString(), contents);
    if (error == 0) return kRegSuccess;
    return error == EACCES || error == EPERM || error == EROFS ? kRegAccessDenied : kRegCantWrite;
}

// The store: "[key path]" sections, then "name=type:hex bytes" lines; in paths and names, blanks,
// control characters and the characters the layout gives a meaning are written as %XX. QSettings cannot
// read this file as earlier versions wrote it: it takes the backslashes of key paths for its own group
// separators and compares names with regard to case, so the few lines of its format are kept here.
struct Value {
    std::string name;
    uint32_t type = 0;
    std::string data;
};
struct Key {
    std::string path;
    std::map<std::string, Value> values;  // by folded name
};
using Store = std::map<std::string, Key>;  // by folded path

std::string Encode(const std::string& text, bool all) {
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (all || c <= 0x20 || c == 0x7F || std::string_view("%=[];#").find(ch) != std::string_view::npos) {
            out += all ? "" : "%";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += ch;
        }
    }
    return out;
}

int Hex(char c) {
    const char* p = std::strchr(kHex, c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
    return c != '\0' && p != nullptr ? static_cast<int>(p - kHex) : -1;
}

// Undoes Encode; false for a malformed text.
bool Decode(std::string_view text, bool all, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (!all && text[i] != '%') {
            out += text[i];
            continue;
        }
        const size_t at = all ? i : i + 1;
        if (at + 1 >= text.size() || Hex(text[at]) < 0 || Hex(text[at + 1]) < 0) return false;
        constexpr int kNibble = 16;
        out += static_cast<char>(Hex(text[at]) * kNibble + Hex(text[at + 1]));
        i = at + 1;
    }
    return true;
}

// A value's type is a decimal number of 32 bits: at most this many digits.
constexpr size_t kMaxTypeDigits = 10;

bool ParseLine(std::string_view line, Store& store, Key*& current) {
    if (line.empty() || line.front() == ';') return true;
    std::string text;
    if (line.front() == '[') {
        if (line.size() < 2 || line.back() != ']' || !Decode(line.substr(1, line.size() - 2), false, text))
            return false;
        current = &store[Fold(text)];
        if (current->path.empty()) current->path = text;
        return true;
    }
    const size_t eq = line.find('=');
    const size_t colon = line.find(':', eq == std::string_view::npos ? 0 : eq);
    if (current == nullptr || eq == std::string_view::npos || colon == std::string_view::npos ||
        colon == eq + 1 || colon - eq - 1 > kMaxTypeDigits) {
        return false;
    }
    Value v;
    uint64_t type = 0;
    for (const char c : line.substr(eq + 1, colon - eq - 1)) {
        if (c < '0' || c > '9') return false;
        constexpr uint64_t kDecimal = 10;
        type = type * kDecimal + static_cast<uint64_t>(c - '0');
    }
    if (type > std::numeric_limits<uint32_t>::max() || !Decode(line.substr(0, eq), false, v.name) ||
        !Decode(line.substr(colon + 1), true, v.data)) {
        return false;
    }
    v.type = static_cast<uint32_t>(type);
    current->values[Fold(v.name)] = std::move(v);
    return true;
}

int32_t LoadStore(Store& store) {
    std::string text;
    const int32_t status = ReadFile(StoreFile(), text);
    if (status == kRegFileNotFound) return kRegSuccess;
    if (status != kRegSuccess) return status;
    Key* current = nullptr;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        // A store that cannot be read as one is never written over: what it holds would be lost.
        if (!ParseLine(std::string_view(text).substr(start, end - start), store, current)) return kRegBadDb;
        start = end + 1;
    }
    return kRegSuccess;
}

int32_t SaveStore(const Store& store) {
    std::string text =
        "; TarnovelMon per-user registry: a [section] per key path, a line per value, name=type:hex bytes.\n";
    for (const auto& [folded, key] : store) {
        text += "[" + Encode(key.path, false) + "]\n";
        for (const auto& [name, v] : key.values) {
            text += Encode(v.name, false) + "=" + std::to_string(v.type) + ":" + Encode(v.data, true) + "\n";
        }
    }
    return WriteFile(StoreFile(), text);
}

// A name that can be a desktop entry's file name once ".desktop" is added.
bool IsEntryName(const std::string& name) {
    return !name.empty() && name.find_first_of(std::string("/\0", 2)) == std::string::npos &&
           name.size() + 8 <= kMaxName;
}

// The Run value named name, from its desktop entry. A hidden entry reads as the emptied value.
int32_t ReadEntry(const std::string& name, std::string& data) {
    if (!IsEntryName(name)) return kRegFileNotFound;
    std::string contents;
    const int32_t status = ReadFile(EntryFile(name), contents);
    if (status != kRegSuccess) return status;
    const desktop::Entry entry = desktop::ParseEntry(contents);
    data = entry.hidden || !entry.hasExec ? std::string() : desktop::CommandText(entry.exec);
    data.push_back('\0');
    return kRegSuccess;
}

int32_t WriteEntry(const std::string& name, std::string text) {
    if (!IsEntryName(name)) return kRegInvalidParameter;
    while (!text.empty() && text.back() == '\0') text.pop_back();
    // What an entry cannot carry is refused rather than written as something else.
    if (text.find('\0') != std::string::npos || !desktop::CanBeCommand(text)) return kRegInvalidData;
    return WriteFile(EntryFile(name), desktop::AutostartEntry(text));
}

// Splits a key path into names; false for an empty or overlong name or a NUL.
bool ValidPath(const std::string& path) {
    if (path.empty()) return true;
    if (path.find('\0') != std::string::npos) return false;
    size_t start = 0;
    for (;;) {
        const size_t sep = path.find('\\', start);
        const size_t length = (sep == std::string::npos ? path.size() : sep) - start;
        if (length == 0 || length > kMaxName) return false;
        if (sep == std::string::npos) return true;
        start = sep + 1;
    }
}

}  // namespace

const XdgRegistry::Handle* XdgRegistry::Find(RegKey key) const {
    const auto it = open_.find(key);
    return it == open_.end() ? nullptr : &it->second;
}

int32_t XdgRegistry::Open(RegKey parent, const std::string& subKey, uint32_t access, bool create,
                          RegKey& key) {
    Handle handle{"", kKeyAllRights};
    if (parent != kHKeyCurrentUser) {
        // The other roots are shared by every user of the machine, and not this program's to change.
        if (IsPredefinedRoot(parent)) return kRegAccessDenied;
        if (Find(parent) == nullptr) return kRegInvalidHandle;
        handle = *Find(parent);
    }
    if (!ValidPath(subKey)) return kRegInvalidParameter;
    if (!subKey.empty()) handle.path = handle.path.empty() ? subKey : handle.path + "\\" + subKey;
    if (!IsPermanent(Fold(handle.path))) {
        Store store;
        int32_t status = LoadStore(store);
        if (status != kRegSuccess) return status;
        if (store.count(Fold(handle.path)) == 0) {
            if (!create) return kRegFileNotFound;
            if ((handle.access & kKeyCreateSubKey) == 0) return kRegAccessDenied;
            // The key and every key above it that does not exist yet.
            for (size_t sep = 0; sep != std::string::npos;) {
                sep = handle.path.find('\\', sep + 1);
                const std::string prefix = handle.path.substr(0, sep);
                if (!IsPermanent(Fold(prefix)) && store.count(Fold(prefix)) == 0)
                    store[Fold(prefix)].path = prefix;
            }
            if ((status = SaveStore(store)) != kRegSuccess) return status;
        }
    }
    while (open_.count(next_) != 0 || next_ >= kHKeyClassesRoot)
        next_ = next_ >= kHKeyClassesRoot ? kFirstHandle : next_ + 1;
    key = next_++;
    open_[key] = Handle{handle.path, access};
    return kRegSuccess;
}

int32_t XdgRegistry::CreateKey(RegKey parent, const std::string& subKey, uint32_t access, RegKey& key) {
    return Open(parent, subKey, access, true, key);
}

int32_t XdgRegistry::OpenKey(RegKey parent, const std::string& subKey, uint32_t access, RegKey& key) {
    return Open(parent, subKey, access, false, key);
}

int32_t XdgRegistry::SetValue(RegKey key, const std::string& name, uint32_t type, const std::string& data) {
    const Handle* handle = Find(key);
    if (handle == nullptr) return kRegInvalidHandle;
    if ((handle->access & kKeySetValue) == 0) return kRegAccessDenied;
    if (name.find('\0') != std::string::npos) return kRegInvalidParameter;
    const std::string folded = Fold(handle->path);
    if (folded == kRunKey && type == kRegSz) return WriteEntry(name, data);
    Store store;
    const int32_t status = LoadStore(store);
    if (status != kRegSuccess) return status;
    if (!IsPermanent(folded) && store.count(folded) == 0) return kRegKeyDeleted;
    Key& stored = store[folded];
    if (stored.path.empty()) stored.path = handle->path;
    stored.values[Fold(name)] = Value{name, type, data};
    return SaveStore(store);
}

int32_t XdgRegistry::QueryValue(RegKey key, const std::string& name, uint32_t* type, std::string* data) {
    const Handle* handle = Find(key);
    if (handle == nullptr) return kRegInvalidHandle;
    if ((handle->access & kKeyQueryValue) == 0) return kRegAccessDenied;
    const std::string folded = Fold(handle->path);
    std::string text;
    int32_t status = folded == kRunKey ? ReadEntry(name, text) : kRegFileNotFound;
    if (status == kRegSuccess) {
        if (type != nullptr) *type = kRegSz;
        if (data != nullptr) *data = std::move(text);
        return kRegSuccess;
    }
    if (status != kRegFileNotFound) return status;
    Store store;
    if ((status = LoadStore(store)) != kRegSuccess) return status;
    const auto it = store.find(folded);
    if (it == store.end()) return IsPermanent(folded) ? kRegFileNotFound : kRegKeyDeleted;
    const auto value = it->second.values.find(Fold(name));
    if (value == it->second.values.end()) return kRegFileNotFound;
    if (type != nullptr) *type = value->second.type;
    if (data != nullptr) *data = value->second.data;
    return kRegSuccess;
}

int32_t XdgRegistry::CloseKey(RegKey key) {
    if (IsPredefinedRoot(key)) return kRegSuccess;
    return open_.erase(key) == 1 ? kRegSuccess : kRegInvalidHandle;
}

}  // namespace platform
