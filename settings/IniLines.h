#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>

// One line of an INI file as QSettings reads it. Such a line can run over
// several lines of the file: a backslash before a line end joins the next
// one, and a double quote runs on to the next double quote. A ';' outside
// quotes begins a comment, which ends at the next line end.
struct IniLine {
    enum class Kind { Section, Entry, Other };

    Kind kind = Kind::Other;
    qsizetype begin = 0;   // its first byte, after the blanks before it
    qsizetype end = 0;     // where its line end begins, or the file ends
    qsizetype textEnd = 0; // where its trailing blanks or its comment begin
    qsizetype equals = -1; // an entry's '=' between key and value
    qsizetype nameBegin = 0, nameEnd = 0; // the section's or the key's name as written
    bool root = false;     // the entry is in, or the section opens, the root group
    bool open = false;     // it runs to the file's end in quotes or after a backslash,
                           // so that it would take in whatever came after it
};

// Hands each of the file's lines to visit, in order; a large file's lines
// are never all held at once.
void ForEachIniLine(QByteArrayView ini, const std::function<void(const IniLine &)> &visit);

// The length of the line end at position at: 2 for "\r\n", 1 for "\n" or
// "\r", 0 at the end of the file.
qsizetype IniLineEndLength(QByteArrayView ini, qsizetype at);

// The line's section or key name, unescaped as QSettings reads it.
QString IniName(QByteArrayView ini, const IniLine &line);
