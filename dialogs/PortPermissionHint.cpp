#include "dialogs/PortPermissionHint.h"

QString PortPermissionHint(int port, const PortRefusal &refusal)
{
    const QString user = refusal.user.empty() ? QStringLiteral("BENUTZER") : QString::fromStdString(refusal.user);
    const QString group = QString::fromStdString(refusal.group);
    return QStringLiteral("Die Schnittstelle COM%1 (%2) ist vorhanden, aber das Benutzerkonto „%3“ darf sie nicht "
                          "öffnen: Es gehört nicht zur Gruppe „%4“. Die Lichtschranken zählen so nicht.\n\n"
                          "Nehmen Sie das Konto einmal mit diesem Befehl in die Gruppe auf:\n\n"
                          "sudo usermod -aG %4 %3\n\n"
                          "Melden Sie sich danach ab und wieder an; erst dann gilt die Gruppe. "
                          "Die Schnittstelle bleibt eingestellt.")
        .arg(port)
        .arg(QString::fromStdString(refusal.device), user, group);
}
