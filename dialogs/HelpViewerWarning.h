#pragma once

#include <QMessageBox>

#include <memory>

// The warning that no help viewer is available, shown at start before the
// main window, and for a help request while there still is none, then over
// the operator's window (which stays on top of windows that are not its own).
// Its text names the Windows library; on other systems a second line says
// what to install.
std::unique_ptr<QMessageBox> MakeHelpViewerWarning(QWidget *operatorWindow = nullptr);
void ShowHelpViewerWarning(QWidget *operatorWindow = nullptr);
