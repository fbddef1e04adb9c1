#pragma once

class QWidget;

// Asks the window manager for a dialog's title bar: a caption with the close
// button only, or with no button at all, and no minimising or maximising.
// Call it once the native window exists and before it is shown. Window
// managers that draw their buttons regardless (openbox) are not bound by it.
void RequestDialogDecorations(QWidget *window, bool closeButton);
