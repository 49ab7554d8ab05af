// Dialog templates as data: caption, font, size and controls in dialog
// units, in template order (which is the tab order).
#pragma once

#include <QString>

#include <vector>

enum class ControlKind { Edit, PushButton, DefPushButton, Static, Combo, Trackbar, AutoCheckBox, Icon };

enum ControlStyle : unsigned {
    CS_NONE = 0,
    CS_TABSTOP = 1u << 0,
    CS_SUNKEN = 1u << 1,
    CS_GROUP = 1u << 2,
    CS_CENTER = 1u << 3,
    CS_RIGHT = 1u << 4,
    CS_NOPREFIX = 1u << 5,
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char *text;
    int x, y, w, h;
    unsigned style;
};

struct DialogTemplate {
    int id;
    const char *caption;
    int pointSize;
    int width, height;
    bool minimizeBox;
    std::vector<ControlTemplate> controls;
};

const DialogTemplate &MainDialogTemplate();  // 102
const DialogTemplate &AboutDialogTemplate(); // 100
const DialogTemplate &InputHintTemplate();   // 144

// String resources by id; empty when there is none.
QString LoadString(int id);
