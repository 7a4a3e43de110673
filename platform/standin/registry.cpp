#include "platform/registry.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/safe_replace.h"
#include "platform/special_folders.h"
#include "platform/standin/registry_tree.h"
#include "platform/wide.h"

namespace vermark::platform {

namespace {

namespace fs = std::filesystem;

using KeyPath = std::vector<std::u16string>;

// The platform's limit on one key name.
constexpr std::size_t max_key_name = 255;

struct Handle {
    KeyPath path;  // names as stored, from the root down
    std::uint32_t access = 0;
};

// The file's identity at the time it was read; an atomic replacement changes the inode.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    bool operator==(const FileStamp& o) const {
        return device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
    }
};

struct State {
    std::mutex mutex;
    fs::path override_file;
    std::map<std::uint32_t, Handle> handles;
    std::uint32_t next_handle = 1;
    // The tree as last read or written, reused while the file is unchanged.
    fs::path cached_file;
    std::optional<FileStamp> cached_stamp;
    RegNode cached_tree;
};

State& state() {
    static State instance;
    return instance;
}

fs::path env_folder(const char* name) {
    const char* value = std::getenv(name);
    return (value && *value) ? fs::path(value) : fs::path();
}

fs::path default_file() {
    constexpr const char* file_name = "HKEY_CURRENT_USER.reg";
    if (fs::path home = env_folder("VERMARK_HOME"); !home.empty())
        return home / "registry" / file_name;
    fs::path config = env_folder("XDG_CONFIG_HOME");
    if (config.empty() || config.is_relative()) {
        // Never a path relative to the current folder, even without HOME.
        const std::u16string home = home_folder();
        if (home.empty()) return {};
        config = fs::path(to_utf8(home)) / ".config";
    }
    return config / "vermark" / file_name;
}

fs::path current_file(State& s) {
    return s.override_file.empty() ? default_file() : s.override_file;
}

std::optional<FileStamp> stamp_of(const fs::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) return std::nullopt;
    return FileStamp{info.st_dev, info.st_ino, info.st_size, info.st_mtim};
}

// A damaged file is read as far as it makes sense; what was skipped is said once per reading.
void report_damage(const fs::path& file, std::size_t too_deep) {
    std::fprintf(stderr, "%s: %zu keys nested deeper than %zu levels skipped\n", file.c_str(),
                 too_deep, kMaxRegKeyDepth);
}

// The current tree; false when the file exists but cannot be read (writes must not replace it).
// Reads reuse the tree while the file looks unchanged; writes pass fresh, since a quick
// replacement may reuse the inode within one timestamp tick.
bool load(State& s, RegNode*& tree, bool fresh = false) {
    const fs::path file = current_file(s);
    const std::optional<FileStamp> stamp = stamp_of(file);
    tree = &s.cached_tree;
    if (!fresh && stamp && s.cached_file == file && s.cached_stamp == stamp) return true;
    std::string text;
    if (stamp) {
        int error = 0;
        std::optional<std::string> bytes = read_regular_file(from_utf8(file.string()), error);
        if (!bytes) {
            s.cached_file.clear();
            return false;
        }
        text = std::move(*bytes);
    }
    std::size_t too_deep = 0;
    s.cached_tree = stamp ? parse_registry_text(text, &too_deep) : RegNode{};
    if (too_deep > 0) report_damage(file, too_deep);
    s.cached_file = file;
    s.cached_stamp = stamp;
    return true;
}

// Replaces the file by a complete new copy, synced first: readers see the old or the new file,
// never a part, and so does the next start after a power loss. The file stays private.
bool save(State& s, const RegNode& tree) {
    const fs::path file = current_file(s);
    if (file.empty()) return false;
    ReplaceOptions options;
    options.flush = Flush::to_disk;
    options.new_file_mode = 0600;
    if (replace_file(from_utf8(file.string()), format_registry_text(tree), options) != 0) {
        s.cached_file.clear();
        return false;
    }
    s.cached_file = file;
    s.cached_stamp = stamp_of(file);
    return true;
}

// Serialises read-modify-write cycles between processes. Without a lock file (a read-only
// place) the write itself will fail; reading goes on unlocked.
class WriteLock {
  public:
    explicit WriteLock(const fs::path& file) : lock_(prepared(file)) {}

  private:
    // A folder made here is private; an existing one keeps its permissions.
    static std::u16string prepared(const fs::path& file) {
        if (file.empty()) return {};  // no place for the registry: the save fails
        std::error_code ignored;
        if (fs::create_directories(file.parent_path(), ignored))
            fs::permissions(file.parent_path(), fs::perms::owner_all, ignored);
        return from_utf8(file.string());
    }
    SideLock lock_;
};

bool split_subkey(const char16_t* subkey, KeyPath& parts) {
    parts.clear();
    if (!subkey || !*subkey) return true;
    std::u16string_view text(subkey);
    std::size_t start = 0;
    for (std::size_t sep; (sep = text.find(u'\\', start)) != std::u16string_view::npos;
         start = sep + 1)
        parts.emplace_back(text.substr(start, sep - start));
    parts.emplace_back(text.substr(start));
    if (parts.size() > 1 && parts.back().empty()) parts.pop_back();
    return std::none_of(parts.begin(), parts.end(), [](const auto& p) { return p.empty(); });
}

bool valid_new_name(const std::u16string& name) {
    if (name.size() > max_key_name) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char16_t unit = name[i];
        if (unit < 0x20 || unit == 0x7F) return false;
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (low) return false;
        if (high && (i + 1 >= name.size() || name[++i] < 0xDC00 || name[i] > 0xDFFF)) return false;
    }
    return true;
}

RegError base_path(State& s, HKEY key, KeyPath& path, std::uint32_t* access = nullptr) {
    if (key == HKEY_CURRENT_USER) {
        path.clear();
        if (access) *access = ~0u;
        return RegError::success;
    }
    auto it = s.handles.find(static_cast<std::uint32_t>(key));
    if (it == s.handles.end()) return RegError::invalid_handle;
    path = it->second.path;
    if (access) *access = it->second.access;
    return RegError::success;
}

RegNode* find_node(RegNode& root, const KeyPath& path) {
    RegNode* node = &root;
    for (const auto& name : path) {
        node = child_named(*node, name);
        if (!node) return nullptr;
    }
    return node;
}

HKEY new_handle(State& s, KeyPath path, std::uint32_t access) {
    const std::uint32_t id = s.next_handle++;
    if (s.next_handle >= static_cast<std::uint32_t>(HKEY_CURRENT_USER)) s.next_handle = 1;
    s.handles[id] = Handle{std::move(path), access};
    return static_cast<HKEY>(id);
}

// The key behind a handle, loaded for reading, with the access the call needs.
RegError key_for_read(State& s, HKEY key, std::uint32_t needed, RegNode*& node) {
    KeyPath path;
    std::uint32_t access = 0;
    if (RegError e = base_path(s, key, path, &access); e != RegError::success) return e;
    if ((access & needed) != needed) return RegError::access_denied;
    RegNode* tree = nullptr;
    if (!load(s, tree)) return RegError::access_denied;
    node = find_node(*tree, path);
    return node ? RegError::success : RegError::key_deleted;
}

// Runs change on the key behind a handle under the write lock and saves when it succeeds.
template <typename Change>
RegError change_key(HKEY key, std::uint32_t needed, Change change) {
    State& s = state();
    std::lock_guard guard(s.mutex);
    KeyPath path;
    std::uint32_t access = 0;
    if (RegError e = base_path(s, key, path, &access); e != RegError::success) return e;
    if ((access & needed) != needed) return RegError::access_denied;
    WriteLock lock(current_file(s));
    RegNode* tree = nullptr;
    if (!load(s, tree, true)) return RegError::cant_write;
    RegNode* node = find_node(*tree, path);
    if (!node) return RegError::key_deleted;
    if (RegError e = change(*node); e != RegError::success) return e;
    return save(s, *tree) ? RegError::success : RegError::cant_write;
}

RegError copy_name(const std::u16string& found, char16_t* name, std::uint32_t* length) {
    if (!name || !length) return RegError::invalid_parameter;
    if (found.size() + 1 > *length) return RegError::more_data;
    std::copy(found.begin(), found.end(), name);
    name[found.size()] = 0;
    *length = static_cast<std::uint32_t>(found.size());
    return RegError::success;
}

std::u16string_view name_of(const char16_t* name) {
    return name ? std::u16string_view(name) : std::u16string_view();
}

}  // namespace

RegError reg_open_key(HKEY root, const char16_t* subkey, std::uint32_t access, HKEY* result) {
    if (!result) return RegError::invalid_parameter;
    *result = HKEY::none;
    State& s = state();
    std::lock_guard guard(s.mutex);
    KeyPath path;
    if (RegError e = base_path(s, root, path); e != RegError::success) return e;
    KeyPath parts;
    if (!split_subkey(subkey, parts)) return RegError::file_not_found;
    RegNode* tree = nullptr;
    if (!load(s, tree)) return RegError::file_not_found;
    RegNode* node = find_node(*tree, path);
    if (!node) return RegError::key_deleted;
    for (const auto& part : parts) {
        node = child_named(*node, part);
        if (!node) return RegError::file_not_found;
        path.push_back(node->name);
    }
    *result = new_handle(s, std::move(path), access);
    return RegError::success;
}

RegError reg_create_key(HKEY root, const char16_t* subkey, std::uint32_t access, HKEY* result) {
    if (!result) return RegError::invalid_parameter;
    *result = HKEY::none;
    KeyPath parts;
    if (!split_subkey(subkey, parts)) return RegError::bad_pathname;
    State& s = state();
    std::lock_guard guard(s.mutex);
    KeyPath path;
    if (RegError e = base_path(s, root, path); e != RegError::success) return e;
    WriteLock lock(current_file(s));
    RegNode* tree = nullptr;
    if (!load(s, tree, true)) return RegError::cant_write;
    RegNode* node = find_node(*tree, path);
    if (!node) return RegError::key_deleted;
    if (path.size() + parts.size() > kMaxRegKeyDepth) return RegError::invalid_parameter;
    // Refuse a bad name before adding anything: the tree is the cached copy, and parents added
    // for a refused path would show in later reads without ever reaching the file.
    const RegNode* probe = node;
    for (const auto& part : parts) {
        probe = probe ? child_named(*probe, part) : nullptr;
        if (!probe && !valid_new_name(part)) return RegError::invalid_parameter;
    }
    bool created = false;
    for (const auto& part : parts) {
        RegNode* child = child_named(*node, part);
        if (!child) {
            child = &add_child(*node, part);
            created = true;
        }
        node = child;
        path.push_back(node->name);
    }
    if (created && !save(s, *tree)) return RegError::cant_write;
    *result = new_handle(s, std::move(path), access);
    return RegError::success;
}

RegError reg_close_key(HKEY key) {
    if (key == HKEY_CURRENT_USER) return RegError::success;
    State& s = state();
    std::lock_guard guard(s.mutex);
    return s.handles.erase(static_cast<std::uint32_t>(key)) ? RegError::success
                                                            : RegError::invalid_handle;
}

RegError reg_query_value(HKEY key, const char16_t* name, std::uint32_t* type, std::uint8_t* data,
                         std::uint32_t* size) {
    if (data && !size) return RegError::invalid_parameter;
    State& s = state();
    std::lock_guard guard(s.mutex);
    RegNode* node = nullptr;
    if (RegError e = key_for_read(s, key, KEY_QUERY_VALUE, node); e != RegError::success) return e;
    const RegValue* value = value_named(*node, name_of(name));
    if (!value) return RegError::file_not_found;
    if (type) *type = value->type;
    const auto needed = static_cast<std::uint32_t>(value->data.size());
    if (data && *size < needed) {
        *size = needed;
        return RegError::more_data;
    }
    if (data) std::copy(value->data.begin(), value->data.end(), data);
    if (size) *size = needed;
    return RegError::success;
}

RegError reg_set_value(HKEY key, const char16_t* name, std::uint32_t type, const std::uint8_t* data,
                       std::uint32_t size) {
    if (!data && size > 0) return RegError::invalid_parameter;
    return change_key(key, KEY_SET_VALUE, [&](RegNode& node) {
        std::vector<std::uint8_t> bytes(data, data + size);
        if (RegValue* existing = value_named(node, name_of(name))) {
            existing->type = type;
            existing->data = std::move(bytes);
        } else {
            node.values.push_back(RegValue{std::u16string(name_of(name)), type, std::move(bytes)});
        }
        return RegError::success;
    });
}

RegError reg_delete_value(HKEY key, const char16_t* name) {
    return change_key(key, KEY_SET_VALUE, [&](RegNode& node) {
        const auto before = node.values.size();
        std::erase_if(node.values,
                      [&](const RegValue& v) { return same_reg_name(v.name, name_of(name)); });
        return node.values.size() < before ? RegError::success : RegError::file_not_found;
    });
}

RegError reg_delete_key(HKEY key, const char16_t* subkey) {
    if (!subkey) return RegError::invalid_parameter;
    KeyPath parts;
    if (!split_subkey(subkey, parts)) return RegError::file_not_found;
    return change_key(key, 0, [&](RegNode& node) {
        if (parts.empty()) return RegError::access_denied;
        RegNode* parent = &node;
        for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
            parent = child_named(*parent, parts[i]);
            if (!parent) return RegError::file_not_found;
        }
        const RegNode* target = child_named(*parent, parts.back());
        if (!target) return RegError::file_not_found;
        if (!target->children.empty()) return RegError::access_denied;
        remove_child(*parent, parts.back());
        return RegError::success;
    });
}

RegError reg_enum_key(HKEY key, std::uint32_t index, char16_t* name, std::uint32_t* length) {
    State& s = state();
    std::lock_guard guard(s.mutex);
    RegNode* node = nullptr;
    if (RegError e = key_for_read(s, key, KEY_ENUMERATE_SUB_KEYS, node); e != RegError::success)
        return e;
    if (index >= node->children.size()) return RegError::no_more_items;
    return copy_name(node->children[index].name, name, length);
}

RegError reg_enum_value(HKEY key, std::uint32_t index, char16_t* name, std::uint32_t* length) {
    State& s = state();
    std::lock_guard guard(s.mutex);
    RegNode* node = nullptr;
    if (RegError e = key_for_read(s, key, KEY_QUERY_VALUE, node); e != RegError::success) return e;
    if (index >= node->values.size()) return RegError::no_more_items;
    return copy_name(node->values[index].name, name, length);
}

fs::path registry_file() {
    State& s = state();
    std::lock_guard guard(s.mutex);
    return current_file(s);
}

void use_registry_file(const fs::path& file) {
    State& s = state();
    std::lock_guard guard(s.mutex);
    s.override_file = file;
    s.cached_file.clear();
}

}  // namespace vermark::platform
