#include "controls/ClearLabel.h"

#include "res/Templates.h"

#include <QFontMetrics>
#include <QPainter>

namespace {
unsigned AlignmentOf(unsigned style)
{
    if (style & CS_CENTER)
        return CClearLabel::AlignCenter;
    if (style & CS_RIGHT)
        return CClearLabel::AlignRight;
    return CClearLabel::AlignLeft;
}

// How far around the label the parent repaints when the text changes, so
// that no trace of the old letters is left on its background.
constexpr int kRepaintMargin = 3;
} // namespace

CClearLabel::CClearLabel(const QString &text, unsigned style, QWidget *parent)
    : QLabel(text, parent), m_dwStyle(AlignmentOf(style)), m_szText(text.left(kMaxInitialText))
{
    setAutoFillBackground(false);
}

void CClearLabel::setText(const QString &text)
{
    m_szText = text.left(kMaxText);
    m_nLines = 1 + int(m_szText.count(QLatin1Char('\n')));
    if (QWidget *parent = parentWidget())
        parent->update(geometry().adjusted(-kRepaintMargin, -kRepaintMargin, kRepaintMargin, kRepaintMargin));
    else
        update();
}

int CClearLabel::LineX(int advance) const
{
    switch (m_dwStyle) {
    case AlignCenter:
        return (width() - advance) / 2;
    case AlignRight:
        return width() - advance - 2;
    default:
        return 2;
    }
}

void CClearLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    // The top row and left column stay the parent's.
    p.setClipRect(QRect(1, 1, width() - 1, height() - 1));
    p.setFont(font());
    const QFontMetrics fm(font());
    const int cy = fm.height();
    const QStringList lines = m_szText.split(QLatin1Char('\n'));
    int y = 0;
    for (int i = 0; i < m_nLines && i < lines.size(); ++i) {
        const QString &line = lines[i];
        const int x = LineX(fm.horizontalAdvance(line));
        if (!isEnabled()) {
            p.setPen(m_crShadow);
            p.drawText(QPoint(x + 1, y + 1 + fm.ascent()), line);
        }
        p.setPen(m_crText);
        p.drawText(QPoint(x, y + fm.ascent()), line);
        y += cy + 1;
    }
}
