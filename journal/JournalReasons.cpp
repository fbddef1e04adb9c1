#include "journal/JournalReasons.h"

#include "files/FileRules.h"
#include "journal/JournalPath.h"

#include <sqlite3.h>

std::string QuotedPath(const std::filesystem::path &path)
{
    return "„" + Utf8Path(path) + "“";
}

std::string SystemReason(const std::error_code &error)
{
    return SystemProblem(error);
}

std::string RefusedReason(const FileRefused &refused)
{
    return QuotedPath(refused.File()) + " – " + refused.what();
}

std::string SqliteReason(const std::filesystem::path &file, int code)
{
    switch (code) {
    case SQLITE_CANTOPEN:
        return "die Datei " + QuotedPath(file) + " lässt sich nicht öffnen oder anlegen";
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return "keine Schreibberechtigung für " + QuotedPath(file);
    case SQLITE_FULL:
        return "der Datenträger ist voll";
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return "ein anderes Programm sperrt die Datei " + QuotedPath(file);
    case SQLITE_IOERR:
        return "Lese- oder Schreibfehler bei " + QuotedPath(file);
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return "die Datei " + QuotedPath(file) + " ist beschädigt";
    default:
        return "Datenbankfehler " + std::to_string(code) + " bei " + QuotedPath(file);
    }
}
