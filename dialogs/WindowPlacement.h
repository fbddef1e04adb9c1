#pragma once

class QWidget;

// Centres a dialog over its parent window, on the parent's monitor; without a
// visible parent, on the primary monitor.
void CenterOverParent(QWidget *dialog);
