#include "db/listcodec.h"

namespace ListCodec {

QString EncodeField(const QString &field)
{
    QString out = field;
    out.replace(QLatin1String("-"), QLatin1String("##"));
    out.replace(QLatin1String("."), QLatin1String("&&"));
    return out;
}

QString DecodeField(const QString &field)
{
    QString out = field;
    out.replace(QLatin1String("##"), QLatin1String("-"));
    out.replace(QLatin1String("&&"), QLatin1String("."));
    return out;
}

QString Encode(const QList<QStringList> &rows)
{
    QStringList lines;
    lines.reserve(rows.size());
    for (const QStringList &row : rows) {
        QStringList fields;
        fields.reserve(row.size());
        for (const QString &field : row)
            fields << EncodeField(field);
        lines << fields.join(QLatin1Char('-'));
    }
    return lines.join(QLatin1Char(';'));
}

QList<QStringList> Decode(const QString &text)
{
    QList<QStringList> rows;
    // An empty text is a list without rows, not one blank row: a new list
    // shows no row "1" and offers no empty choice.
    if (text.isEmpty())
        return rows;
    const QStringList lines = text.split(QLatin1Char(';'), Qt::KeepEmptyParts);
    rows.reserve(lines.size());
    for (const QString &line : lines) {
        QStringList fields = line.split(QLatin1Char('-'), Qt::KeepEmptyParts);
        for (QString &field : fields)
            field = DecodeField(field);
        rows << fields;
    }
    return rows;
}

QStringList ColumnValues(const QString &text, int position)
{
    QStringList values;
    if (position < 0 || text.isEmpty())
        return values;
    const QStringList lines = text.split(QLatin1Char(';'), Qt::KeepEmptyParts);
    for (const QString &line : lines) {
        const QStringList fields = line.split(QLatin1Char('-'), Qt::KeepEmptyParts);
        if (fields.size() > position)
            values << DecodeField(fields.at(position));
    }
    return values;
}

} // namespace ListCodec
