// A label without a background: the dialog's own background shows through
// around its letters. It draws its own copy of the text, line by line, never
// wrapped; the text given at construction shows only its first line until
// the text is next set.
#pragma once

#include <QColor>
#include <QLabel>

class CClearLabel : public QLabel {
    Q_OBJECT
public:
    enum Alignment { AlignLeft = 0, AlignCenter = 1, AlignRight = 2 };

    // style: the template's ControlStyle bits; CS_CENTER or CS_RIGHT choose
    // the alignment, otherwise the text starts at the left.
    CClearLabel(const QString &text, unsigned style, QWidget *parent);

    // Shows new text. QLabel::text() keeps the text the label was made
    // with; shownText() is what is drawn.
    void setText(const QString &text);
    const QString &shownText() const { return m_szText; }
    int Lines() const { return m_nLines; }
    int AlignmentStyle() const { return int(m_dwStyle); }

    static constexpr int kMaxText = 1023;
    static constexpr int kMaxInitialText = 255;

protected:
    void paintEvent(QPaintEvent *e) override;

private:
    int LineX(int advance) const;

    unsigned m_dwStyle;
    QString m_szText;
    QColor m_crShadow = Qt::black;
    QColor m_crText = Qt::black;
    int m_nLines = 1;
};
