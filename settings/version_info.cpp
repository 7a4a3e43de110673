#include "settings/version_info.h"

#include <algorithm>
#include <cstdio>

#include "platform/version_resource_store.h"
#include "platform/wide.h"
#include "util/path.h"

namespace vermark {
namespace {

void report(std::u16string_view text) {
    std::fputs((platform::to_utf8(text) + "\n").c_str(), stderr);
}

std::uint16_t word_at(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// UTF-16LE units up to the first zero unit.
std::u16string text_of(std::span<const std::uint8_t> bytes) {
    std::u16string text;
    for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
        const char16_t unit = word_at(bytes, at);
        if (unit == 0) break;
        text.push_back(unit);
    }
    return text;
}

}  // namespace

std::u16string unsigned_text(std::uint32_t value, int radix, std::size_t width) {
    const std::uint32_t base = static_cast<std::uint32_t>(std::clamp(radix, 2, 36));
    std::u16string digits;
    do {
        const std::uint32_t digit = value % base;
        digits.push_back(static_cast<char16_t>(digit < 10 ? u'0' + digit : u'a' + digit - 10));
        value /= base;
    } while (value != 0);
    if (digits.size() < width) digits.append(width - digits.size(), u'0');
    std::reverse(digits.begin(), digits.end());
    return digits;
}

VersionInfo::VersionInfo(std::u16string_view path) : path_(path) {
    if (!path_.empty() && exists(path_)) load();
}

bool VersionInfo::open(std::u16string_view path) {
    path_ = path;
    prefix_.clear();
    data_.clear();
    if (path_.empty()) return false;
    return exists(path_) ? load() : false;
}

bool VersionInfo::load() {
    handle_ = 0;
    size_ = platform::file_version_info_size(path_, handle_);
    if (size_ == 0) {
        report(u"::GetFileVersionInfoSize ... 0");
        return false;
    }
    data_.assign(2 * static_cast<std::size_t>(size_), 0);
    if (!platform::file_version_info(path_, handle_, size_, data_)) {
        report(u"::GetFileVersionInfo ... false");
        return false;
    }
    const auto table = platform::ver_query_value(data_, u"\\VarFileInfo\\Translation");
    if (!table) {
        report(u"::VerQueryValue ... false");
        return false;
    }
    if (table->size() < 4) {
        report(u"::VerQueryValue   len = 0");
        return false;
    }
    prefix_ = u"\\StringFileInfo\\" + unsigned_text(word_at(*table, 0), 16, 4) +
              unsigned_text(word_at(*table, 2), 16, 4) + u"\\";
    return true;
}

std::u16string VersionInfo::query(std::u16string_view name) {
    if (prefix_.empty() && !load()) return {};
    const auto value = platform::ver_query_value(data_, prefix_ + std::u16string(name));
    if (!value) {
        report(u"::VerQueryValue ...   " + std::u16string(name));
        return {};
    }
    if (value->empty()) {
        report(u"::VerQueryValue len=0 " + std::u16string(name));
        return {};
    }
    return text_of(*value);
}

std::u16string VersionInfo::comments() {
    return query(u"Comments");
}
std::u16string VersionInfo::company_name() {
    return query(u"CompanyName");
}
std::u16string VersionInfo::file_description() {
    return query(u"FileDescription");
}
std::u16string VersionInfo::file_version() {
    return query(u"FileVersion");
}
std::u16string VersionInfo::internal_name() {
    return query(u"InternalName");
}
std::u16string VersionInfo::legal_copyright() {
    return query(u"LegalCopyright");
}
std::u16string VersionInfo::legal_trademarks() {
    return query(u"LegalTrademarks");
}
std::u16string VersionInfo::original_filename() {
    return query(u"OriginalFilename");
}
std::u16string VersionInfo::private_build() {
    return query(u"PrivateBuild");
}
std::u16string VersionInfo::product_name() {
    return query(u"ProductName");
}
std::u16string VersionInfo::product_version() {
    return query(u"ProductVersion");
}
std::u16string VersionInfo::special_build() {
    return query(u"SpecialBuild");
}

}  // namespace vermark
