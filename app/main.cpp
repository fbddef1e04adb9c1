#include "app/LineSimulatorWindow.h"
#include "app/PontraApplication.h"
#include "app/QSettingsStore.h"
#include "serial/PlatformSerial.h"
#include "serial/SimulatedSerialPorts.h"
#include "widgets/Artwork.h"

#include <QApplication>
#include <QFileInfo>

#include <memory>

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
    MainWindowServices services{
        .Settings = settings,
        .PortPresent = PlatformPortPresent,
        .ProgramPath = programPath,
    };

    // PONTRA_SIMULATE=1 replaces the serial ports by simulated COM1 and COM2
    // with a window that opens and closes the barriers' contacts.
    std::unique_ptr<SimulatedSerialPorts> simulated;
    std::unique_ptr<LineSimulatorWindow> simulator;
    if (qEnvironmentVariableIntValue("PONTRA_SIMULATE") != 0) {
        simulated = std::make_unique<SimulatedSerialPorts>(std::set<int>{1, 2});
        services.PortPresent = [ports = simulated.get()](int port) { return ports->IsPresent(port); };
        services.NewSerialDevice = simulated->Factory();
    }

    PontraApplication pontra(std::move(services));
    QObject::connect(pontra.forms.FormMain, &TFormMain::Closed, &app, &QApplication::quit, Qt::QueuedConnection);
    pontra.forms.FormMain->show();
    if (simulated) {
        simulator = std::make_unique<LineSimulatorWindow>(*simulated);
        simulator->show();
    }
    return app.exec();
}
