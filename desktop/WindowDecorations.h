#pragma once

class QWidget;

// Asks the window manager for a dialog's title bar: a caption with the close
// button only, or with no button at all, and no minimising or maximising.
// Call it once the native window exists and before it is shown. Window
// managers that draw their buttons regardless (openbox) are not bound by it.
void RequestDialogDecorations(QWidget *window, bool closeButton);

// Keeps a stay-on-top window above ordinary windows for as long as it
// lives: whenever the window manager writes the shown window's state without
// "above", or drops it, the window asks for it again. A window hidden and
// shown again (the notification area) can otherwise lose it, when the
// manager finishes withdrawing it from the hiding only after the new
// showing. Call it once, for a window with Qt::WindowStaysOnTopHint.
void KeepStaysOnTop(QWidget *window);
