#include "db/backupscript.h"

#include "db/numbertext.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QVariant>

namespace BackupScript {

namespace {

QString Quoted(const QString &text)
{
    QString doubled = text;
    doubled.replace(QLatin1String("'"), QLatin1String("''"));
    // Every statement stays on one line, so a damaged line cannot take the
    // lines after it along: line breaks go into an escaped E'' text.
    if (!doubled.contains(QLatin1Char('\n')) && !doubled.contains(QLatin1Char('\r')))
        return QLatin1Char('\'') + doubled + QLatin1Char('\'');
    doubled.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    doubled.replace(QLatin1String("\n"), QLatin1String("\\n"));
    doubled.replace(QLatin1String("\r"), QLatin1String("\\r"));
    return QLatin1String("E'") + doubled + QLatin1Char('\'');
}

// The inside of an escaped E'' text: \n, \r and \\ only.
bool Unescape(const QString &raw, QString &out)
{
    out.clear();
    for (int i = 0; i < raw.size(); ++i) {
        const QChar c = raw.at(i);
        if (c != QLatin1Char('\\')) {
            out += c;
            continue;
        }
        if (++i >= raw.size())
            return false;
        const QChar e = raw.at(i);
        if (e == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else if (e == QLatin1Char('r'))
            out += QLatin1Char('\r');
        else if (e == QLatin1Char('\\'))
            out += e;
        else
            return false;
    }
    return true;
}

class Scanner
{
public:
    explicit Scanner(const QString &text) : m_s(text) {}

    void SkipBlanks()
    {
        while (m_i < m_s.size() && m_s.at(m_i).isSpace())
            ++m_i;
    }
    bool AtEnd() const { return m_i >= m_s.size(); }
    bool Char(QChar c)
    {
        SkipBlanks();
        if (m_i < m_s.size() && m_s.at(m_i) == c) {
            ++m_i;
            return true;
        }
        return false;
    }
    // A keyword must not run on into an identifier.
    bool Keyword(const char *word)
    {
        SkipBlanks();
        const QLatin1String w(word);
        if (m_s.midRef(m_i, w.size()).compare(w, Qt::CaseInsensitive) != 0)
            return false;
        const int end = m_i + w.size();
        if (end < m_s.size() && (m_s.at(end).isLetterOrNumber() || m_s.at(end) == QLatin1Char('_')))
            return false;
        m_i = end;
        return true;
    }
    bool Identifier(QString &out)
    {
        SkipBlanks();
        const int start = m_i;
        while (m_i < m_s.size()) {
            const QChar c = m_s.at(m_i);
            const bool ascii = c.unicode() < 128;
            if (!ascii || !(c.isLetterOrNumber() || c == QLatin1Char('_')))
                break;
            ++m_i;
        }
        if (m_i == start || m_s.at(start).isDigit())
            return false;
        out = m_s.mid(start, m_i - start);
        return true;
    }
    // Whether the text ended inside a quoted text: more lines could close it.
    bool RanOutInQuote() const { return m_openQuote; }
    // '...' with '' standing for one quote; the opening quote is at m_i.
    bool QuotedText(QString &out)
    {
        if (m_i >= m_s.size() || m_s.at(m_i) != QLatin1Char('\''))
            return false;
        ++m_i;
        out.clear();
        while (m_i < m_s.size()) {
            const QChar c = m_s.at(m_i++);
            if (c != QLatin1Char('\'')) {
                out += c;
                continue;
            }
            if (m_i < m_s.size() && m_s.at(m_i) == QLatin1Char('\'')) {
                out += c;
                ++m_i;
                continue;
            }
            return true;
        }
        m_openQuote = true;
        return false;
    }
    bool ParseValue(Value &v)
    {
        SkipBlanks();
        if (m_i >= m_s.size())
            return false;
        const QChar c = m_s.at(m_i);
        if (c == QLatin1Char('\'')) {
            v.kind = Value::Text;
            return QuotedText(v.text);
        }
        if (c == QLatin1Char('E') && m_i + 1 < m_s.size() && m_s.at(m_i + 1) == QLatin1Char('\'')) {
            ++m_i;
            QString hex;
            if (!QuotedText(hex))
                return false;
            // A backslash only appears in an escaped text; bytes are plain hex.
            if (hex.contains(QLatin1Char('\\'))) {
                v.kind = Value::Text;
                return Unescape(hex, v.text);
            }
            if (hex.size() % 2 != 0)
                return false;
            for (const QChar h : hex)
                if (!((h >= QLatin1Char('0') && h <= QLatin1Char('9'))
                      || (h >= QLatin1Char('a') && h <= QLatin1Char('f'))))
                    return false;
            v.kind = Value::Bytes;
            v.bytes = QByteArray::fromHex(hex.toLatin1());
            return true;
        }
        if (Keyword("null")) {
            v.kind = Value::Null;
            return true;
        }
        // A bare number: -?digits(.digits)?
        const int start = m_i;
        if (m_s.at(m_i) == QLatin1Char('-'))
            ++m_i;
        const int digits = m_i;
        while (m_i < m_s.size() && m_s.at(m_i).unicode() >= '0' && m_s.at(m_i).unicode() <= '9')
            ++m_i;
        if (m_i == digits)
            return false;
        if (m_i < m_s.size() && m_s.at(m_i) == QLatin1Char('.')) {
            const int fraction = ++m_i;
            while (m_i < m_s.size() && m_s.at(m_i).unicode() >= '0' && m_s.at(m_i).unicode() <= '9')
                ++m_i;
            if (m_i == fraction)
                return false;
        }
        v.kind = Value::Number;
        v.text = m_s.mid(start, m_i - start);
        return true;
    }

private:
    const QString &m_s;
    int m_i = 0;
    bool m_openQuote = false;
};

} // namespace

QString FormatValue(const QSqlField &field)
{
    const QVariant value = field.value();
    switch (field.type()) {
    case QVariant::ByteArray:
        return value.isNull() ? QStringLiteral("null")
                              : QStringLiteral("E'%1'").arg(QString::fromLatin1(value.toByteArray().toHex()));
    case QVariant::Int:
    case QVariant::UInt:
    case QVariant::LongLong:
    case QVariant::ULongLong:
    case QVariant::Bool: {
        if (value.isNull())
            return QStringLiteral("null");
        bool ok = false;
        const qlonglong n = value.toLongLong(&ok);
        // SQLite keeps whatever was stored; a text in an int column stays a text.
        return ok ? QString::number(n) : Quoted(value.toString());
    }
    case QVariant::Double:
        return value.isNull() ? QStringLiteral("null") : NumberText::ToText(value.toDouble());
    default: return Quoted(value.toString());
    }
}

QString InsertLine(const QString &table, const QStringList &columns, const QStringList &values)
{
    return QStringLiteral("insert into %1(%2) values(%3);")
        .arg(table, columns.join(QLatin1Char(',')), values.join(QLatin1Char(',')));
}

namespace {

bool Parse(const QString &line, Insert &out, bool *openQuote)
{
    Scanner s(line);
    const auto openAtEnd = qScopeGuard([&] {
        if (openQuote)
            *openQuote = s.RanOutInQuote();
    });
    Insert result;
    if (!s.Keyword("insert") || !s.Keyword("into") || !s.Identifier(result.table)
        || !s.Char(QLatin1Char('(')))
        return false;
    do {
        QString column;
        if (!s.Identifier(column))
            return false;
        result.columns << column;
    } while (s.Char(QLatin1Char(',')));
    if (!s.Char(QLatin1Char(')')) || !s.Keyword("values") || !s.Char(QLatin1Char('(')))
        return false;
    do {
        Value v;
        if (!s.ParseValue(v))
            return false;
        result.values << v;
    } while (s.Char(QLatin1Char(',')));
    if (!s.Char(QLatin1Char(')')) || !s.Char(QLatin1Char(';')))
        return false;
    s.SkipBlanks();
    if (!s.AtEnd())
        return false;
    out = result;
    return true;
}

} // namespace

bool ParseInsert(const QString &line, Insert &out) { return Parse(line, out, nullptr); }

QString DefaultFolder() { return QDir::currentPath() + QStringLiteral("/DbDateSave"); }

QString FileName(const QDateTime &when)
{
    return QStringLiteral("record%1.sql").arg(when.toString(QStringLiteral("_yyyyMMdd_hhmmss_zzz")));
}

QString FreePath(const QString &folder, const QDateTime &when, const QString &suffix)
{
    const QDir dir(folder);
    const QString stem =
        QStringLiteral("record%1").arg(when.toString(QStringLiteral("_yyyyMMdd_hhmmss_zzz")));
    QString path = dir.filePath(stem + suffix);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(QStringLiteral("%1_%2%3").arg(stem).arg(n).arg(suffix));
    return path;
}

QList<ScriptLine> Statements(const QString &script)
{
    // Bounded as well, so one stray quote cannot take a whole file along.
    const int kMaxJoinedLines = 1000;
    QStringList lines = script.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    const auto chopped = [](QString text) {
        if (text.endsWith(QLatin1Char('\r')))
            text.chop(1);
        return text;
    };
    Insert scratch;
    QList<ScriptLine> out;
    for (int i = 0; i < lines.size(); ++i) {
        const int first = i;
        QString text = lines.at(i);
        bool open = false;
        // Older backups wrote line breaks inside texts as they were. Such a
        // line ends inside a quote; it takes the following lines only while
        // the quote stays open and none of them is an insert itself, and keeps
        // them when together they make one insert. A line without a quote
        // leaves the quote open, so it needs no new look: each line is read a
        // bounded number of times and the reading stays linear.
        if (!Parse(chopped(text), scratch, &open) && open) {
            QString joined = text;
            for (int j = i + 1; open && j < lines.size() && j <= i + kMaxJoinedLines; ++j) {
                const QString &next = lines.at(j);
                if (ParseInsert(chopped(next), scratch))
                    break;
                joined += QLatin1Char('\n') + next;
                if (!next.contains(QLatin1Char('\'')))
                    continue;
                if (Parse(chopped(joined), scratch, &open)) {
                    text = joined;
                    i = j;
                    break;
                }
            }
        }
        out << ScriptLine{first + 1, chopped(text)};
    }
    return out;
}

} // namespace BackupScript
