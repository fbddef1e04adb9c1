#pragma once

#include <QMessageBox>

#include <memory>

// The warning that no help viewer is available, shown at start before the
// main window. Its text names the Windows library; on other systems a second
// line says what to install.
std::unique_ptr<QMessageBox> MakeHelpViewerWarning();
void ShowHelpViewerWarning();
