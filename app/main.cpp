#include "app/PontraApplication.h"
#include "app/QSettingsStore.h"
#include "dialogs/ApplicationTitle.h"
#include "serial/PortProbe.h"
#include "widgets/Artwork.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Windows-era dialog font; Arial itself maps to Liberation Sans.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addPixmap(Artwork(QStringLiteral("pontra"), QSize(size, size)));
    QApplication::setWindowIcon(icon);
    // The display window must not keep the program alive once the main window closed.
    QApplication::setQuitOnLastWindowClosed(false);

    const QString programPath = QCoreApplication::applicationFilePath();
    QSettingsStore settings(QFileInfo(programPath).completeBaseName());
    const PortProbe probe;
    PontraApplication pontra(MainWindowServices{
        settings,
        [&probe](int port) { return probe.IsPresent(port); },
        programPath,
        [](const QString &message) { QMessageBox::critical(nullptr, ApplicationTitle(), message); },
    });
    QObject::connect(pontra.forms.FormMain, &TFormMain::Closed, &app, &QApplication::quit, Qt::QueuedConnection);
    pontra.forms.FormMain->show();
    return app.exec();
}
