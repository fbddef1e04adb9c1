#include "journal/JournalStatus.h"

#include "journal/JournalReasons.h"

std::string JournalNotice(const JournalStatus &status)
{
    std::string notice;
    if (!status.setAside.empty()) {
        notice = "Die bisherige Datei des Tagesjournals war beschädigt oder gehört nicht zu diesem Programm. "
                 "Sie wurde unverändert nach " + QuotedPath(status.setAside) + " verschoben, "
                 "und ein neues Tagesjournal wird angelegt.";
    }
    if (!status.writing) {
        if (!notice.empty())
            notice += ' ';
        notice += "Das Tagesjournal kann nicht geschrieben werden: " + status.reason
                + ". Die Zählung läuft weiter; die Einträge werden nachgetragen, sobald es wieder geht.";
    } else if (notice.empty()) {
        notice = "Das Tagesjournal wird wieder geschrieben; alle zurückgehaltenen Einträge sind nachgetragen.";
    }
    return notice;
}
