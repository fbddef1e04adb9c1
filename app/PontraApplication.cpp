#include "app/PontraApplication.h"

#include "dialogs/HelpViewerWarning.h"
#include "dialogs/OperatorMessageBox.h"
#include "dialogs/TFDlgYesNo.h"
#include "dialogs/TForm2.h"
#include "dialogs/TFormInfo.h"
#include "display/TFormMonitor2.h"
#include "widgets/ApplicationEvents.h"
#include "widgets/PlatformHelpViewer.h"
#include "widgets/TImage.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QTimer>

PontraApplication::PontraApplication(MainWindowServices services, TerminationSignals *termination)
{
    if (!services.ShowError) {
        // Also at shutdown, while the main window is being destroyed.
        services.ShowError = [this](const QString &message) { OperatorMessageBox(forms.FormMain, message).exec(); };
    }
    if (!services.ShowNotice) {
        // The program runs on while the box is up.
        services.ShowNotice = [this](const QString &message) {
            auto *box = new OperatorMessageBox(forms.FormMain, message, QMessageBox::Warning);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->setModal(false);
            box->show();
        };
    }
    // Once, before the first window: a missing viewer is reported first.
    help_ = std::make_unique<HelpViewerLink>(
        services.NewHelpViewer ? services.NewHelpViewer() : NewPlatformHelpViewer(),
        services.WarnNoHelpViewer ? services.WarnNoHelpViewer : [this] { ShowHelpViewerWarning(forms.FormMain); });
    services.Help = help_.get();
    main_ = std::make_unique<TFormMain>(State, forms, std::move(services));
    forms.FormMain = main_.get();
    ApplicationEvents::Instance().SetMainWindow(main_.get());
    monitor_ = std::make_unique<TFormMonitor2>(State);
    forms.FormMonitor2 = monitor_.get();
    // The dialogs belong to the main window, which keeps them above it.
    forms.Form2 = new TForm2(State, *main_->ComPort, main_.get(), main_->MissingStoredPort());
    forms.FDlgYesNo = new TFDlgYesNo(main_.get());
    forms.FormInfo = new TFormInfo(main_.get());

    monitor_->SetTVSwitch(main_->ImageTVAus, main_->ImageTVEin);
    monitor_->SetOperatorWindow(main_.get());
    // The keys act in the display window too, also while the main window is hidden.
    monitor_->addActions(main_->KeyActions());

    // Shutdown and logout: the settings are stored on the way out.
    if (termination) {
        QObject::connect(termination, &TerminationSignals::Received, main_.get(), &TFormMain::EndWithoutQuestion);
        // One that came while the windows were being made.
        if (termination->Arrived())
            QTimer::singleShot(0, main_.get(), &TFormMain::EndWithoutQuestion);
    }
#ifndef QT_NO_SESSIONMANAGER
    // A session manager that ends the session may not wait for the end.
    QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, main_.get(),
                     [main = main_.get()](QSessionManager &) { main->WriteSettings(); }, Qt::DirectConnection);
#endif
}

PontraApplication::~PontraApplication()
{
    main_.reset();
    forms = {};
}
