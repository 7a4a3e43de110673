#include "platform/profile.h"

#include <io.h>

#include <string>

#include "platform/fs.h"
#include "platform/windows/win_native.h"

namespace vermark::platform {
namespace win = platform::win;
namespace {

// A name the profile functions take: nullptr for none, else a zero-terminated copy.
class ProfileArgument {
  public:
    explicit ProfileArgument(ProfileName name)
        : present_(name.has_value()), text_(name ? win::to_wide(*name) : std::wstring()) {}
    const wchar_t* get() const { return present_ ? text_.c_str() : nullptr; }

  private:
    bool present_;
    std::wstring text_;
};

// The file held alone while it is read and rewritten, so no other writer's change is lost.
class ExclusiveFile {
  public:
    ExclusiveFile(std::u16string_view path, DWORD disposition)
        : fd_(win::open_descriptor(path, GENERIC_READ | GENERIC_WRITE, 0, disposition)) {}
    ~ExclusiveFile() {
        if (fd_ >= 0) ::_close(fd_);
    }
    ExclusiveFile(const ExclusiveFile&) = delete;
    ExclusiveFile& operator=(const ExclusiveFile&) = delete;
    bool is_open() const { return fd_ >= 0; }

    std::optional<std::string> read_all() {
        std::string bytes;
        char chunk[65536];
        for (;;) {
            const int n = ::_read(fd_, chunk, sizeof chunk);
            if (n < 0) return std::nullopt;
            if (n == 0) return bytes;
            bytes.append(chunk, static_cast<std::size_t>(n));
        }
    }

    bool replace_with(std::string_view bytes) {
        if (::_lseeki64(fd_, 0, SEEK_SET) != 0 || ::_chsize_s(fd_, 0) != 0) return false;
        if (!platform::write_to_descriptor(fd_, bytes.data(), bytes.size())) return false;
        const int fd = fd_;
        fd_ = -1;
        return ::_close(fd) == 0;
    }

  private:
    int fd_;
};

}  // namespace

bool profile_names_equal(std::u16string_view a, std::u16string_view b) {
    const std::wstring wide_a = win::to_wide(a);
    const std::wstring wide_b = win::to_wide(b);
    return ::CompareStringOrdinal(wide_a.c_str(), static_cast<int>(wide_a.size()), wide_b.c_str(),
                                  static_cast<int>(wide_b.size()), TRUE) == CSTR_EQUAL;
}

std::uint32_t GetPrivateProfileStringW(ProfileName section, ProfileName key,
                                       ProfileName default_value, char16_t* buffer,
                                       std::uint32_t size, std::u16string_view path) {
    if (buffer == nullptr || size == 0) return 0;
    const std::wstring file = win::wide_path(path);
    const ProfileArgument section_name(section), key_name(key), fallback(default_value);
    return ::GetPrivateProfileStringW(section_name.get(), key_name.get(), fallback.get(),
                                      reinterpret_cast<wchar_t*>(buffer), size, file.c_str());
}

std::uint32_t GetPrivateProfileIntW(ProfileName section, ProfileName key,
                                    std::int32_t default_value, std::u16string_view path) {
    if (!section || !key) return static_cast<std::uint32_t>(default_value);
    const std::wstring file = win::wide_path(path);
    const ProfileArgument section_name(section), key_name(key);
    return ::GetPrivateProfileIntW(section_name.get(), key_name.get(), default_value, file.c_str());
}

bool WritePrivateProfileStringW(ProfileName section, ProfileName key, ProfileName value,
                                std::u16string_view path) {
    if (!section) return false;
    const std::wstring file = win::wide_path(path);
    const ProfileArgument section_name(section), key_name(key), text(value);
    return ::WritePrivateProfileStringW(section_name.get(), key_name.get(), text.get(),
                                        file.c_str()) != 0;
}

bool rewrite_profile_file(
    std::u16string_view path,
    const std::function<std::optional<std::string>(std::string_view)>& transform) {
    ExclusiveFile file(path, OPEN_EXISTING);
    if (!file.is_open()) return false;
    const auto bytes = file.read_all();
    if (!bytes) return false;
    const auto replacement = transform(*bytes);
    return !replacement || file.replace_with(*replacement);
}

bool create_profile_file(std::u16string_view path, const std::function<std::string()>& content) {
    if (platform::can_access(path)) return true;  // the usual case
    ExclusiveFile file(path, CREATE_NEW);
    // Another writer made it first: theirs stands.
    if (!file.is_open()) return platform::can_access(path);
    return file.replace_with(content());
}

}  // namespace vermark::platform
