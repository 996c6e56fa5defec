#include "platform/linux/LinuxRegistry.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/linux/AtomicFile.h"
#include "platform/linux/DesktopEntry.h"

namespace platform {

namespace {

constexpr size_t kMaxNameLength = 255;
constexpr size_t kMaxDesktopFile = 1 << 20;
constexpr size_t kMaxStoreFile = 16 << 20;
constexpr std::string_view kDesktopSuffix = ".desktop";

std::string Fold(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

// The keys that always exist: the root itself, the Run key and the keys above it.
bool IsPermanent(const std::string& foldedPath) {
    static const char* const kPermanent[] = {
        "",
        "software",
        "software\\microsoft",
        "software\\microsoft\\windows",
        "software\\microsoft\\windows\\currentversion",
        "software\\microsoft\\windows\\currentversion\\run",
    };
    for (const char* p : kPermanent) {
        if (foldedPath == p) return true;
    }
    return false;
}

bool IsRunKey(const std::string& path) {
    return Fold(path) == Fold(LinuxRegistry::kRunKeyPath);
}

// A name that can be the file name of a desktop entry once ".desktop" is added.
bool IsEntryName(const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos && name.find('\0') == std::string::npos &&
           name.size() + kDesktopSuffix.size() <= kMaxNameLength;
}

int32_t ReadStatus(int err) {
    return err == EACCES || err == EPERM ? kRegAccessDenied : kRegCantRead;
}

int32_t WriteStatus(int err) {
    return err == EACCES || err == EPERM || err == EROFS ? kRegAccessDenied : kRegCantWrite;
}

// The store file: a section per key, "[key path]", and below it a line per value, "name=type:hex bytes".
// Bytes that the layout gives a meaning, blanks, control characters and '%' are written as %XX.
struct Store {
    struct Value {
        std::string name;
        uint32_t type = 0;
        std::string data;
    };
    struct Key {
        std::string path;
        std::map<std::string, Value> values;  // by folded name
    };
    std::map<std::string, Key> keys;  // by folded path
};

constexpr char kHex[] = "0123456789abcdef";

std::string EncodeName(std::string_view text) {
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c == 0x7F || c == '%' || c == '=' || c == '[' || c == ']' || c == ';' || c == '#') {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += ch;
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool DecodeName(std::string_view text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return false;
        const int hi = HexDigit(text[i + 1]);
        const int lo = HexDigit(text[i + 2]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return true;
}

bool DecodeHex(std::string_view text, std::string& out) {
    if (text.size() % 2 != 0) return false;
    out.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        const int hi = HexDigit(text[i]);
        const int lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
    }
    return true;
}

bool ParseStore(std::string_view text, Store& store) {
    Store::Key* current = nullptr;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 2) return false;
            std::string path;
            if (!DecodeName(line.substr(1, line.size() - 2), path)) return false;
            Store::Key& key = store.keys[Fold(path)];
            if (key.path.empty()) key.path = path;
            current = &key;
            continue;
        }
        if (current == nullptr) return false;
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) return false;
        const size_t colon = line.find(':', eq + 1);
        if (colon == std::string_view::npos || colon == eq + 1 || colon - eq - 1 > 10) return false;
        Store::Value value;
        if (!DecodeName(line.substr(0, eq), value.name)) return false;
        uint64_t type = 0;
        for (const char c : line.substr(eq + 1, colon - eq - 1)) {
            if (c < '0' || c > '9') return false;
            type = type * 10 + static_cast<uint64_t>(c - '0');
        }
        if (type > 0xFFFFFFFFu) return false;
        value.type = static_cast<uint32_t>(type);
        if (!DecodeHex(line.substr(colon + 1), value.data)) return false;
        current->values[Fold(value.name)] = std::move(value);
    }
    return true;
}

std::string FormatStore(const Store& store) {
    std::string text =
        "; TarnovelMon per-user registry: a [section] per key path, a line per value, name=type:hex bytes.\n";
    for (const auto& [folded, key] : store.keys) {
        text += "[" + EncodeName(key.path) + "]\n";
        for (const auto& [foldedName, value] : key.values) {
            text += EncodeName(value.name) + "=" + std::to_string(value.type) + ":";
            for (const char ch : value.data) {
                const auto c = static_cast<unsigned char>(ch);
                text += kHex[c >> 4];
                text += kHex[c & 0xF];
            }
            text += "\n";
        }
    }
    return text;
}

int32_t LoadStore(Store& store) {
    const std::string file = LinuxRegistry::StoreFile();
    if (file.empty()) return kRegCantRead;
    std::string text;
    const int err = ReadWholeFile(file, text, kMaxStoreFile);
    if (err == ENOENT || err == ENOTDIR) return kRegSuccess;
    if (err != 0) return ReadStatus(err);
    // A store that cannot be read as one is never written over: what it holds would be lost.
    return ParseStore(text, store) ? kRegSuccess : kRegBadDb;
}

int32_t SaveStore(const Store& store) {
    const std::string home = LinuxRegistry::ConfigHome();
    if (home.empty()) return kRegCantWrite;
    int err = MakeFolders(home + "/TarnovelMon", 0700);
    if (err == 0) err = WriteFileAtomically(LinuxRegistry::StoreFile(), FormatStore(store), 0600);
    return err == 0 ? kRegSuccess : WriteStatus(err);
}

// Splits a key path into its names; false for an empty name or a NUL.
bool SplitKeyPath(const std::string& path, std::vector<std::string>& names) {
    names.clear();
    if (path.empty()) return true;
    if (path.find('\0') != std::string::npos) return false;
    size_t start = 0;
    for (;;) {
        const size_t sep = path.find('\\', start);
        const std::string name =
            path.substr(start, sep == std::string::npos ? std::string::npos : sep - start);
        if (name.empty() || name.size() > kMaxNameLength) return false;
        names.push_back(name);
        if (sep == std::string::npos) return true;
        start = sep + 1;
    }
}

std::string EntryFile(const std::string& name) {
    return LinuxRegistry::AutostartFolder() + "/" + name + std::string(kDesktopSuffix);
}

// Reads the Run value named name from its desktop entry. kRegFileNotFound when there is no entry.
int32_t ReadEntry(const std::string& name, std::string& data) {
    if (!IsEntryName(name)) return kRegFileNotFound;
    if (LinuxRegistry::ConfigHome().empty()) return kRegCantRead;
    std::string contents;
    const int err = ReadWholeFile(EntryFile(name), contents, kMaxDesktopFile);
    if (err == ENOENT || err == ENOTDIR) return kRegFileNotFound;
    if (err != 0) return ReadStatus(err);
    const desktop::Entry entry = desktop::ParseEntry(contents);
    // A hidden entry counts as removed for every session: it reads as the emptied value.
    data = entry.hidden || !entry.hasExec ? std::string() : desktop::CommandText(entry.exec);
    data.push_back('\0');
    return kRegSuccess;
}

int32_t WriteEntry(const std::string& name, const std::string& data) {
    if (!IsEntryName(name)) return kRegInvalidParameter;
    std::string text = data;
    while (!text.empty() && text.back() == '\0') text.pop_back();
    // What an entry cannot carry is refused rather than written as something else.
    if (text.find('\0') != std::string::npos || !desktop::CanBeCommand(text)) return kRegInvalidData;
    const std::string folder = LinuxRegistry::AutostartFolder();
    if (LinuxRegistry::ConfigHome().empty()) return kRegCantWrite;
    int err = MakeFolders(folder, 0700);
    if (err == 0) err = WriteFileAtomically(EntryFile(name), desktop::AutostartEntry(text), 0644);
    return err == 0 ? kRegSuccess : WriteStatus(err);
}

int32_t RemoveEntry(const std::string& name) {
    if (!IsEntryName(name) || LinuxRegistry::ConfigHome().empty()) return kRegSuccess;
    if (::unlink(EntryFile(name).c_str()) == 0 || errno == ENOENT || errno == ENOTDIR) return kRegSuccess;
    return WriteStatus(errno);
}

}  // namespace

std::string LinuxRegistry::ConfigHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return std::string(home) + "/.config";
    std::vector<char> buffer(16384);
    struct passwd pw {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return std::string(found->pw_dir) + "/.config";
    }
    return "";
}

std::string LinuxRegistry::AutostartFolder() {
    const std::string home = ConfigHome();
    return home.empty() ? "" : home + "/autostart";
}

std::string LinuxRegistry::StoreFile() {
    const std::string home = ConfigHome();
    return home.empty() ? "" : home + "/TarnovelMon/registry.ini";
}

size_t LinuxRegistry::OpenKeyCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_.size();
}

bool LinuxRegistry::Lookup(RegKey key, Handle& handle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = open_.find(key);
    if (it == open_.end()) return false;
    handle = it->second;
    return true;
}

int32_t LinuxRegistry::Resolve(RegKey parent, const std::string& subKey, std::string& path,
                               uint32_t& parentAccess) const {
    std::string base;
    if (parent == kHKeyCurrentUser) {
        parentAccess = 0x3F;
    } else if (parent >= kHKeyClassesRoot && parent <= kHKeyClassesRoot + 0x0F) {
        // The other roots are shared by every user of the machine, and not this program's to change.
        return kRegAccessDenied;
    } else {
        Handle handle;
        if (!Lookup(parent, handle)) return kRegInvalidHandle;
        base = handle.path;
        parentAccess = handle.access;
    }
    std::vector<std::string> names;
    if (!SplitKeyPath(subKey, names)) return kRegInvalidParameter;
    path = base;
    if (!subKey.empty()) path = base.empty() ? subKey : base + "\\" + subKey;
    return kRegSuccess;
}

int32_t LinuxRegistry::Open(RegKey parent, const std::string& subKey, uint32_t access, bool create,
                            RegKey& key) {
    std::string path;
    uint32_t parentAccess = 0;
    int32_t status = Resolve(parent, subKey, path, parentAccess);
    if (status != kRegSuccess) return status;

    if (!IsPermanent(Fold(path))) {
        Store store;
        status = LoadStore(store);
        if (status != kRegSuccess) return status;
        if (store.keys.count(Fold(path)) == 0) {
            if (!create) return kRegFileNotFound;
            if ((parentAccess & kKeyCreateSubKey) == 0) return kRegAccessDenied;
            // The key and every key above it that does not exist yet.
            std::vector<std::string> names;
            SplitKeyPath(path, names);
            std::string prefix;
            for (const std::string& name : names) {
                prefix = prefix.empty() ? name : prefix + "\\" + name;
                const std::string folded = Fold(prefix);
                if (IsPermanent(folded) || store.keys.count(folded) != 0) continue;
                store.keys[folded].path = prefix;
            }
            status = SaveStore(store);
            if (status != kRegSuccess) return status;
        }
    }

    std::lock_guard<std::mutex> lock(mutex_);
    while (next_ == 0 || next_ >= kHKeyClassesRoot || open_.count(next_) != 0) {
        next_ = next_ >= kHKeyClassesRoot ? 0x100 : next_ + 1;
    }
    key = next_++;
    open_[key] = Handle{path, access};
    return kRegSuccess;
}

int32_t LinuxRegistry::CreateKey(RegKey parent, const std::string& subKey, uint32_t access, RegKey& key) {
    return Open(parent, subKey, access, true, key);
}

int32_t LinuxRegistry::OpenKey(RegKey parent, const std::string& subKey, uint32_t access, RegKey& key) {
    return Open(parent, subKey, access, false, key);
}

int32_t LinuxRegistry::SetValue(RegKey key, const std::string& name, uint32_t type, const std::string& data) {
    Handle handle;
    if (!Lookup(key, handle)) return kRegInvalidHandle;
    if ((handle.access & kKeySetValue) == 0) return kRegAccessDenied;
    if (name.find('\0') != std::string::npos) return kRegInvalidParameter;

    const bool run = IsRunKey(handle.path);
    if (run && type == kRegSz) {
        const int32_t status = WriteEntry(name, data);
        if (status != kRegSuccess) return status;
        // A value of the same name kept in the store under another type is replaced by the entry.
        Store store;
        if (LoadStore(store) != kRegSuccess) return kRegSuccess;
        const auto it = store.keys.find(Fold(handle.path));
        if (it == store.keys.end() || it->second.values.erase(Fold(name)) == 0) return kRegSuccess;
        return SaveStore(store);
    }

    Store store;
    int32_t status = LoadStore(store);
    if (status != kRegSuccess) return status;
    const std::string folded = Fold(handle.path);
    if (!IsPermanent(folded) && store.keys.count(folded) == 0) return kRegKeyDeleted;
    Store::Key& stored = store.keys[folded];
    if (stored.path.empty()) stored.path = handle.path;
    stored.values[Fold(name)] = Store::Value{name, type, data};
    status = SaveStore(store);
    if (status != kRegSuccess || !run) return status;
    return RemoveEntry(name);
}

int32_t LinuxRegistry::QueryValue(RegKey key, const std::string& name, uint32_t* type, std::string* data) {
    Handle handle;
    if (!Lookup(key, handle)) return kRegInvalidHandle;
    if ((handle.access & kKeyQueryValue) == 0) return kRegAccessDenied;

    if (IsRunKey(handle.path)) {
        std::string text;
        const int32_t status = ReadEntry(name, text);
        if (status == kRegSuccess) {
            if (type != nullptr) *type = kRegSz;
            if (data != nullptr) *data = std::move(text);
            return kRegSuccess;
        }
        if (status != kRegFileNotFound) return status;
    }

    Store store;
    const int32_t status = LoadStore(store);
    if (status != kRegSuccess) return status;
    const std::string folded = Fold(handle.path);
    const auto it = store.keys.find(folded);
    if (it == store.keys.end()) return IsPermanent(folded) ? kRegFileNotFound : kRegKeyDeleted;
    const auto value = it->second.values.find(Fold(name));
    if (value == it->second.values.end()) return kRegFileNotFound;
    if (type != nullptr) *type = value->second.type;
    if (data != nullptr) *data = value->second.data;
    return kRegSuccess;
}

int32_t LinuxRegistry::CloseKey(RegKey key) {
    if (key >= kHKeyClassesRoot && key <= kHKeyClassesRoot + 0x0F) return kRegSuccess;
    std::lock_guard<std::mutex> lock(mutex_);
    return open_.erase(key) == 1 ? kRegSuccess : kRegInvalidHandle;
}

}  // namespace platform
