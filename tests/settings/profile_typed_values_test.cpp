#include <gtest/gtest.h>

#include "profile_test_support.h"
#include "settings/profile_store.h"

namespace vermark {
namespace {

using ProfileTypedValues = testing::ProfileStoreTest;

// ASCII text as the store's files hold it.
std::string utf16le(std::string_view ascii) {
    std::string bytes;
    for (char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}
using testing::write_bytes;

TEST_F(ProfileTypedValues, RectangleIsWrittenTwiceAndReadFromThePlainEntry) {
    ProfileStore store(name());
    EXPECT_TRUE(store.write_rect(u"Position\\Dialog", u"W", {10, 20, 300, 400}));
    // The INI reader drops the quotes the writer put around the suffixed text.
    EXPECT_EQ(on_disk(u"Position\\Dialog", u"W_LTRB"), u"10 20 300 400");
    EXPECT_NE(testing::read_bytes(file()).find(utf16le("W_LTRB=\"10 20 300 400\"")),
              std::string::npos);
    EXPECT_EQ(on_disk(u"Position\\Dialog", u"W"), u"000000010 000000020 000000300 000000400");
    EXPECT_EQ(store.get_rect(u"Position\\Dialog", u"W", {}), (Rect{10, 20, 300, 400}));

    // The plain entry decides.
    platform::WritePrivateProfileStringW(u"Position\\Dialog", u"W", u"-00000005 1 2", ini());
    reset_profile_process_state();
    EXPECT_EQ(ProfileStore(name()).get_rect(u"Position\\Dialog", u"W", {7, 7, 7, 7}),
              (Rect{-5, 1, 2, 0}));
}

TEST_F(ProfileTypedValues, MissingValuesGiveTheDefaultInTheFormatsPrecision) {
    ProfileStore store(name());
    EXPECT_EQ(store.get_rect(u"S", u"R", {-1, -2, 3, 4}), (Rect{-1, -2, 3, 4}));
    EXPECT_EQ(store.get_point(u"S", u"P", {-9, 8}), (Point{-9, 8}));
    EXPECT_EQ(store.get_float(u"S", u"F", 1.23456789), 1.23457);
    for (std::int64_t value : {std::int64_t{-3}, std::int64_t{5'000'000'000},
                               std::int64_t{-5'000'000'000}, std::int64_t{0xFFFFFFFF}})
        EXPECT_EQ(store.get_int64(u"S", u"I", value), value);
    EXPECT_FALSE(std::filesystem::exists(file()));
}

TEST_F(ProfileTypedValues, FloatsKeepSixDigitsThroughThisStore) {
    ProfileStore store(name());
    EXPECT_TRUE(store.write_float(u"S", u"F", 1.23456789));
    EXPECT_EQ(on_disk(u"S", u"F_Flt_"), u"1.2345678899999998901");
    EXPECT_EQ(on_disk(u"S", u"F"), u"1.23457");
    EXPECT_EQ(store.get_float(u"S", u"F", 0.0), 1.23457);
    EXPECT_TRUE(store.write_float_short(u"S", u"G", 2.5));
    EXPECT_EQ(store.get_float_short(u"S", u"G", 0.0), 2.5);
}

TEST_F(ProfileTypedValues, PointsInBothForms) {
    ProfileStore store(name());
    EXPECT_TRUE(store.write_point(u"S", u"P", {-5, 12}));
    EXPECT_EQ(on_disk(u"S", u"P_L_XY"), u"-5 12");
    EXPECT_EQ(on_disk(u"S", u"P"), u"-00000005 000000012");
    EXPECT_EQ(store.get_point(u"S", u"P", {}), (Point{-5, 12}));
    EXPECT_TRUE(store.write_point_fixed(u"S", u"Q", {1, -2}));
    EXPECT_EQ(store.get_point_fixed(u"S", u"Q", {}), (Point{1, -2}));
}

TEST_F(ProfileTypedValues, SixtyFourBitValuesAreDecidedByTheirHalves) {
    ProfileStore store(name());
    EXPECT_TRUE(store.write_int64(u"S", u"I", -5'000'000'000));
    EXPECT_EQ(on_disk(u"S", u"I_I64_"), u"-5000000000");
    EXPECT_EQ(on_disk(u"S", u"I_H"), u"-2");
    EXPECT_EQ(on_disk(u"S", u"I_L"), u"-705032704");
    EXPECT_EQ(store.get_int64(u"S", u"I", 0), -5'000'000'000);

    // A low half of -1 is the unsigned 0xFFFFFFFF; the decimal text does not decide.
    write_bytes(file("halves"), "[S]\r\nV_I64_=12\r\nV_H=0\r\nV_L=-1\r\n");
    ProfileStore halves(name("halves"));
    EXPECT_EQ(halves.get_int64(u"S", u"V", 0), 4294967295);
    EXPECT_EQ(halves.get_hilo(u"S", u"V", 0), 4294967295);
}

TEST_F(ProfileTypedValues, AbsentEntryNameReadsNothingAndWritesNothing) {
    install_application();
    ProfileStore store;
    store.write_int(u"S", u"keep", 1);
    profile_process_state().int_cache.clear();
    profile_process_state().text_cache.clear();
    EXPECT_EQ(store.get_hilo(u"S", std::nullopt, 77), 77);
    EXPECT_EQ(store.get_int64(u"S", std::nullopt, 78), 78);
    EXPECT_EQ(store.get_rect(u"S", std::nullopt, {1, 2, 3, 4}), (Rect{1, 2, 3, 4}));
    EXPECT_TRUE(profile_process_state().int_cache.empty());
    EXPECT_TRUE(profile_process_state().text_cache.empty());
    // Writing a typed value without an entry name must not delete the section.
    EXPECT_FALSE(store.write_int64(u"S", std::nullopt, 1));
    EXPECT_FALSE(store.write_float(u"S", std::nullopt, 1.0));
    EXPECT_FALSE(store.write_rect(u"S", std::nullopt, {}));
    EXPECT_FALSE(store.write_point(std::nullopt, u"P", {}));
    EXPECT_EQ(on_disk(u"S", u"keep"), u"1");
}

}  // namespace
}  // namespace vermark
