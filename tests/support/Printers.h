#pragma once

#include <QString>
#include <QStringList>

#include <ostream>

// Readable Qt strings in test failure messages.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList &list, std::ostream *out)
{
    *out << '{' << list.join(QStringLiteral(", ")).toStdString() << '}';
}

#include <QByteArray>

// Bytes as a C string literal would show them.
inline void PrintTo(const QByteArray &bytes, std::ostream *out)
{
    *out << '"';
    for (const char c : bytes) {
        if (c == '\n')
            *out << "\\n";
        else if (c == '\r')
            *out << "\\r";
        else if (c == '"' || c == '\\')
            *out << '\\' << c;
        else if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F)
            *out << "\\x" << "0123456789ABCDEF"[(c >> 4) & 0xF] << "0123456789ABCDEF"[c & 0xF];
        else
            *out << c;
    }
    *out << '"';
}
