// The checked-in pictures: the button face exactly as the skin needs it,
// and every image the same as the drawing code makes now (so nobody edits
// one without the other).
#include "res/Resource.h"
#include "res/tools/Artwork.h"

#include <QFile>
#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <array>
#include <optional>

namespace {
constexpr int kW = 116;
constexpr int kH = 21;
constexpr int kFrame = 153;
constexpr std::array<int, 19> kRowGrey{254, 254, 253, 252, 247, 245, 242, 240, 238, 237,
                                       236, 234, 231, 229, 227, 223, 222, 220, 220};

bool IsFrame(int x, int y)
{
    if ((y == 0 || y == 20) && x >= 2 && x <= 113)
        return true;
    if ((x == 0 || x == 115) && y >= 2 && y <= 18)
        return true;
    return (x == 1 || x == 114) && (y == 1 || y == 19);
}

bool IsInside(int x, int y)
{
    if (y < 1 || y > 19 || x < 1 || x > 114)
        return false;
    return !IsFrame(x, y);
}

// The grey a pixel must have, or nothing when only a range is required
// (the near-white corners outside the frame).
std::optional<int> ExpectedGrey(int x, int y)
{
    if (IsFrame(x, y))
        return kFrame;
    if (IsInside(x, y))
        return kRowGrey[std::size_t(y - 1)];
    return std::nullopt;
}

QImage Resource(const QString &path)
{
    QImage image(path);
    EXPECT_FALSE(image.isNull()) << path.toStdString();
    return image;
}
} // namespace

TEST(ButtonFaceImage, IsATwentyFourBitRgbPng)
{
    QFile file(QString::fromLatin1(kButtonFaceResource));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray png = file.read(33);
    ASSERT_EQ(png.size(), 33);
    ASSERT_EQ(png.mid(12, 4), QByteArray("IHDR"));
    EXPECT_EQ(uchar(png[24]), 8) << "bits per channel";
    EXPECT_EQ(uchar(png[25]), 2) << "colour type: RGB without alpha";
}

TEST(ButtonFaceImage, MatchesTheFaceEveryPixel)
{
    const QImage face = Resource(QString::fromLatin1(kButtonFaceResource));
    ASSERT_EQ(face.size(), QSize(kW, kH));
    int outside = 0;
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            const QRgb c = face.pixel(x, y);
            ASSERT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c)) << "not grey at " << x << "," << y;
            if (const auto want = ExpectedGrey(x, y)) {
                EXPECT_EQ(qRed(c), *want) << "at " << x << "," << y;
            } else {
                ++outside;
                EXPECT_GE(qRed(c), 235) << "corner at " << x << "," << y;
            }
        }
    }
    // Three pixels beyond each of the four cut corners.
    EXPECT_EQ(outside, 12);
}

TEST(ButtonFaceImage, RowsDarkenFromTopToBottom)
{
    const QImage face = Resource(QString::fromLatin1(kButtonFaceResource));
    for (int y = 2; y <= 19; ++y)
        EXPECT_LE(qRed(face.pixel(57, y)), qRed(face.pixel(57, y - 1))) << "row " << y;
}

struct IconCase {
    const char *path;
    int size;
};

class CheckedInIcon : public ::testing::TestWithParam<IconCase> {};

TEST_P(CheckedInIcon, IsWhatTheDrawingCodeMakes)
{
    const IconCase c = GetParam();
    const QImage icon = Resource(QString::fromLatin1(c.path)).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(icon.size(), QSize(c.size, c.size));
    EXPECT_TRUE(icon == DrawAppIcon(c.size)) << "run scripts/make-images after changing the drawing";
}

TEST_P(CheckedInIcon, HasTransparentCornersAndRedAndOrangeParts)
{
    const IconCase c = GetParam();
    const QImage icon = Resource(QString::fromLatin1(c.path)).convertToFormat(QImage::Format_ARGB32);
    const int last = c.size - 1;
    for (QPoint corner : {QPoint(0, 0), QPoint(last, 0)})
        EXPECT_EQ(qAlpha(icon.pixel(corner)), 0) << corner.x() << "," << corner.y();
    bool red = false;
    bool orange = false;
    bool black = false;
    for (int y = 0; y < c.size; ++y) {
        for (int x = 0; x < c.size; ++x) {
            const QColor p = QColor::fromRgba(icon.pixel(x, y));
            if (p.alpha() < 255)
                continue;
            // Notes in the upper part, the strip with its frames below.
            red |= y < c.size * 5 / 8 && p.red() > 180 && p.green() < 60 && p.blue() < 60;
            orange |= y > c.size * 5 / 8 && p.red() > 220 && p.green() > 110 && p.green() < 180 && p.blue() < 60;
            black |= y > c.size * 5 / 8 && p.red() < 40 && p.green() < 40 && p.blue() < 40;
        }
    }
    EXPECT_TRUE(red);
    EXPECT_TRUE(orange);
    EXPECT_TRUE(black);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, CheckedInIcon,
    ::testing::Values(IconCase{":/images/tombrello.png", 32}, IconCase{":/images/tombrello-16.png", 16},
                      IconCase{":/images/tombrello-22.png", 22}, IconCase{":/images/tombrello-24.png", 24},
                      IconCase{":/images/tombrello-48.png", 48}, IconCase{":/images/tombrello-64.png", 64},
                      IconCase{":/images/tombrello-128.png", 128}, IconCase{":/images/tombrello-256.png", 256}));

TEST(ButtonFaceImage, IsWhatTheDrawingCodeMakes)
{
    const QImage face = Resource(QString::fromLatin1(kButtonFaceResource)).convertToFormat(QImage::Format_RGB888);
    EXPECT_TRUE(face == DrawButtonFace()) << "run scripts/make-images after changing the drawing";
}
