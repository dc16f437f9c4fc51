#include "library/atomic_file.h"
#include "tests/support/test_paths.h"
#include "tools/stick_cursor.h"

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using bw::tools::CursorSize;

std::uint32_t Le(const std::vector<std::uint8_t>& b, std::size_t at, int bytes)
{
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = (v << 8) | b.at(at + static_cast<std::size_t>(i));
    }
    return v;
}

std::uint32_t Alpha(const bw::tools::CursorImage& img, int x, int y)
{
    return img[static_cast<std::size_t>(y * CursorSize + x)] >> 24;
}

TEST(StickCursor, FileIsOneCursorImageWithItsHotSpot)
{
    const auto file = bw::readWholeFile(std::string(BW_ASSET_DIR) + "/stick.cur");
    EXPECT_EQ(file, bw::tools::EncodeCursor(bw::tools::DrawStick(), bw::tools::CursorHotX,
                                            bw::tools::CursorHotY));
    ASSERT_EQ(file.size(), 22u + 40u + 32u * 32u * 4u + 32u * 4u);
    EXPECT_EQ(Le(file, 0, 2), 0u);
    EXPECT_EQ(Le(file, 2, 2), 2u); // cursor, not icon
    EXPECT_EQ(Le(file, 4, 2), 1u);
    EXPECT_EQ(file[6], 32);
    EXPECT_EQ(file[7], 32);
    EXPECT_EQ(Le(file, 10, 2), static_cast<std::uint32_t>(bw::tools::CursorHotX));
    EXPECT_EQ(Le(file, 12, 2), static_cast<std::uint32_t>(bw::tools::CursorHotY));
    EXPECT_EQ(Le(file, 14, 4), file.size() - 22u);
    EXPECT_EQ(Le(file, 18, 4), 22u);
    // Bitmap header: 32 wide, colour and mask stacked to 64 high, 32 bits, uncompressed.
    EXPECT_EQ(Le(file, 22, 4), 40u);
    EXPECT_EQ(Le(file, 26, 4), 32u);
    EXPECT_EQ(Le(file, 30, 4), 64u);
    EXPECT_EQ(Le(file, 34, 2), 1u);
    EXPECT_EQ(Le(file, 36, 2), 32u);
    EXPECT_EQ(Le(file, 38, 4), 0u);
}

TEST(StickCursor, MaskAndPixelsAgreeBottomUp)
{
    const auto img = bw::tools::DrawStick();
    const auto file = bw::tools::EncodeCursor(img, 2, 2);
    const std::size_t colour = 62;
    const std::size_t mask = colour + 32u * 32u * 4u;
    for (int y = 0; y < CursorSize; ++y) {
        const auto row = static_cast<std::size_t>(CursorSize - 1 - y);
        for (int x = 0; x < CursorSize; ++x) {
            const std::size_t px = colour + (row * 32u + static_cast<std::size_t>(x)) * 4u;
            EXPECT_EQ(Le(file, px, 4), img[static_cast<std::size_t>(y * CursorSize + x)]);
            const bool transparent =
                (file[mask + row * 4u + static_cast<std::size_t>(x / 8)] & (0x80 >> (x % 8))) != 0;
            EXPECT_EQ(transparent, Alpha(img, x, y) == 0) << x << "," << y;
        }
    }
}

TEST(StickCursor, DrawsADiagonalStickWithItsTipAtTheHotSpot)
{
    const auto img = bw::tools::DrawStick();
    EXPECT_GT(Alpha(img, bw::tools::CursorHotX, bw::tools::CursorHotY), 128u);
    EXPECT_EQ(Alpha(img, 0, 0) < 128u, true);
    EXPECT_EQ(Alpha(img, 31, 0), 0u);
    EXPECT_EQ(Alpha(img, 0, 31), 0u);
    for (int k = 3; k < 29; ++k) {
        EXPECT_EQ(Alpha(img, k, k), 255u) << k;
    }
    int opaque = 0;
    for (std::uint32_t p : img) {
        opaque += (p >> 24) != 0 ? 1 : 0;
    }
    EXPECT_GT(opaque, 100);
    EXPECT_LT(opaque, 400);
}

} // namespace
