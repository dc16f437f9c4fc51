#include "tests/support/test_paths.h"
#include "tools/stick_cursor.h"

#include <string>

#include <QColor>
#include <QImage>
#include <QImageReader>
#include <QString>
#include <gtest/gtest.h>

namespace {

TEST(StickCursorQt, LoadsThroughTheImageReader)
{
    QImageReader reader(QString::fromStdString(std::string(BW_ASSET_DIR) + "/stick.cur"));
    ASSERT_TRUE(reader.canRead()) << reader.errorString().toStdString();
    const QImage img = reader.read();
    ASSERT_FALSE(img.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(img.width(), bw::tools::CursorSize);
    EXPECT_EQ(img.height(), bw::tools::CursorSize);
    EXPECT_GT(qAlpha(img.pixel(bw::tools::CursorHotX, bw::tools::CursorHotY)), 128);
    EXPECT_EQ(qAlpha(img.pixel(31, 0)), 0);
    EXPECT_EQ(qAlpha(img.pixel(16, 16)), 255);
}

} // namespace
