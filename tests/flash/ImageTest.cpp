// The image's CRC-32 and the pages it is taken over.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/SRecords.h"
#include "tests/support/TempDir.h"
#include "writer/flash/Image.h"

namespace bramblet::testing {
namespace {

std::uint32_t Crc(const std::string& bytes, std::uint32_t crc = 0) {
    return Crc32(crc, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

TEST(ImageTest, Crc32IsZlibs) {
    EXPECT_EQ(Crc("123456789"), 0xCBF43926u);
    EXPECT_EQ(Crc("56789", Crc("1234")), 0xCBF43926u);
    EXPECT_EQ(Crc(""), 0u);
    EXPECT_EQ(Crc(std::string(256, '\xFF')), 0xFEA8A821u);
}

TEST(ImageTest, DigestTakesWholePagesInAddressOrderWithThePatch) {
    TempDir dir;
    // The same bytes in address order, and out of it with a page entered twice; 0x0F0000 lies
    // in another window of the address space.
    const std::string ordered =
        dir.Write("ordered.mot", SRecord('2', 0xC000, {3}) + SRecord('2', 0xC100, {1, 2}) +
                                     SRecord('2', 0xC180, {4}) + SRecord('2', 0x0F0000, {5}));
    const std::string unordered =
        dir.Write("unordered.mot", SRecord('2', 0xC100, {1, 2}) + SRecord('2', 0x0F0000, {5}) +
                                       SRecord('2', 0xC000, {3}) + SRecord('2', 0xC180, {4}));
    std::string pages(4 * 256, '\xFF');  // 0xC000, 0xC100, 0xC200, 0x0F0000
    pages[0x000] = 3;
    pages[0x100] = 1;
    pages[0x101] = 2;
    pages[0x180] = 4;
    pages[0x300] = 5;
    const std::string withoutPatch = pages.substr(0, 512) + pages.substr(768);
    // Across two pages: the file's 0xC100 and one of its own at 0xC200.
    const ImagePatch patch{0xC1FE, {0xA1, 0xA2, 0xA3}};
    pages[0x1FE] = '\xA1';
    pages[0x1FF] = '\xA2';
    pages[0x200] = '\xA3';
    for (const std::string& file : {ordered, unordered}) {
        const auto plain = ScanImage(file);
        ASSERT_TRUE(plain) << file;
        EXPECT_EQ(plain->digest.crc32, Crc(withoutPatch)) << file;
        EXPECT_EQ(plain->digest.size, 768u);
        EXPECT_FALSE(plain->empty);
        const auto patched = ScanImage(file, patch);
        ASSERT_TRUE(patched);
        EXPECT_EQ(patched->digest.crc32, Crc(pages)) << file;
        EXPECT_EQ(patched->digest.size, 1024u);
        EXPECT_FALSE(patched->clashes);
        EXPECT_TRUE(ScanImage(file, {0xC0FF, {7, 8, 9}})->clashes);  // 0xC101
    }

    const auto empty = ScanImage(dir.Write("empty.mot", "S00600004844521B\nS9030000FC\n"));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty);
    EXPECT_EQ(empty->digest.size, 0u);
    EXPECT_FALSE(ScanImage(dir.Write("prog.hex", SRecord('1', 0xC000, {3}))));
    EXPECT_FALSE(ScanImage(dir.Write("cut.mot", SRecord('1', 0xC000, {3}) + "S1040000")));
}

}  // namespace
}  // namespace bramblet::testing
