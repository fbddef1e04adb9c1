#include "dialogs/PortLinesHint.h"

QString PortLinesHint(int port)
{
    return QStringLiteral("Die Schnittstelle COM%1 ließ sich öffnen, hält aber ihre Leitung RTS nicht eingeschaltet. "
                          "Vermutlich greift ein anderes Programm auf die Schnittstelle zu und schaltet die Leitung "
                          "ab. Ohne RTS zählt die Lichtschranke am Ausgang nicht; die Schnittstelle bleibt deshalb "
                          "geschlossen.\n\n"
                          "Beenden Sie das andere Programm und speichern Sie danach die Einstellungen (F2) erneut "
                          "oder starten Sie dieses Programm neu. Die Schnittstelle bleibt eingestellt.")
        .arg(port);
}
