// The transparent label rendered offscreen over a parent of a known colour:
// where each line lands for each alignment, the untouched top row and left
// column, the disabled shadow, and the text it keeps apart from QLabel's.
#include "controls/ClearLabel.h"
#include "res/Templates.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

namespace {
const QColor kBackground(200, 220, 90);
constexpr QPoint kOrigin(6, 5); // the label's place in its parent

QFont TestFont()
{
    QFont f(QStringLiteral("DejaVu Sans"), 8);
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

struct Placed {
    QString text;
    QPoint cell; // top-left of the text cell
};

class ClearLabelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent.setAutoFillBackground(true);
        QPalette pal = parent.palette();
        pal.setColor(QPalette::Window, kBackground);
        parent.setPalette(pal);
    }

    CClearLabel *Make(const QString &text, unsigned style, int w, int h)
    {
        auto *l = new CClearLabel(text, style, &parent);
        l->setFont(TestFont());
        // The palette's text colour must not matter.
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, Qt::red);
        pal.setColor(QPalette::Disabled, QPalette::WindowText, Qt::blue);
        l->setPalette(pal);
        l->setGeometry(QRect(kOrigin, QSize(w, h)));
        parent.resize(w + 2 * kOrigin.x(), h + 2 * kOrigin.y());
        return l;
    }

    // The label's part of the rendered parent.
    QImage Render(const CClearLabel *label)
    {
        QImage image(parent.size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        parent.render(&image);
        return image.copy(label->geometry());
    }

    QWidget parent;
};

// The background with the given lines drawn in black, nothing clipped.
QImage Expected(QSize size, const std::vector<Placed> &lines)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(kBackground);
    QPainter p(&image);
    p.setFont(TestFont());
    p.setPen(Qt::black);
    const int ascent = QFontMetrics(TestFont()).ascent();
    for (const Placed &l : lines)
        p.drawText(QPoint(l.cell.x(), l.cell.y() + ascent), l.text);
    return image;
}

int Advance(const QString &s)
{
    return QFontMetrics(TestFont()).horizontalAdvance(s);
}
int LineHeight()
{
    return QFontMetrics(TestFont()).height();
}

int InkPixels(const QImage &image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += QColor(image.pixel(x, y)) == Qt::black;
    return n;
}

// Row 0 and column 0 keep the parent's colour; everything else is the
// expected drawing.
void ExpectDrawn(const QImage &actual, const QImage &expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    int wrong = 0;
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            const QColor want = (x == 0 || y == 0) ? kBackground : QColor(expected.pixel(x, y));
            if (QColor(actual.pixel(x, y)) != want && ++wrong <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y;
        }
    }
    EXPECT_EQ(wrong, 0);
}
} // namespace

struct LayoutCase {
    const char *name;
    QString text;
    unsigned style;
    int w; // or, when fitted, how much wider than the text
    bool fitted;
    bool viaSetText;
    bool enabled;
    // The lines as they must appear: text and where its cell starts, from
    // the label's width and the font's measures.
    std::vector<Placed> (*lines)(int w);
};

class ClearLabelLayout : public ClearLabelTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(ClearLabelLayout, DrawsEachLineWhereItBelongs)
{
    const LayoutCase c = GetParam();
    const int h = 3 * (LineHeight() + 1);
    const int w = c.fitted ? Advance(c.text) + c.w : c.w;
    CClearLabel *label = Make(c.viaSetText ? QStringLiteral("placeholder") : c.text, c.style, w, h);
    if (c.viaSetText)
        label->setText(c.text);
    label->setEnabled(c.enabled);
    std::vector<Placed> lines = c.lines(w);
    if (!c.enabled) {
        // The shadow: the same letters one pixel right and down.
        const std::vector<Placed> front = lines;
        for (Placed l : front)
            lines.push_back({l.text, l.cell + QPoint(1, 1)});
    }
    ExpectDrawn(Render(label), Expected(QSize(w, h), lines));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClearLabelLayout,
    ::testing::Values(
        LayoutCase{"LeftFirstLineAtTwoZero", QStringLiteral("Volume:"), CS_GROUP, 90, false, false, true,
                   [](int) {
                       return std::vector<Placed>{{QStringLiteral("Volume:"), {2, 0}}};
                   }},
        LayoutCase{"CentreOddRoomRoundsDown", QStringLiteral("Max"), CS_CENTER, 7, true, false, true,
                   [](int w) {
                       return std::vector<Placed>{{QStringLiteral("Max"), {(w - Advance("Max")) / 2, 0}}};
                   }},
        LayoutCase{"CentreTooNarrowTruncatesTowardZero", QStringLiteral("Maximum"), CS_CENTER, -7, true, false, true,
                   [](int w) {
                       // -7 / 2 is -3: the line starts 3 pixels left of the label, not 4.
                       return std::vector<Placed>{{QStringLiteral("Maximum"), {(w - Advance("Maximum")) / 2, 0}}};
                   }},
        LayoutCase{"RightEndsTwoBeforeTheEdge", QStringLiteral("Output:"), CS_RIGHT, 90, false, false, true,
                   [](int w) {
                       return std::vector<Placed>{{QStringLiteral("Output:"), {w - Advance("Output:") - 2, 0}}};
                   }},
        LayoutCase{"TooWideRightLeavesColumnZero", QStringLiteral("WWWWWWWWWWWW"), CS_RIGHT, 30, false, false, true,
                   [](int w) {
                       const QString wide = QStringLiteral("WWWWWWWWWWWW");
                       return std::vector<Placed>{{wide, {w - Advance(wide) - 2, 0}}};
                   }},
        LayoutCase{"TwoLinesOneLineHeightPlusOneApart", QStringLiteral("Select a\nSound Device"), CS_NONE, 110, false,
                   true, true,
                   [](int) {
                       return std::vector<Placed>{{QStringLiteral("Select a"), {2, 0}},
                                                  {QStringLiteral("Sound Device"), {2, LineHeight() + 1}}};
                   }},
        LayoutCase{
            "EachLineAlignedOnItsOwn", QStringLiteral("ab\nlonger line"), CS_RIGHT, 110, false, true, true,
            [](int w) {
                const QString a = QStringLiteral("ab"), b = QStringLiteral("longer line");
                return std::vector<Placed>{{a, {w - Advance(a) - 2, 0}}, {b, {w - Advance(b) - 2, LineHeight() + 1}}};
            }},
        LayoutCase{"ConstructedCaptionShowsOnlyItsFirstLine", QStringLiteral("Up\nDown"), CS_NONE, 90, false, false,
                   true,
                   [](int) {
                       return std::vector<Placed>{{QStringLiteral("Up"), {2, 0}}};
                   }},
        LayoutCase{"CarriageReturnStaysInItsLine", QStringLiteral("A\rB\nC"), CS_NONE, 90, false, true, true,
                   [](int) {
                       return std::vector<Placed>{{QStringLiteral("A\rB"), {2, 0}},
                                                  {QStringLiteral("C"), {2, LineHeight() + 1}}};
                   }},
        LayoutCase{"AmpersandDrawnAsItIs", QStringLiteral("&Input"), CS_NONE, 90, false, false, true,
                   [](int) {
                       return std::vector<Placed>{{QStringLiteral("&Input"), {2, 0}}};
                   }},
        LayoutCase{"DisabledDrawsAShadow", QStringLiteral("Max"), CS_NONE, 60, false, false, false,
                   [](int) {
                       return std::vector<Placed>{{QStringLiteral("Max"), {2, 0}}};
                   }},
        LayoutCase{"DisabledCentredTwoLines", QStringLiteral("one\ntwo"), CS_CENTER, 60, false, true, false,
                   [](int w) {
                       return std::vector<Placed>{
                           {QStringLiteral("one"), {(w - Advance("one")) / 2, 0}},
                           {QStringLiteral("two"), {(w - Advance("two")) / 2, LineHeight() + 1}}};
                   }}),
    [](const auto &tc) { return std::string(tc.param.name); });

TEST_F(ClearLabelTest, DisabledShadowAddsTheShiftedLetters)
{
    CClearLabel *label = Make(QStringLiteral("Volume:"), CS_NONE, 90, 20);
    const int enabledInk = InkPixels(Render(label));
    label->setEnabled(false);
    const QImage disabled = Render(label);
    EXPECT_GT(InkPixels(disabled), enabledInk);
    // Every letter pixel of the enabled text has its shadow pixel too.
    const QImage plain = Expected(QSize(90, 20), {{QStringLiteral("Volume:"), {2, 0}}});
    for (int y = 1; y + 1 < 20; ++y) {
        for (int x = 1; x + 1 < 90; ++x) {
            if (QColor(plain.pixel(x, y)) == Qt::black) {
                ASSERT_EQ(QColor(disabled.pixel(x + 1, y + 1)), Qt::black) << x << "," << y;
            }
        }
    }
}

TEST_F(ClearLabelTest, EmptyTextDrawsNothing)
{
    for (bool viaSetText : {false, true}) {
        CClearLabel *label = Make(viaSetText ? QStringLiteral("was here") : QString(), CS_NONE, 80, 20);
        if (viaSetText)
            label->setText(QString());
        label->setEnabled(viaSetText);
        QImage untouched(80, 20, QImage::Format_RGB32);
        untouched.fill(kBackground);
        EXPECT_TRUE(Render(label) == untouched) << "viaSetText " << viaSetText;
        delete label;
    }
}

TEST_F(ClearLabelTest, SetTextShowsTheNewTextWhileTextKeepsTheOld)
{
    CClearLabel *label = Make(QStringLiteral("Old"), CS_NONE, 80, 20);
    label->setText(QStringLiteral("New"));
    EXPECT_EQ(label->text(), QStringLiteral("Old"));
    EXPECT_EQ(label->shownText(), QStringLiteral("New"));
    ExpectDrawn(Render(label), Expected(QSize(80, 20), {{QStringLiteral("New"), {2, 0}}}));
}

struct LengthCase {
    int given;
    bool viaSetText;
    int kept;
};

class ClearLabelLength : public ClearLabelTest, public ::testing::WithParamInterface<LengthCase> {};

TEST_P(ClearLabelLength, KeepsAtMostItsBuffer)
{
    const LengthCase c = GetParam();
    const QString text(c.given, QLatin1Char('x'));
    CClearLabel *label = Make(c.viaSetText ? QString() : text, CS_NONE, 80, 20);
    if (c.viaSetText)
        label->setText(text);
    EXPECT_EQ(label->shownText(), QString(c.kept, QLatin1Char('x')));
}

INSTANTIATE_TEST_SUITE_P(Lengths, ClearLabelLength,
                         ::testing::Values(LengthCase{255, false, 255}, LengthCase{300, false, 255},
                                           LengthCase{1023, true, 1023}, LengthCase{1500, true, 1023}));

TEST_F(ClearLabelTest, LinesAreCountedOnlyWhenTheTextIsSet)
{
    CClearLabel *label = Make(QStringLiteral("a\nb\nc"), CS_NONE, 80, 40);
    EXPECT_EQ(label->Lines(), 1);
    label->setText(QStringLiteral("a\nb\nc"));
    EXPECT_EQ(label->Lines(), 3);
    label->setText(QStringLiteral("\n"));
    EXPECT_EQ(label->Lines(), 2);
    label->setText(QStringLiteral("one"));
    EXPECT_EQ(label->Lines(), 1);
}

namespace {
// Collects the regions the parent is asked to repaint.
class PaintSpy : public QObject {
public:
    QRegion painted;

protected:
    bool eventFilter(QObject *watched, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(e)->region();
        return QObject::eventFilter(watched, e);
    }
};
} // namespace

TEST_F(ClearLabelTest, SetTextRepaintsTheParentAroundTheLabel)
{
    CClearLabel *label = Make(QStringLiteral("Old"), CS_NONE, 60, 20);
    parent.show();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    PaintSpy spy;
    parent.installEventFilter(&spy);
    label->setText(QStringLiteral("New text"));
    for (int i = 0; i < 5 && spy.painted.isEmpty(); ++i)
        QCoreApplication::processEvents();
    parent.removeEventFilter(&spy);
    const QRect around = label->geometry().adjusted(-3, -3, 3, 3);
    EXPECT_TRUE(QRegion(around).subtracted(spy.painted).isEmpty())
        << "painted " << spy.painted.boundingRect().x() << "," << spy.painted.boundingRect().y() << " "
        << spy.painted.boundingRect().width() << "x" << spy.painted.boundingRect().height();
}
