// A push button drawn from the skin: the face bitmap, a rounded frame lit
// from the top left (from the bottom right while pushed) and a centred
// caption. Kinds other than push buttons are left undrawn.
#pragma once

#include "app/CaptureApp.h"
#include "res/Templates.h"

#include <QPushButton>

class CSkinButton : public QPushButton {
    Q_OBJECT
public:
    // Takes the skin as it is now; later changes of the skin do not reach
    // buttons already made.
    explicit CSkinButton(const QString &text, QWidget *parent = nullptr);
    CSkinButton(const QString &text, ControlKind kind, QWidget *parent);

    // Binds the button to the kind of control it stands in for: a push
    // button (0) or the dialog's default push button (1); any other kind
    // gets its button style number and is not painted.
    void SubclassControl(ControlKind kind);
    int Type() const { return m_nType; }

    static constexpr int kMaxCaption = 127;

protected:
    void paintEvent(QPaintEvent *e) override;

private:
    void DrawFace(QPainter &p, bool pushed, int w, int h) const;
    void DrawFrame(QPainter &p, bool pushed, int w, int h) const;
    void DrawCaption(QPainter &p, bool pushed, int w, int h) const;

    int m_nType;
    const QImage *m_pFacePushed;
    const QImage *m_pFaceNormal;
    COLORREF m_crLight;
    COLORREF m_crDark;
    COLORREF m_crTextDisabled;
    COLORREF m_crText;
};
