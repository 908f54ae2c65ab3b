#pragma once

#include <QPushButton>

// Holds the window's first focus from outside its client area; assistive
// tools pass it by, since it does nothing.
class FocusHolder : public QPushButton {
    Q_OBJECT

public:
    using QPushButton::QPushButton;
};

// Tells assistive tools (screen readers) how to read the window's own kinds
// of controls: the window as a window, each two-state command as the push
// button it acts as, the focus holder as nothing. Call it before the first
// control is read; calling it again does nothing.
void installAccessibleControls();
