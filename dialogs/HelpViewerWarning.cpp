#include "dialogs/HelpViewerWarning.h"

std::unique_ptr<QMessageBox> MakeHelpViewerWarning(QWidget *operatorWindow)
{
    auto box = std::make_unique<QMessageBox>(QMessageBox::Warning, QStringLiteral("Warning!"),
                                QStringLiteral("Unable to view HTML help (*.chm). Update windows help system. "
                                               "Get new \"HHCTRL.OCX\" library."),
                                QMessageBox::Ok, operatorWindow);
#ifndef Q_OS_WIN
    box->setInformativeText(
        QStringLiteral("Unter Linux: installieren Sie einen CHM-Betrachter, zum Beispiel das Paket xchm "
                       "(apt-get install xchm)."));
#endif
    return box;
}

void ShowHelpViewerWarning(QWidget *operatorWindow)
{
    MakeHelpViewerWarning(operatorWindow)->exec();
}
