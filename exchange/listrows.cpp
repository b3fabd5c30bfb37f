#include "exchange/listrows.h"

#include "db/listcodec.h"
#include "exchange/excelengine.h"
#include "exchange/ledgerexchange.h"

namespace ListRows {

ListPage Find(const QString &name)
{
    const struct
    {
        int kind;
        const QVector<ListTableDef> &defs;
    } groups[] = {
        {InfoStore::MasterData, ListTables::MasterData()},
        {InfoStore::People, ListTables::People()},
    };
    for (const auto &g : groups) {
        for (const ListTableDef &def : g.defs) {
            if (def.tableName == name || def.tabTitle == name)
                return {g.kind, &def};
        }
    }
    return {};
}

QStringList Names()
{
    QStringList names;
    for (const auto *defs : {&ListTables::MasterData(), &ListTables::People()}) {
        for (const ListTableDef &def : *defs)
            names << QStringLiteral("%1 (%2)").arg(def.tableName, def.tabTitle);
    }
    return names;
}

QStringList Header(const ListTableDef &def)
{
    return QStringList(ListTables::RowNumberTitle()) << def.columns;
}

QVector<QStringList> FromText(const QString &text, const ListTableDef &def)
{
    QVector<QStringList> rows;
    const QList<QStringList> parts = ListCodec::Decode(text);
    for (int i = 0; i < parts.size(); ++i) {
        if (parts.at(i).size() != def.columns.size())
            continue;
        // The table's rows in between stay without items: empty cells.
        while (rows.size() < i)
            rows.append(QVector<QString>(def.columns.size() + 1).toList());
        rows.append(QStringList(QString::number(i + 1)) << parts.at(i));
    }
    return rows;
}

InfoList ToList(int infoType, const QVector<QStringList> &rows)
{
    QList<QStringList> fields;
    for (const QStringList &row : rows)
        fields << row.mid(1);
    InfoList list;
    list.infoType = infoType;
    list.list = ListCodec::Encode(fields);
    return list;
}

Merge PutOnTop(const QVector<QStringList> &sheetRows, int columns, const QVector<QStringList> &tableRows)
{
    Merge merge;
    for (const QStringList &cells : sheetRows) {
        if (cells.isEmpty())
            continue; // a blank row
        // Only the columns the table has are looked at and kept.
        QStringList kept = cells.mid(0, columns);
        bool storable = true;
        for (int c = 1; c < kept.size(); ++c)
            storable = storable && ListCodec::IsStorable(kept.at(c));
        if (!storable) {
            ++merge.refused;
            continue;
        }
        while (kept.size() < columns)
            kept << QString();
        merge.rows.append(kept);
    }
    merge.inserted = merge.rows.size();
    merge.rows += tableRows;
    return merge;
}

bool ReadSheet(const QString &fileName, QVector<QStringList> *rows, QString *error)
{
    ExcelEngine engine(fileName);
    Result read = engine.Open(1, false);
    if (read)
        read = engine.ReadRows(rows);
    if (read)
        read = engine.Close(); // nothing was changed: closing writes nothing
    if (!read && error)
        *error = read.error();
    return read.ok();
}

bool WriteSheet(const QStringList &header, const QVector<QStringList> &rows, const QString &fileName,
                QString *error)
{
    ExcelEngine engine(LedgerExchange::EngineFileName(fileName));
    Result written = engine.OpenReplacing(1);
    if (written)
        written = engine.WriteRows(header, rows);
    if (written)
        written = engine.Close();
    if (!written && error)
        *error = written.error();
    return written.ok();
}

} // namespace ListRows
