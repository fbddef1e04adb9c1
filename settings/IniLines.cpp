#include "settings/IniLines.h"

#include <array>

namespace {

constexpr QByteArrayView kByteOrderMark("\xEF\xBB\xBF");

bool IsLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

// The bytes that escape, quote, end a line, begin a comment or divide a key
// from its value.
constexpr auto kSpecial = [] {
    std::array<bool, 256> special {};
    for (const unsigned char c : {'\\', '"', '\n', '\r', ';', '='})
        special[c] = true;
    return special;
}();

// The number in the count characters at position at, read as QSettings
// reads them: hexadecimal, blanks, a plus sign and "0x" allowed; -1 when
// they are no such number.
int HexNumber(const QString &text, qsizetype at, int count)
{
    if (at + count > text.size())
        return -1;
    bool ok = false;
    const uint value = QStringView(text).sliced(at, count).toUInt(&ok, 16);
    return ok ? int(value) : -1;
}

// A key or section name as QSettings unescapes it: the blanks around it
// dropped, then decoded from UTF-8 (where a byte order mark before it is
// dropped too), then "%XX" and "%UXXXX" made the characters they code and a
// backslash a slash.
QString Unescaped(QByteArrayView raw)
{
    const QString text = QString::fromUtf8(raw.trimmed());
    QString name;
    name.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        int code = -1;
        if (c == u'%' && i + 1 < text.size() && text[i + 1] == u'U' && (code = HexNumber(text, i + 2, 4)) >= 0)
            i += 5;
        else if (c == u'%' && (code = HexNumber(text, i + 1, 2)) >= 0)
            i += 2;
        name += code >= 0 ? QChar(char16_t(code)) : c == u'\\' ? u'/' : c;
    }
    return name;
}

// The section header's name as written: up to the first ']', blanks around
// it dropped.
QByteArrayView SectionName(QByteArrayView header)
{
    const qsizetype close = header.indexOf(']');
    return (close < 0 ? header : header.first(close)).trimmed();
}

} // namespace

qsizetype IniLineEndLength(QByteArrayView ini, qsizetype at)
{
    if (at >= ini.size())
        return 0;
    return ini[at] == '\r' && at + 1 < ini.size() && ini[at + 1] == '\n' ? 2 : 1;
}

void ForEachIniLine(QByteArrayView ini, const std::function<void(const IniLine &)> &visit)
{
    bool root = true;
    qsizetype at = 0;
    const qsizetype size = ini.size();
    while (true) {
        while (at < size && (ini[at] == ' ' || ini[at] == '\t' || IsLineEnd(ini[at])))
            ++at;
        if (at >= size)
            break;
        IniLine line;
        line.begin = at;
        qsizetype comment = -1;
        bool quoted = false;
        while (at < size) {
            // Most bytes mean nothing to the line's end.
            while (at < size && !kSpecial[static_cast<unsigned char>(ini[at])])
                ++at;
            if (at == size)
                break;
            const char c = ini[at];
            if (c == '\\') {
                // Escapes the next byte; before a line end it joins the next
                // line, a "\r\n" or "\n\r" pair counted as one line end.
                // At the file's end it would join whatever came after it.
                if (++at == size) {
                    line.open = true;
                    break;
                }
                const bool joins = IsLineEnd(ini[at]);
                if (joins && at + 1 < size && IsLineEnd(ini[at + 1]) && ini[at + 1] != ini[at])
                    ++at;
                ++at;
                if (joins && at == size)
                    line.open = true;
                continue;
            }
            if (c == '"') {
                quoted = !quoted;
            } else if (!quoted) {
                if (IsLineEnd(c))
                    break;
                if (c == ';') {
                    comment = at;
                    while (at < size && !IsLineEnd(ini[at]))
                        ++at;
                    break;
                }
                if (c == '=' && line.equals < 0)
                    line.equals = at;
            }
            ++at;
        }
        line.end = at;
        line.open = line.open || quoted;
        line.textEnd = comment < 0 ? at : comment;
        while (line.textEnd > line.begin && (ini[line.textEnd - 1] == ' ' || ini[line.textEnd - 1] == '\t'))
            --line.textEnd;
        QByteArrayView text = ini.sliced(line.begin, line.textEnd - line.begin);
        // A byte order mark begins the file's first line; a section header
        // may follow it after blanks, a key keeps them.
        if (line.begin == 0 && text.startsWith(kByteOrderMark)) {
            const QByteArrayView header = text.sliced(kByteOrderMark.size());
            const qsizetype bracket = header.indexOf('[');
            if (bracket >= 0 && header.first(bracket).count(' ') + header.first(bracket).count('\t') == bracket)
                text = header.sliced(bracket);
        }
        if (text.startsWith('[')) {
            const QByteArrayView name = SectionName(text.sliced(1));
            line.kind = IniLine::Kind::Section;
            line.nameBegin = name.data() - ini.data();
            line.nameEnd = line.nameBegin + name.size();
            // "[General]" in any case opens the root group.
            root = name.compare("General", Qt::CaseInsensitive) == 0;
            line.equals = -1;
        } else if (line.equals >= 0 && line.equals < line.textEnd) {
            line.kind = IniLine::Kind::Entry;
            line.nameBegin = line.begin;
            line.nameEnd = line.equals;
        } else {
            line.equals = -1;
        }
        line.root = root;
        visit(line);
    }
}

QString IniName(QByteArrayView ini, const IniLine &line)
{
    const QByteArrayView name = ini.sliced(line.nameBegin, line.nameEnd - line.nameBegin);
    // How QSettings writes a group of its own named "General".
    if (line.kind == IniLine::Kind::Section && name.compare("%General", Qt::CaseInsensitive) == 0)
        return QString::fromLatin1(name.sliced(1));
    return Unescaped(name);
}
