#include "dialogs/MissingPortHint.h"

QString MissingPortHint(int port)
{
    return QStringLiteral("Die gespeicherte Schnittstelle COM%1 war beim Start nicht verfügbar (nicht angeschlossen "
                          "oder von einem anderen Programm belegt).\n\nSie bleibt eingestellt. Schließen Sie den "
                          "Adapter an und starten Sie das Programm neu.")
        .arg(port);
}
