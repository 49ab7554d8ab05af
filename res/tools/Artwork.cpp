#include "res/tools/Artwork.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {
constexpr int kFaceWidth = 116;
constexpr int kFaceHeight = 21;
constexpr int kFrameGrey = 153;

// One grey per row inside the frame, rows 1 to 19: light at the top,
// darker towards the bottom, like light falling from above.
constexpr std::array<int, kFaceHeight - 2> kShading{254, 254, 253, 252, 247, 245, 242, 240, 238, 237,
                                                    236, 234, 231, 229, 227, 223, 222, 220, 220};

bool OnFrame(int x, int y)
{
    const int right = kFaceWidth - 1;
    const int bottom = kFaceHeight - 1;
    const bool edgeRow = (y == 0 || y == bottom) && x >= 2 && x <= right - 2;
    const bool edgeColumn = (x == 0 || x == right) && y >= 2 && y <= bottom - 2;
    const bool cutCorner = (x == 1 || x == right - 1) && (y == 1 || y == bottom - 1);
    return edgeRow || edgeColumn || cutCorner;
}

bool InsideFrame(int x, int y)
{
    const int right = kFaceWidth - 1;
    const int bottom = kFaceHeight - 1;
    if (y <= 0 || y >= bottom || x <= 0 || x >= right)
        return false;
    const bool cornerRow = y == 1 || y == bottom - 1;
    return !cornerRow || (x >= 2 && x <= right - 2);
}

// The three pixels beyond each cut corner blend into a white background:
// the one at the very corner is white, its two neighbours a shade off.
int OutsideGrey(int x, int y)
{
    const int dx = std::min(x, kFaceWidth - 1 - x);
    const int dy = std::min(y, kFaceHeight - 1 - y);
    return dx == 0 && dy == 0 ? 255 : 240;
}

int FaceGrey(int x, int y)
{
    if (OnFrame(x, y))
        return kFrameGrey;
    if (InsideFrame(x, y))
        return kShading[std::size_t(y - 1)];
    return OutsideGrey(x, y);
}

// The icon is drawn on a 32-unit grid and scaled to the size asked for.
constexpr double kGrid = 32.0;
const QColor kNoteRed(206, 24, 30);
const QColor kFilmBlack(16, 16, 16);
const QColor kFrameOrange(255, 146, 24);
const QColor kSprocket(236, 236, 236);

void DrawFilmStrip(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kFilmBlack);
    p.drawRoundedRect(QRectF(0.5, 20.0, 31.0, 11.5), 1.5, 1.5);
    p.setBrush(kSprocket);
    for (double x = 2.0; x < 30.0; x += 3.5) {
        p.drawRect(QRectF(x, 21.0, 1.6, 1.4));
        p.drawRect(QRectF(x, 29.1, 1.6, 1.4));
    }
    p.setBrush(kFrameOrange);
    for (double x : {2.5, 12.0, 21.5})
        p.drawRect(QRectF(x, 23.2, 8.0, 5.0));
}

void DrawNoteHead(QPainter &p, QPointF centre)
{
    p.save();
    p.translate(centre);
    p.rotate(-22.0);
    p.drawEllipse(QPointF(0.0, 0.0), 3.6, 2.5);
    p.restore();
}

void DrawBeamedQuavers(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kNoteRed);
    const QPointF left(8.2, 15.6);
    const QPointF right(22.2, 13.6);
    DrawNoteHead(p, left);
    DrawNoteHead(p, right);
    // Stems rise from the right side of each head to the beam.
    const double stem = 1.5;
    const double leftStemX = left.x() + 3.0 - stem;
    const double rightStemX = right.x() + 3.0 - stem;
    p.drawRect(QRectF(leftStemX, 4.0, stem, left.y() - 4.0));
    p.drawRect(QRectF(rightStemX, 2.0, stem, right.y() - 2.0));
    QPainterPath beam;
    beam.moveTo(leftStemX, 3.2);
    beam.lineTo(rightStemX + stem, 1.0);
    beam.lineTo(rightStemX + stem, 4.6);
    beam.lineTo(leftStemX, 6.8);
    beam.closeSubpath();
    p.drawPath(beam);
}
} // namespace

QImage DrawButtonFace()
{
    QImage face(kFaceWidth, kFaceHeight, QImage::Format_RGB888);
    for (int y = 0; y < kFaceHeight; ++y) {
        for (int x = 0; x < kFaceWidth; ++x) {
            const int g = FaceGrey(x, y);
            face.setPixel(x, y, qRgb(g, g, g));
        }
    }
    return face;
}

QImage DrawAppIcon(int size)
{
    QImage icon(size, size, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / kGrid, size / kGrid);
    DrawBeamedQuavers(p);
    DrawFilmStrip(p);
    return icon;
}
