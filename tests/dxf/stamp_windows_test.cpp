// Stamping on Windows: wide names, long paths and the names and states of files that only
// Windows has. Each case checks that the input is untouched and nothing is left behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>

#include "dxf/dxf_stamp.h"
#include "dxf_fixtures.h"
#include "platform/file_lock.h"
#include "platform/retry.h"

namespace vermark {
namespace {

namespace fs = std::filesystem;

fs::path folder_named(const char* name) {
    return testing::fresh_folder(name);
}

std::wstring wide(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

// Writes through the wide API, so names no code page can spell are made as given.
void put(const std::u16string& path, const std::string& bytes) {
    HANDLE file = ::CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
}

std::string take(const std::u16string& path) {
    HANDLE file = ::CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes(1 << 16, '\0');
    DWORD got = 0;
    ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    ::CloseHandle(file);
    bytes.resize(got);
    return bytes;
}

std::size_t entries_in(const fs::path& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++count;
    return count;
}

const std::string kPlan = testing::small_dxf("\r\n");

TEST(StampOnWindows, AJapaneseNameWithABlankStampsBesideIt) {
    const fs::path folder = folder_named("wide");
    const std::u16string input = platform::from_utf8(folder.string()) + u"\\図面 一階.dxf";
    put(input, kPlan);
    const StampResult result = stamp_dxf(input);
    ASSERT_EQ(result.outcome, StampOutcome::written) << platform::to_utf8(result.reason);
    EXPECT_EQ(result.output_path, platform::from_utf8(folder.string()) + u"\\図面 一階.1008.dxf");
    EXPECT_NE(take(result.output_path).find("$ACADVER"), std::string::npos);
    EXPECT_EQ(take(input), kPlan);
    EXPECT_EQ(entries_in(folder), 2u);
}

TEST(StampOnWindows, PathsBeyondTheClassicLimitWork) {
    const fs::path folder = folder_named("long");
    std::u16string deep = platform::from_utf8(folder.string());
    for (int i = 0; i < 6; ++i) {
        deep += u"\\" + std::u16string(50, static_cast<char16_t>(u'a' + i));
        ASSERT_TRUE(::CreateDirectoryW(wide(u"\\\\?\\" + deep).c_str(), nullptr));
    }
    const std::u16string input = deep + u"\\plan.dxf";
    ASSERT_GT(input.size(), static_cast<std::size_t>(MAX_PATH));
    put(u"\\\\?\\" + input, kPlan);
    const StampResult result = stamp_dxf(input);
    ASSERT_EQ(result.outcome, StampOutcome::written) << platform::to_utf8(result.reason);
    EXPECT_NE(take(u"\\\\?\\" + result.output_path).find("$ACADVER"), std::string::npos);
}

TEST(StampOnWindows, ReservedDeviceNamesAreRefusedWithoutHanging) {
    const fs::path folder = folder_named("devices");
    for (const char16_t* name : {u"CON.dxf", u"NUL", u"nul.dxf"}) {
        const StampResult result = stamp_dxf(platform::from_utf8(folder.string()) + u"\\" + name);
        EXPECT_NE(result.outcome, StampOutcome::written) << platform::to_utf8(name);
        EXPECT_FALSE(result.reason.empty()) << platform::to_utf8(name);
    }
    EXPECT_EQ(entries_in(folder), 0u);
}

TEST(StampOnWindows, AnAlternateDataStreamIsNotStampedIntoAnotherFile) {
    const fs::path folder = folder_named("streams");
    const std::u16string plan = platform::from_utf8(folder.string()) + u"\\plan.dxf";
    put(plan, kPlan);
    const StampResult result = stamp_dxf(plan + u":x");
    EXPECT_NE(result.outcome, StampOutcome::written);
    EXPECT_EQ(take(plan), kPlan);
    EXPECT_EQ(entries_in(folder), 1u);
}

TEST(StampOnWindows, ADrawingHeldWithoutReadSharingIsRetriedThenReported) {
    const fs::path folder = folder_named("held");
    const std::u16string plan = platform::from_utf8(folder.string()) + u"\\plan.dxf";
    put(plan, kPlan);
    const platform::RetryPolicy saved = platform::open_retry_policy();
    platform::open_retry_policy() = {3, std::chrono::milliseconds(5)};
    HANDLE holder =
        ::CreateFileW(wide(plan).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const StampResult refused = stamp_dxf(plan);
    EXPECT_NE(refused.outcome, StampOutcome::written);
    EXPECT_FALSE(refused.reason.empty());
    EXPECT_EQ(entries_in(folder), 1u);

    // Let go while the retries run: the stamp then goes through.
    platform::open_retry_policy() = {100, std::chrono::milliseconds(20)};
    std::thread release([holder] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::CloseHandle(holder);
    });
    const StampResult written = stamp_dxf(plan);
    release.join();
    platform::open_retry_policy() = saved;
    EXPECT_EQ(written.outcome, StampOutcome::written) << platform::to_utf8(written.reason);
    EXPECT_EQ(take(plan), kPlan);
}

TEST(StampOnWindows, AReadOnlyEarlierCopyIsReportedAndKept) {
    const fs::path folder = folder_named("read-only");
    const std::u16string plan = platform::from_utf8(folder.string()) + u"\\plan.dxf";
    const std::u16string copy = platform::from_utf8(folder.string()) + u"\\plan.1008.dxf";
    put(plan, kPlan);
    put(copy, "earlier");
    ASSERT_TRUE(::SetFileAttributesW(wide(copy).c_str(), FILE_ATTRIBUTE_READONLY));
    const StampResult result = stamp_dxf(plan);
    EXPECT_EQ(result.outcome, StampOutcome::failed);
    EXPECT_FALSE(result.reason.empty());
    EXPECT_EQ(take(copy), "earlier");
    EXPECT_EQ(take(plan), kPlan);
    EXPECT_EQ(entries_in(folder), 2u) << "no temporary file left";
    ::SetFileAttributesW(wide(copy).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(StampOnWindows, AFolderInTheCopysPlaceIsReportedAndKept) {
    const fs::path folder = folder_named("folder-target");
    const std::u16string plan = platform::from_utf8(folder.string()) + u"\\plan.dxf";
    put(plan, kPlan);
    fs::create_directory(folder / "plan.1008.dxf");
    const StampResult result = stamp_dxf(plan);
    EXPECT_EQ(result.outcome, StampOutcome::failed);
    EXPECT_FALSE(result.reason.empty());
    EXPECT_TRUE(fs::is_directory(folder / "plan.1008.dxf"));
    EXPECT_EQ(entries_in(folder), 2u);
}

}  // namespace
}  // namespace vermark
