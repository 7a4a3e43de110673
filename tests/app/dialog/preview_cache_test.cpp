#include "app/dialog/preview_cache.h"

#include <gtest/gtest.h>

#include "support/sandbox.h"
#include "util/folders.h"
#include "util/path.h"

namespace vermark {
namespace {

// Where a picture of that kind and name is kept; `rest` is written with '/', the cache's own
// folders use the system's separator.
std::u16string cached_as(std::u16string_view rest) {
    return ensure_separator(temp_folder()) +
           testing::native_separators(u"Cache.tmp/" + std::u16string(rest));
}

TEST(PreviewCachePath, DriveAndServerBecomeFoldersAndSeparatorsUnderscores) {
    EXPECT_EQ(preview_cache_path(u"C:\\work\\plan.dxf"),
              cached_as(u"Ohter/DXF/C/work_plan.dxf.emf"));
    EXPECT_EQ(preview_cache_path(u"\\\\srv\\share\\a.png"),
              cached_as(u"DIB/PNG/_srv_share_a.png.emf"));
    EXPECT_EQ(preview_cache_path(u"//srv/share/a.png"), cached_as(u"DIB/PNG/_srv_share_a.png.emf"));
    EXPECT_EQ(preview_cache_path(u"/home/u/plan.dxf"),
              cached_as(u"Ohter/DXF/_home_u_plan.dxf.emf"));
}

TEST(PreviewCachePath, KindByLowerCaseExtensionFolderInUpperCase) {
    EXPECT_EQ(preview_cache_path(u"C:\\m\\PLAN.STL"), cached_as(u"_3D/STL/C/m_PLAN.STL.emf"));
    EXPECT_EQ(preview_cache_path(u"/d/x.Emf"), cached_as(u"_MF/EMF/_d_x.Emf.emf"));
    EXPECT_EQ(preview_cache_path(u"/d/README"), cached_as(u"Ohter/___/_d_README.emf"));
    EXPECT_EQ(preview_kind_folder(u"jpg"), u"DIB");
    EXPECT_EQ(preview_kind_folder(u"jpeg"), u"Ohter");
    EXPECT_EQ(preview_kind_folder(u"wmf"), u"_MF");
    EXPECT_EQ(preview_kind_folder(u"model"), u"_3D");
    EXPECT_EQ(preview_kind_folder(u""), u"Ohter");
}

TEST(PreviewCachePath, QuotesAreIgnored) {
    EXPECT_EQ(preview_cache_path(u"\"C:\\work\\plan.dxf\""),
              preview_cache_path(u"C:\\work\\plan.dxf"));
    EXPECT_EQ(preview_cache_path(u"'\"/a/b.png\"'"), preview_cache_path(u"/a/b.png"));
}

TEST(PreviewCachePath, LongPathIsCompactedWithAnElisionFolder) {
    std::u16string path = u"C:\\projects";
    for (int i = 0; i < 12; ++i) path += u"\\folder" + std::u16string(1, u'a' + i);
    path += u"\\plan.dxf";
    ASSERT_GT(path.size(), 100u);
    const std::u16string cached = preview_cache_path(path);
    const std::u16string prefix = cached_as(u"Ohter/DXF/C/projects_---/");
    ASSERT_EQ(cached.substr(0, prefix.size()), prefix);
    const std::u16string name = cached.substr(prefix.size());
    EXPECT_EQ(name.find(kSeparator), std::u16string::npos);
    EXPECT_EQ(name.substr(name.size() - 13), u"_plan.dxf.emf");
}

TEST(PreviewCachePath, LocalPathsAreNotNetworkNames) {
    EXPECT_EQ(unc_path_of(u"/tmp/plan.dxf"), u"/tmp/plan.dxf");
    EXPECT_EQ(unc_path_of(u"C:\\work\\plan.dxf"), u"C:\\work\\plan.dxf");
    EXPECT_EQ(unc_path_of(u""), u"");
}

}  // namespace
}  // namespace vermark
