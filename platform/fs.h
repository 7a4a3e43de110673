// File-system calls on wide paths (converted to UTF-8 at this edge; '\' is not translated).
// Sizes are 64-bit throughout.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vermark::platform {

struct FileStatus {
    bool is_folder = false;
    bool is_link = false;    // only from link_status
    bool read_only = false;  // the owner may not write it
    std::uint64_t size = 0;
    std::time_t modified = 0;
    unsigned mode = 0;   // permission and type bits
    unsigned owner = 0;  // user id
};

// stat(): follows links. nullopt when the entry cannot be examined.
std::optional<FileStatus> file_status(std::u16string_view path);
// lstat(): a link is reported as itself.
std::optional<FileStatus> link_status(std::u16string_view path);
// access(F_OK).
bool can_access(std::u16string_view path);

// True when other users may create or rename entries in the folder (world-writable, like /tmp).
bool is_shared_folder(const FileStatus& folder);
// True when `entry` (from link_status) is a real folder owned by this process's user.
bool is_own_folder(const FileStatus& entry);

// mkdir with mode 0700; true when created.
bool make_private_folder(std::u16string_view path);
bool remove_folder(std::u16string_view path);
bool remove_file(std::u16string_view path);
bool rename_path(std::u16string_view from, std::u16string_view to);

// Copies the bytes of the regular file `source` over `target` (created or truncated, keeping the
// source's permission bits). False on any failure or short write, when both name the same file,
// or when `source` is not a regular file (a folder, FIFO or device).
bool copy_file_contents(std::u16string_view source, std::u16string_view target);

struct FolderEntry {
    std::u16string name;
    bool is_folder = false;  // a link to a folder is not a folder here
};
// One level of a folder in the system's order, "." and ".." included; nullopt when it cannot be
// opened.
std::optional<std::vector<FolderEntry>> read_folder(std::u16string_view path);

// An open failure (an errno value) that may pass on its own, so that retrying makes sense:
// busy, permission changing, interrupted, out of descriptors... Not: no such file, a folder, not
// a folder in the path, read-only file system, name too long, link loop.
bool failure_may_pass(int error);

// Writes all bytes to an open descriptor, going on after short and interrupted writes; false on
// any error.
bool write_to_descriptor(int fd, const void* data, std::size_t size);

// A file opened for appending (created when missing), like fopen(path, "ab").
class AppendFile {
  public:
    AppendFile() = default;
    ~AppendFile();
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // 0 on success, else the errno value.
    int open(std::u16string_view path);
    // Current size of the open file.
    std::uint64_t size() const;
    // One write call; true when every byte was written.
    bool write(std::span<const std::uint8_t> bytes);
    void close();

  private:
    int fd_ = -1;
};

// A regular file opened for reading, like fopen(path, "rb") without a buffer. The open never
// waits on a FIFO, and devices are refused, so a reader neither blocks nor reads forever.
class ReadFile {
  public:
    ReadFile() = default;
    ~ReadFile();
    ReadFile(const ReadFile&) = delete;
    ReadFile& operator=(const ReadFile&) = delete;

    // 0 on success, else an errno value, EINVAL for a FIFO, socket or device. A folder opens
    // and fails its first read with EISDIR.
    int open(std::u16string_view path);
    // Reads until `size` bytes, the end of the file or an error; the count read.
    std::size_t read(std::uint8_t* data, std::size_t size);
    // The errno value of a failed read, 0 when none failed.
    int error() const { return error_; }

  private:
    int fd_ = -1;
    int error_ = 0;
    bool regular_ = false;
    bool ended_ = false;  // a short read of a regular file was its end
};

}  // namespace vermark::platform
