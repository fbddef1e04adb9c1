#include "dialogs/LampPortHint.h"

QString LampPortTroubleHint(int port)
{
    return QStringLiteral("Die Ampel an der Schnittstelle COM%1 lässt sich nicht schalten (nicht angeschlossen oder "
                          "von einem anderen Programm belegt).\n\nBis sie wieder verfügbar ist, zeigt die Ampel rot. "
                          "Das Programm versucht es alle paar Sekunden von selbst und zählt weiter.")
        .arg(port);
}

QString LampPortTakenHint(int port)
{
    return QStringLiteral("Die Ampel ist auf COM%1 eingestellt, die Schnittstelle der Lichtschranken. Sie wird dort "
                          "nicht geschaltet.\n\nWählen Sie unter Einstellungen (F2) → „Erweitert …“ eine andere "
                          "Schnittstelle für die Ampel.")
        .arg(port);
}
