#include "app/LineSimulatorWindow.h"
#include "app/PontraApplication.h"
#include "app/QSettingsStore.h"
#include "app/SingleInstance.h"
#include "app/TerminationSignals.h"
#include "serial/PlatformSerial.h"
#include "serial/SimulatedSerialPorts.h"
#include "widgets/Artwork.h"

#include <QApplication>
#include <QFileInfo>
#include <QStandardPaths>

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

    // From the first moment: a shutdown while the program starts ends it
    // cleanly too.
    TerminationSignals termination;

    const QString programPath = QCoreApplication::applicationFilePath();
    const QString programName = QFileInfo(programPath).completeBaseName();
    // One copy per user and program name: a second start brings the running
    // one's window forward instead of fighting over the port and the settings.
    SingleInstance instance(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation), programName);
    if (!instance.Claim()) {
        if (!instance.AskRunningCopyToShow())
            qWarning("%s runs already and did not answer.", qPrintable(programName));
        return 0;
    }
    QSettingsStore settings(programName);
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

    PontraApplication pontra(std::move(services), &termination);
    QObject::connect(pontra.forms.FormMain, &TFormMain::Closed, &app, &QApplication::quit, Qt::QueuedConnection);
    QObject::connect(&instance, &SingleInstance::ShowRequested, pontra.forms.FormMain, &TFormMain::BringToFront);
    pontra.forms.FormMain->show();
    if (simulated) {
        simulator = std::make_unique<LineSimulatorWindow>(*simulated);
        simulator->show();
    }
    return app.exec();
}
