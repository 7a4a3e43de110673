#include <gtest/gtest.h>

#include "profile_test_support.h"
#include "settings/profile_store.h"

namespace vermark {
namespace {

using ProfileCacheTest = testing::ProfileStoreTest;
using testing::write_bytes;

TEST_F(ProfileCacheTest, FirstDefaultStaysUntilTheCacheIsFlushed) {
    install_application();
    ProfileStore store;
    EXPECT_EQ(store.get_int(u"S", u"absent", 5), 5);
    EXPECT_EQ(store.get_int(u"s", u"ABSENT", 7), 5);
    // Reads that hit do not flush, however late.
    let_cache_expire();
    EXPECT_EQ(store.get_int(u"S", u"absent", 7), 5);
    // The next put does.
    store.write_int(u"S", u"other", 1);
    EXPECT_EQ(store.get_int(u"S", u"absent", 7), 7);
}

TEST_F(ProfileCacheTest, DeletedEntryReadsEmptyFromTheCacheUntilFlushed) {
    install_application();
    ProfileStore store;
    store.write_string(u"S", u"k", u"value");
    store.write_string_raw(u"S", u"k", std::nullopt);
    EXPECT_EQ(on_disk(u"S", u"k"), u"<absent>");
    EXPECT_EQ(store.get_string(u"S", u"k", u"dflt"), u"");
    let_cache_expire();
    store.write_int(u"S", u"other", 1);
    EXPECT_EQ(store.get_string(u"S", u"k", u"dflt"), u"dflt");
}

TEST_F(ProfileCacheTest, WithoutApplicationReadsBypassButWritesUpdateTheCache) {
    ProfileStore store(name());
    profile_process_state().int_cache.clear();
    EXPECT_EQ(store.get_int(u"S", u"absent", 5), 5);
    EXPECT_EQ(store.get_int(u"S", u"absent", 7), 7);
    EXPECT_TRUE(profile_process_state().int_cache.empty());
    store.write_int(u"S", u"k", 3);
    ASSERT_EQ(profile_process_state().int_cache.size(), 1u);
    // Another program changes the file; this run still sees what it wrote.
    platform::WritePrivateProfileStringW(u"S", u"k", u"4", ini());
    EXPECT_EQ(store.get_int(u"S", u"k", 0), 3);
}

TEST_F(ProfileCacheTest, StoresForDifferentFilesNeverShareValues) {
    install_application();
    ProfileStore one(name("one"));
    ProfileStore two(name("two"));
    one.write_int(u"S", u"k", 1);
    EXPECT_EQ(two.get_int(u"S", u"k", 2), 2);
    EXPECT_EQ(one.get_int(u"S", u"k", 0), 1);
}

TEST_F(ProfileCacheTest, WriteIfAbsentWritesNothingWhileTheCacheIsOn) {
    install_application();
    ProfileStore store;
    EXPECT_FALSE(store.write_int_if_absent(u"S", u"n", 5));
    EXPECT_FALSE(store.write_string_if_absent(u"S", u"t", u"v"));
    EXPECT_EQ(on_disk(u"S", u"n"), u"<absent>");
    EXPECT_EQ(on_disk(u"S", u"t"), u"<absent>");
}

TEST_F(ProfileCacheTest, WriteIfAbsentWritesOnceWithTheCacheOff) {
    install_application();
    write_bytes(file(), "[Debug\\2009_09]\r\nUseProfileCache=0\r\n");
    ProfileStore store;
    EXPECT_EQ(profile_process_state().cache_switch, 0);
    EXPECT_TRUE(store.write_int_if_absent(u"S", u"n", 5));
    EXPECT_EQ(on_disk(u"S", u"n"), u"5");
    EXPECT_FALSE(store.write_int_if_absent(u"S", u"n", 6));
    EXPECT_EQ(on_disk(u"S", u"n"), u"5");
    EXPECT_TRUE(store.write_string_if_absent(u"S", u"t", u"v"));
    EXPECT_FALSE(store.write_string_if_absent(u"S", u"t", u"w"));
    EXPECT_EQ(on_disk(u"S", u"t"), u"v");
    // Only the switch itself, read while the cache was still on, stays cached.
    for (const ProfileCacheEntry& entry : profile_process_state().int_cache)
        EXPECT_EQ(entry.entry(), u"UseProfileCache");
}

TEST_F(ProfileCacheTest, CacheSwitchIsReadUntilAStoreWithANameIsBuilt) {
    write_bytes(file(), "[Debug\\2009_09]\r\nUseProfileCache=0\r\n");
    ProfileStore first(name());
    EXPECT_EQ(profile_process_state().cache_switch, 0);
    EXPECT_FALSE(profile_process_state().cache_switch_to_read);
    platform::WritePrivateProfileStringW(u"Debug\\2009_09", u"UseProfileCache", u"1", ini());
    ProfileStore second(name());
    EXPECT_EQ(profile_process_state().cache_switch, 0);
}

}  // namespace
}  // namespace vermark
