#include "controls/SkinButton.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRegion>

// The images are compiled into the static core library, where nothing refers
// to them and the linker would leave them out of the program; the skin they
// belong to pulls them in. (The macro must not sit inside a namespace.)
static int RegisterImages()
{
    Q_INIT_RESOURCE(tombrello);
    return 0;
}
static const int g_imagesRegistered = RegisterImages();

namespace {
// Button style numbers of the kinds a button can stand in for.
int ButtonStyleOf(ControlKind kind)
{
    switch (kind) {
    case ControlKind::PushButton:
        return 0;
    case ControlKind::DefPushButton:
        return 1;
    case ControlKind::AutoCheckBox:
        return 3;
    default:
        return 2;
    }
}

// The frame: a rectangle whose right and bottom edges lie one pixel inside
// the button, its corners rounded by a 6 x 6 ellipse. At this size the arc
// is a single diagonal pixel step, the same step as the face's cut corners;
// it is drawn pixel by pixel because Qt's rasteriser rounds such small arcs
// unevenly, one corner unlike the next.
void DrawRoundFrame(QPainter &p, int w, int h)
{
    const int right = w - 1;
    const int bottom = h - 1;
    p.drawLine(QPoint(2, 0), QPoint(right - 2, 0));
    p.drawLine(QPoint(2, bottom), QPoint(right - 2, bottom));
    p.drawLine(QPoint(0, 2), QPoint(0, bottom - 2));
    p.drawLine(QPoint(right, 2), QPoint(right, bottom - 2));
    p.drawPoint(1, 1);
    p.drawPoint(right - 1, 1);
    p.drawPoint(1, bottom - 1);
    p.drawPoint(right - 1, bottom - 1);
}
} // namespace

CSkinButton::CSkinButton(const QString &text, QWidget *parent)
    : QPushButton(text, parent), m_nType(0), m_pFacePushed(g_pSkinFacePushed), m_pFaceNormal(g_pSkinFaceNormal),
      m_crLight(g_crSkinLight), m_crDark(g_crSkinDark), m_crTextDisabled(g_crSkinTextDisabled), m_crText(g_crSkinText)
{
    // Whatever the parent painted stays visible outside the rounded frame.
    setAutoFillBackground(false);
}

CSkinButton::CSkinButton(const QString &text, ControlKind kind, QWidget *parent) : CSkinButton(text, parent)
{
    SubclassControl(kind);
}

void CSkinButton::SubclassControl(ControlKind kind)
{
    m_nType = ButtonStyleOf(kind);
    // Enter reaches the default button through the dialog, never through
    // Qt's auto-default focus rule.
    setAutoDefault(false);
    setDefault(kind == ControlKind::DefPushButton);
}

void CSkinButton::paintEvent(QPaintEvent *)
{
    if (m_nType > 1)
        return;
    const bool pushed = isDown();
    const int w = width();
    const int h = height();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    DrawFace(p, pushed, w, h);
    DrawFrame(p, pushed, w, h);
    DrawCaption(p, pushed, w, h);
}

void CSkinButton::DrawFace(QPainter &p, bool pushed, int w, int h) const
{
    const QImage *face = pushed ? m_pFacePushed : m_pFaceNormal;
    if (!face || face->isNull())
        return;
    p.drawImage(QPoint(1, 1), *face, QRect(0, 0, w - 2, h - 2).intersected(face->rect()));
}

void CSkinButton::DrawFrame(QPainter &p, bool pushed, int w, int h) const
{
    const QRegion whole(0, 0, w, h);
    p.setBrush(Qt::NoBrush);
    // Top and left bands first; the bottom and right bands then paint over
    // the top-right and bottom-left corners.
    p.setClipRegion(whole.subtracted(QRegion(3, 3, w - 3, h - 3)));
    p.setPen(ColorOf(pushed ? m_crDark : m_crLight));
    DrawRoundFrame(p, w, h);
    p.setClipRegion(whole.subtracted(QRegion(0, 0, w - 3, h - 3)));
    p.setPen(ColorOf(pushed ? m_crLight : m_crDark));
    DrawRoundFrame(p, w, h);
    p.setClipping(false);
}

void CSkinButton::DrawCaption(QPainter &p, bool pushed, int w, int h) const
{
    p.setFont(font());
    const QString caption = text().left(kMaxCaption);
    const QFontMetrics fm(font());
    const int cx = fm.horizontalAdvance(caption);
    const int cy = fm.height();
    const int shift = pushed ? 1 : 0;
    int x = (w - cx) / 2 + shift;
    int y = (h - cy) / 2 + shift;
    if (isEnabled()) {
        p.setPen(ColorOf(m_crText));
    } else {
        p.setPen(ColorOf(m_crTextDisabled));
        ++x;
        ++y;
    }
    // Drawn at the baseline so that an ampersand stays an ampersand.
    p.drawText(QPoint(x, y + fm.ascent()), caption);
}
