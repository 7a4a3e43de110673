#include "platform/network_drive.h"

#include <gtest/gtest.h>

#include "support/sandbox.h"

namespace vermark::platform {
namespace {

constexpr std::string_view kTable =
    "sysfs /sys sysfs rw,nosuid 0 0\n"
    "/dev/sda1 / ext4 rw,relatime 0 0\n"
    "//filer/plans /mnt/plans cifs rw,vers=3.0 0 0\n"
    "//filer/plans/old /mnt/plans/archive cifs rw 0 0\n"
    "//filer/My\\040Docs /mnt/my\\040docs smb3 rw 0 0\n"
    "nas.local:/export/cad/ /net/cad nfs4 rw 0 0\n"
    "me@box:work /home/me/box fuse.sshfs rw 0 0\n"
    "broken\n"
    "tmpfs /mnt/plansx tmpfs rw 0 0\n";

TEST(NetworkDrive, TableKeepsOnlyNetworkMountsWithTheirNames) {
    const std::vector<NetworkMount> mounts = parse_network_mounts(kTable);
    ASSERT_EQ(mounts.size(), 5u);
    EXPECT_EQ(mounts[0].mount_point, u"/mnt/plans");
    EXPECT_EQ(mounts[0].network_name, u"//filer/plans");
    EXPECT_EQ(mounts[2].mount_point, u"/mnt/my docs");
    EXPECT_EQ(mounts[2].network_name, u"//filer/My Docs");
    EXPECT_EQ(mounts[3].network_name, u"//nas.local/export/cad");
    EXPECT_EQ(mounts[4].network_name, u"//box/work");
}

TEST(NetworkDrive, PathsOnAMountTakeTheDeepestMountsName) {
    const std::vector<NetworkMount> mounts = parse_network_mounts(kTable);
    EXPECT_EQ(network_name_of(u"/mnt/plans/site/a.dxf", mounts), u"//filer/plans/site/a.dxf");
    EXPECT_EQ(network_name_of(u"/mnt/plans", mounts), u"//filer/plans");
    EXPECT_EQ(network_name_of(u"/mnt/plans/archive/b.dxf", mounts), u"//filer/plans/old/b.dxf");
    EXPECT_EQ(network_name_of(u"/mnt/my docs/c.dxf", mounts), u"//filer/My Docs/c.dxf");
    EXPECT_EQ(network_name_of(u"/net/cad/d.dxf", mounts), u"//nas.local/export/cad/d.dxf");
    // A share mounted over another on the same point is the one reached.
    const std::vector<NetworkMount> stacked = {{u"/mnt/x", u"//old/s"}, {u"/mnt/x", u"//new/s"}};
    EXPECT_EQ(network_name_of(u"/mnt/x/e.dxf", stacked), u"//new/s/e.dxf");
}

TEST(NetworkDrive, LocalPathsHaveNoNetworkName) {
    const std::vector<NetworkMount> mounts = parse_network_mounts(kTable);
    EXPECT_EQ(network_name_of(u"/mnt/plansx/a.dxf", mounts), std::nullopt);  // a prefix only
    EXPECT_EQ(network_name_of(u"/home/me/a.dxf", mounts), std::nullopt);
    EXPECT_EQ(network_name_of(u"mnt/plans/a.dxf", mounts), std::nullopt);
    EXPECT_EQ(network_name_of(u"C:\\work\\plan.dxf", mounts), std::nullopt);
    EXPECT_EQ(network_name_of(u"/mnt/plans/a.dxf", {}), std::nullopt);
}

TEST(NetworkDrive, ReadsATableFileAndToleratesAMissingOne) {
    const auto folder = testing::fresh_folder("mounts");
    testing::write_bytes(folder / "mounts", kTable);
    EXPECT_EQ(network_mounts((folder / "mounts").string()).size(), 5u);
    EXPECT_TRUE(network_mounts((folder / "none").string()).empty());
    // The sandbox lives on a local disk.
    EXPECT_EQ(network_name_of(u"/tmp/x.dxf", network_mounts()), std::nullopt);
}

}  // namespace
}  // namespace vermark::platform
