// The skin button rendered offscreen over a parent of a known colour: face,
// frame, caption placement in each state, and the kinds it leaves undrawn.
#include "app/CaptureApp.h"
#include "controls/SkinButton.h"
#include "res/Resource.h"

#include <QFontMetrics>
#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <ostream>

// Colours in failure messages as r,g,b.
static void PrintTo(const QColor &c, std::ostream *os)
{
    *os << c.red() << "," << c.green() << "," << c.blue();
}
static void PrintTo(const QRect &r, std::ostream *os)
{
    *os << r.width() << "x" << r.height() << " at " << r.x() << "," << r.y();
}

namespace {
const QColor kBackground(40, 160, 90);
const QColor kLight(255, 255, 255);
const QColor kDark(96, 96, 96);
const QColor kText(0, 0, 0);
const QColor kTextDisabled(128, 128, 128);

QFont TestFont()
{
    // Unsmoothed, so that every pixel of a letter has the text colour.
    QFont f(QStringLiteral("DejaVu Sans"), 8);
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

class SkinButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        theApp.InitSkin();
        parent.setAutoFillBackground(true);
        QPalette pal = parent.palette();
        pal.setColor(QPalette::Window, kBackground);
        parent.setPalette(pal);
        face = QImage(QString::fromLatin1(kButtonFaceResource)).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(face.isNull());
    }

    CSkinButton *Make(const QString &caption, int w, int h, ControlKind kind = ControlKind::PushButton)
    {
        auto *b = new CSkinButton(caption, kind, &parent);
        b->setFont(TestFont());
        b->setGeometry(0, 0, w, h);
        parent.resize(w, h);
        return b;
    }

    QImage Render()
    {
        QImage image(parent.size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        parent.render(&image);
        return image;
    }

    QWidget parent;
    QImage face;
};

QColor At(const QImage &image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

// The box around every pixel of one colour, or nothing when there is none.
std::optional<QRect> InkBox(const QImage &image, const QColor &colour)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (At(image, x, y) == colour)
                box |= QRect(x, y, 1, 1);
    if (box.isNull())
        return std::nullopt;
    return box;
}

// Where the caption's letters fall when its text cell starts at `cell`.
QRect ReferenceInk(const QString &caption, QSize size, QPoint cell)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setFont(TestFont());
    p.setPen(Qt::black);
    p.drawText(QPoint(cell.x(), cell.y() + QFontMetrics(TestFont()).ascent()), caption);
    p.end();
    return InkBox(image, Qt::black).value_or(QRect());
}

QPoint CentredCell(const QString &caption, int w, int h)
{
    const QFontMetrics fm(TestFont());
    return QPoint((w - fm.horizontalAdvance(caption)) / 2, (h - fm.height()) / 2);
}
} // namespace

struct FaceCase {
    int w, h;
};

class SkinButtonFace : public SkinButtonTest, public ::testing::WithParamInterface<FaceCase> {};

TEST_P(SkinButtonFace, CopiesTheFaceUnscaledFromOneOneAndNoMore)
{
    const auto [w, h] = GetParam();
    Make(QString(), w, h);
    const QImage img = Render();
    // Columns clear of the rounded corners: all face rows that fit below
    // the top edge, then the parent's colour until the bottom edge.
    for (int x : {4, 40, w - 5}) {
        for (int y = 1; y < h - 1; ++y) {
            const int fx = x - 1;
            const int fy = y - 1;
            const bool onFace = fx < face.width() && fx < w - 2 && fy < face.height() && fy < h - 2;
            const QColor want = onFace ? QColor(face.pixel(fx, fy)) : kBackground;
            ASSERT_EQ(At(img, x, y), want) << "at " << x << "," << y;
        }
    }
}

// 23 high shows all 21 rows of the face; 30 shows them and then the
// parent; 15 shows the top 13; 130 wide runs out of face at 117.
INSTANTIATE_TEST_SUITE_P(Sizes, SkinButtonFace,
                         ::testing::Values(FaceCase{100, 23}, FaceCase{130, 30}, FaceCase{60, 15}, FaceCase{118, 23}));

struct FrameCase {
    bool pushed;
    int w, h;
    QColor topLeft;
    QColor bottomRight;
};

class SkinButtonFrame : public SkinButtonTest, public ::testing::WithParamInterface<FrameCase> {};

namespace {
// The outline of a rectangle from (0,0) to (w-1,h-1) with each corner cut
// by one diagonal pixel step.
bool OnOutline(int x, int y, int w, int h)
{
    const int r = w - 1, b = h - 1;
    if ((y == 0 || y == b) && x >= 2 && x <= r - 2)
        return true;
    if ((x == 0 || x == r) && y >= 2 && y <= b - 2)
        return true;
    return (x == 1 || x == r - 1) && (y == 1 || y == b - 1);
}

bool BeyondCorner(int x, int y, int w, int h)
{
    const int dx = std::min(x, w - 1 - x);
    const int dy = std::min(y, h - 1 - y);
    return dx + dy < 2;
}
} // namespace

TEST_P(SkinButtonFrame, OutlinesTheEdgeBandsByState)
{
    const FrameCase c = GetParam();
    Make(QString(), c.w, c.h)->setDown(c.pushed);
    const QImage img = Render();
    for (int y = 0; y < c.h; ++y) {
        for (int x = 0; x < c.w; ++x) {
            const bool farBand = x >= c.w - 3 || y >= c.h - 3;
            if (!farBand && x >= 3 && y >= 3)
                continue;
            QColor want;
            if (OnOutline(x, y, c.w, c.h))
                want = farBand ? c.bottomRight : c.topLeft;
            else if (BeyondCorner(x, y, c.w, c.h))
                want = kBackground; // the parent's, never erased
            else if (x - 1 < face.width() && y - 1 < face.height())
                want = QColor(face.pixel(x - 1, y - 1));
            else
                want = kBackground;
            ASSERT_EQ(At(img, x, y), want) << "at " << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(States, SkinButtonFrame,
                         ::testing::Values(FrameCase{false, 100, 23, kLight, kDark},
                                           FrameCase{true, 100, 23, kDark, kLight},
                                           FrameCase{false, 130, 30, kLight, kDark},
                                           FrameCase{true, 20, 12, kDark, kLight}));

struct CaptionCase {
    const char *name;
    QString caption;
    int w, h;
    bool pushed, enabled;
    QPoint shift;
    QColor colour;
    QString drawn; // what must appear; the caption when empty
};

class SkinButtonCaption : public SkinButtonTest, public ::testing::WithParamInterface<CaptionCase> {};

TEST_P(SkinButtonCaption, IsCentredAndShiftedByState)
{
    const CaptionCase c = GetParam();
    CSkinButton *b = Make(c.caption, c.w, c.h);
    b->setDown(c.pushed);
    b->setEnabled(c.enabled);
    const QImage img = Render();
    const QString drawn = c.drawn.isEmpty() ? c.caption : c.drawn;
    const QRect want = ReferenceInk(drawn, img.size(), CentredCell(drawn, c.w, c.h)).translated(c.shift);
    const auto ink = InkBox(img, c.colour);
    ASSERT_TRUE(ink.has_value());
    EXPECT_EQ(*ink, want);
    const QColor other = c.enabled ? kTextDisabled : kText;
    EXPECT_FALSE(InkBox(img, other).has_value()) << "letters in the colour of the other state";
}

INSTANTIATE_TEST_SUITE_P(
    States, SkinButtonCaption,
    ::testing::Values(CaptionCase{"Up", QStringLiteral("Record"), 99, 23, false, true, {0, 0}, kText, {}},
                      CaptionCase{"Pushed", QStringLiteral("Record"), 99, 23, true, true, {1, 1}, kText, {}},
                      CaptionCase{
                          "Disabled", QStringLiteral("Record"), 99, 23, false, false, {1, 1}, kTextDisabled, {}},
                      CaptionCase{"OddWidth", QStringLiteral("OK"), 75, 22, false, true, {0, 0}, kText, {}},
                      CaptionCase{"Ampersand", QStringLiteral("&Stop"), 99, 23, false, true, {0, 0}, kText, {}},
                      CaptionCase{"LongerThan127",
                                  QString(140, QLatin1Char('i')),
                                  600,
                                  23,
                                  false,
                                  true,
                                  {0, 0},
                                  kText,
                                  QString(127, QLatin1Char('i'))}),
    [](const auto &tc) { return std::string(tc.param.name); });

TEST_F(SkinButtonTest, DefaultButtonLooksLikeAPlainOne)
{
    CSkinButton *plain = Make(QStringLiteral("OK"), 80, 23, ControlKind::PushButton);
    const QImage plainImage = Render();
    delete plain;
    CSkinButton *def = Make(QStringLiteral("OK"), 80, 23, ControlKind::DefPushButton);
    EXPECT_EQ(def->Type(), 1);
    EXPECT_TRUE(def->isDefault());
    def->setFocus();
    EXPECT_TRUE(Render() == plainImage);
}

struct KindCase {
    ControlKind kind;
    int type;
    bool painted;
};

class SkinButtonKind : public SkinButtonTest, public ::testing::WithParamInterface<KindCase> {};

TEST_P(SkinButtonKind, PaintsOnlyPushButtons)
{
    const KindCase c = GetParam();
    CSkinButton *b = Make(QStringLiteral("Check"), 90, 23, c.kind);
    EXPECT_EQ(b->Type(), c.type);
    const QImage img = Render();
    QImage untouched(img.size(), QImage::Format_RGB32);
    untouched.fill(kBackground);
    EXPECT_EQ(img == untouched, !c.painted);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SkinButtonKind,
                         ::testing::Values(KindCase{ControlKind::PushButton, 0, true},
                                           KindCase{ControlKind::DefPushButton, 1, true},
                                           KindCase{ControlKind::AutoCheckBox, 3, false},
                                           KindCase{ControlKind::Static, 2, false}));

TEST_F(SkinButtonTest, KeepsTheSkinItWasMadeWithAndTheFaceOfEachState)
{
    QImage normal(116, 21, QImage::Format_RGB32);
    normal.fill(QColor(200, 10, 10));
    QImage pushed(116, 21, QImage::Format_RGB32);
    pushed.fill(QColor(10, 10, 200));
    g_pSkinFaceNormal = &normal;
    g_pSkinFacePushed = &pushed;
    g_crSkinText = 0x0000FF; // red
    CSkinButton *b = Make(QStringLiteral("Go"), 80, 23);

    // A later skin does not reach a button already made.
    QImage other(116, 21, QImage::Format_RGB32);
    other.fill(Qt::yellow);
    g_pSkinFaceNormal = g_pSkinFacePushed = &other;
    g_crSkinText = 0;

    QImage img = Render();
    EXPECT_EQ(At(img, 5, 10), QColor(200, 10, 10));
    EXPECT_TRUE(InkBox(img, Qt::red).has_value());
    b->setDown(true);
    img = Render();
    EXPECT_EQ(At(img, 5, 10), QColor(10, 10, 200));
    theApp.InitSkin();
}
