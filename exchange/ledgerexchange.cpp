#include "exchange/ledgerexchange.h"

#include "db/changelog.h"
#include "db/dbmanager.h"
#include "db/numbertext.h"
#include "db/storedbaccess.h"
#include "db/transactionguard.h"
#include "exchange/excelengine.h"
#include "ledger/ledgerkinds.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>

namespace LedgerExchange {
namespace {

// What travels in each column of a page kind, beyond plain text.
struct RowLayout
{
    int kind;
    LedgerKinds::Group group;
    int fieldCount;
    int dateField;             // "K" in the exported date goes back to "-"
    QVector<int> numberFields; // quantities, prices and amounts
};

const RowLayout kLayouts[] = {
    {GoodsPage, LedgerKinds::Group::Goods, GoodsRecord::TextCount, 7, {9, 10, 11, 12, 13}},
    {FinancePage, LedgerKinds::Group::Finance, FinanceRecord::TextCount, 3, {2}},
};

const RowLayout *LayoutOf(int kind)
{
    for (const RowLayout &l : kLayouts) {
        if (l.kind == kind)
            return &l;
    }
    return nullptr;
}

const QString kSerialFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss:zzz");

// The fields of one row, checked and completed; Ok leaves them in fields.
RowVerdict PrepareFields(const RowLayout &layout, SerialClock &clock, QStringList *fields)
{
    if (fields->size() < layout.fieldCount)
        return RowVerdict::TooFewFields;
    for (int i : layout.numberFields) {
        const QString &value = fields->at(i);
        if (!value.trimmed().isEmpty() && !NumberText::IsNumber(value))
            return RowVerdict::NotANumber;
    }
    (*fields)[layout.dateField].replace(QLatin1Char('K'), QLatin1Char('-'));
    if (fields->at(0).isEmpty())
        (*fields)[0] = clock.Next();
    return RowVerdict::Ok;
}

template <typename Record>
RowVerdict RecordFromFields(int kind, QStringList fields, int tabType, SerialClock &clock, Record *record)
{
    const RowVerdict verdict = PrepareFields(*LayoutOf(kind), clock, &fields);
    if (verdict != RowVerdict::Ok)
        return verdict;
    record->tabType = tabType;
    for (int i = 0; i < Record::TextCount; ++i)
        record->setText(i, fields.at(i));
    return verdict;
}

bool IsBlankRow(const QStringList &cells)
{
    for (const QString &text : cells) {
        if (!text.trimmed().isEmpty())
            return false;
    }
    return true;
}

QString NameForUser(const QString &fileName)
{
    return fileName.isEmpty() ? fileName : QFileInfo(fileName).fileName();
}

} // namespace

int FieldCount(int kind)
{
    const RowLayout *layout = LayoutOf(kind);
    return layout ? layout->fieldCount : 0;
}

int TabTypeOf(int kind, const QString &tableName)
{
    const RowLayout *layout = LayoutOf(kind);
    if (!layout || tableName.isEmpty())
        return -1;
    for (const LedgerKinds::PageKind &page : LedgerKinds::Pages()) {
        if (page.group == layout->group && page.IsStored()
            && tableName.contains(page.tableName, Qt::CaseSensitive))
            return page.kind;
    }
    return -1;
}

QStringList SplitRow(const QString &text)
{
    QStringList fields = text.split(QLatin1Char('+'), Qt::KeepEmptyParts);
    for (QString &field : fields)
        field.replace(QStringLiteral("^^"), QStringLiteral("+"));
    return fields;
}

SerialClock::SerialClock(const QDateTime &start) : m_next(start) {}

QString SerialClock::Next()
{
    const QDateTime now = QDateTime::currentDateTime();
    if (now > m_next)
        m_next = now;
    const QString serial = m_next.toString(kSerialFormat);
    m_next = m_next.addMSecs(1);
    return serial;
}

RowVerdict GoodsFromRow(const QString &text, int tabType, SerialClock &clock, GoodsRecord *record)
{
    return RecordFromFields(GoodsPage, SplitRow(text), tabType, clock, record);
}

RowVerdict FinanceFromRow(const QString &text, int tabType, SerialClock &clock, FinanceRecord *record)
{
    return RecordFromFields(FinancePage, SplitRow(text), tabType, clock, record);
}

ImportResult ImportRowsToStore(int kind, const QStringList &rows, const QString &tableName)
{
    QVector<QStringList> cells;
    cells.reserve(rows.size());
    for (const QString &row : rows)
        cells.append(SplitRow(row));
    return ImportCellsToStore(kind, cells, tableName);
}

namespace {

// The checked rows of one kind, saved in one call with the import's own
// serials marked, so the store needs no look-up for them.
template <typename Record>
struct Batch
{
    QList<Record> records;
    QVector<bool> fresh;
    QVector<int> sheetRows; // the row of the sheet each record came from
};

template <typename Record>
RowVerdict Collect(int kind, const QStringList &cells, int tabType, SerialClock &clock, int sheetRow,
                   Batch<Record> *batch)
{
    Record record;
    const RowVerdict verdict = RecordFromFields(kind, cells, tabType, clock, &record);
    if (verdict == RowVerdict::Ok) {
        batch->fresh.append(cells.value(0).isEmpty());
        batch->records.append(record);
        batch->sheetRows.append(sheetRow);
    }
    return verdict;
}

} // namespace

ImportResult ImportCellsToStore(int kind, const QVector<QStringList> &rows, const QString &tableName,
                                const QStringList &problems)
{
    ImportResult result;
    result.read = true;
    const int tabType = TabTypeOf(kind, tableName);
    if (tabType < 0) {
        result.error = QStringLiteral("“%1”不是可以导入的账页").arg(tableName);
        return result;
    }

    SerialClock clock;
    Batch<GoodsRecord> goods;
    Batch<FinanceRecord> finance;
    for (int i = 0; i < rows.size(); ++i) {
        const QString problem = problems.value(i);
        if (!problem.isEmpty()) {
            if (result.unreadable++ == 0)
                result.unreadableReason = QStringLiteral("第%1行：%2").arg(i + 1).arg(problem);
            continue;
        }
        if (IsBlankRow(rows.at(i))) {
            ++result.blankRows;
            continue;
        }
        const RowVerdict verdict = kind == GoodsPage ? Collect(kind, rows.at(i), tabType, clock, i, &goods)
                                                     : Collect(kind, rows.at(i), tabType, clock, i, &finance);
        if (verdict == RowVerdict::TooFewFields)
            ++result.tooFewFields;
        else if (verdict == RowVerdict::NotANumber)
            ++result.notNumbers;
    }
    const int count = kind == GoodsPage ? goods.records.size() : finance.records.size();
    if (count == 0) {
        // Nothing to write; the counts tell why.
        result.stored = true;
        return result;
    }

    StoreDbAccess *store = StoreDbAccess::Instance();
    // One transaction for the file: it goes in whole or not at all.
    TransactionGuard guard(DbManager::Instance()->Connection());
    if (!guard.IsActive()) {
        result.error =
            QStringLiteral("无法开始事务: %1").arg(DbManager::Instance()->Connection().lastError().text());
        return result;
    }
    int failedAt = -1;
    // The change log records the import with its row count, in the same transaction.
    ChangeEntry imported;
    imported.page = tableName;
    imported.action = QStringLiteral("import");
    imported.rows = count;
    const Result saved = ChangeLog::Record(
        [&] {
            return kind == GoodsPage ? store->SaveImportedGoods(goods.records, goods.fresh, &failedAt)
                                     : store->SaveImportedFinance(finance.records, finance.fresh, &failedAt);
        },
        {imported});
    if (!saved) {
        const QVector<int> &sheetRows = kind == GoodsPage ? goods.sheetRows : finance.sheetRows;
        result.error = failedAt >= 0
            ? QStringLiteral("第%1行无法保存: %2").arg(sheetRows.value(failedAt) + 1).arg(saved.error())
            : saved.error();
        return result;
    }
    if (!guard.Commit()) {
        result.error =
            QStringLiteral("无法提交: %1").arg(DbManager::Instance()->Connection().lastError().text());
        return result;
    }
    result.imported = count;
    result.stored = true;
    return result;
}

ImportResult ReadAndStore(int kind, const QString &fileName, QStringList *rows, const QString &tableName)
{
    ImportResult result;
    result.fileName = fileName;
    if (rows)
        rows->clear();
    QVector<QStringList> cells;
    QStringList problems;
    {
        ExcelEngine engine(fileName);
        Result read = engine.Open(1, false);
        if (read)
            read = engine.ReadRows(&cells, &problems);
        if (!read) {
            result.error = read.error();
            return result;
        }
        (void)engine.Close(); // nothing was changed: closing writes nothing
    }
    // The row texts as the page keeps them; the store gets the cells as they
    // are, so a cell holding "^^" is not turned into "+".
    if (rows) {
        for (QStringList row : qAsConst(cells)) {
            for (QString &text : row)
                text.replace(QLatin1Char('+'), QLatin1String("^^"));
            rows->append(row.join(QLatin1Char('+')));
        }
    }
    result = ImportCellsToStore(kind, cells, tableName, problems);
    result.fileName = fileName;
    return result;
}

QString ImportStatusText(const ImportResult &result)
{
    const QString name = NameForUser(result.fileName);
    if (!result.read)
        return QStringLiteral("导入失败: 无法读取工作簿 %1 (%2)，没有导入任何记录").arg(name, result.error);
    if (!result.stored)
        return QStringLiteral("导入失败: %1 %2，没有导入任何记录").arg(name, result.error).simplified();
    QString counts;
    if (result.tooFewFields > 0)
        counts += QStringLiteral("，%1行字段不足未导入").arg(result.tooFewFields);
    if (result.notNumbers > 0)
        counts += QStringLiteral("，%1行数量或金额不是数字未导入").arg(result.notNumbers);
    if (result.unreadable > 0)
        counts += QStringLiteral("，%1行有无法读取的单元格未导入（%2）")
                      .arg(result.unreadable)
                      .arg(result.unreadableReason);
    if (result.blankRows > 0)
        counts += QStringLiteral("，跳过%1个空行").arg(result.blankRows);
    if (result.imported == 0 && result.Refused() > 0)
        return QStringLiteral("导入失败: %1 的数据行都没有导入 (%2)").arg(name, counts.mid(1));
    if (result.imported == 0)
        return (name.isEmpty() ? QString() : QStringLiteral("工作簿 %1 中").arg(name))
            + QStringLiteral("没有数据行，没有导入任何记录");
    return QStringLiteral("导入数据完成,请通过查询查看记录 (导入%1行").arg(result.imported) + counts
        + QLatin1Char(')');
}

QString ExportStatusText(const ExportResult &result)
{
    if (!result.ok)
        return QStringLiteral("导出失败: 无法写入工作簿 %1 (%2)").arg(result.fileName, result.error);
    // The folder the file went to: TabDateSave beside the program, the
    // documents folder for an installed one, or wherever the user chose.
    const QFileInfo file(result.fileName);
    const QString folder = file.absoluteDir().dirName() == QLatin1String("TabDateSave")
        ? QStringLiteral("TabDateSave")
        : QDir::toNativeSeparators(file.absolutePath());
    QString text = QStringLiteral("导出数据完成,请进入相应%1目录查看 (%2行，%3")
                       .arg(folder)
                       .arg(result.rows)
                       .arg(result.fileName);
    if (result.formulasAsValues > 0)
        text += QStringLiteral("；原工作簿中的%1个公式已改为其计算结果").arg(result.formulasAsValues);
    return text + QLatin1Char(')');
}

ExportResult WriteLedgerRows(const QStringList &header, const QVector<QStringList> &rows,
                             const QString &fileName)
{
    ExportResult result;
    result.fileName = fileName;
    result.rows = rows.size();
    ExcelEngine engine(EngineFileName(fileName));
    // The user chose this file: one that cannot be read as a workbook is replaced.
    Result written = engine.OpenReplacing(1);
    if (written)
        written = engine.WriteRows(header, rows);
    if (!written) {
        result.error = written.error();
        return result;
    }
    result.formulasAsValues = engine.FormulasAsValues();
    const Result closed = engine.Close();
    result.ok = closed.ok();
    result.error = closed.error();
    return result;
}

namespace {

template <typename List>
QVector<QStringList> CellsOf(const List &records, int dateColumn)
{
    using Record = typename List::value_type;
    QVector<QStringList> rows;
    rows.reserve(records.size());
    for (const Record &r : records) {
        QStringList cells = RecordTexts(r);
        const QDate date = QDate::fromString(cells.at(dateColumn), QStringLiteral("yyyy-MM-dd"));
        if (date.isValid())
            cells[dateColumn] = date.toString(QStringLiteral("yyyyKMMKdd"));
        rows.append(cells);
    }
    return rows;
}

} // namespace

QVector<QStringList> LedgerCells(const GoodsList &records)
{
    return CellsOf(records, LayoutOf(GoodsPage)->dateField);
}

QVector<QStringList> LedgerCells(const FinanceList &records)
{
    return CellsOf(records, LayoutOf(FinancePage)->dateField);
}

ExportResult ExportStoredPage(const QString &tableName, int dateMode, const QString &from, const QString &to,
                              const QString &fileName)
{
    ExportResult result;
    result.fileName = fileName;
    const LedgerKinds::PageKind *page = LedgerKinds::FindByTable(tableName);
    if (!page || !page->IsStored() || page->group == LedgerKinds::Group::Sales) {
        result.error = QStringLiteral("“%1”不是存储的账页").arg(tableName);
        return result;
    }
    StoreDbAccess *store = StoreDbAccess::Instance();
    QVector<QStringList> rows;
    Result read = Result::Ok();
    if (page->group == LedgerKinds::Group::Goods) {
        GoodsList records;
        read = store->QueryGoods(dateMode, page->kind, from, to, records);
        rows = LedgerCells(records);
    } else {
        FinanceList records;
        read = store->QueryFinance(dateMode, page->kind, from, to, records);
        rows = LedgerCells(records);
    }
    if (!read) {
        result.error = QStringLiteral("读取数据库失败: %1").arg(read.error());
        return result;
    }
    return WriteLedgerRows(page->columnTitles, rows, fileName);
}

bool StoredPageRows(const QString &tableName, int dateMode, const QString &from, const QString &to,
                    QVector<QStringList> *rows, QString *error)
{
    const LedgerKinds::PageKind *page = LedgerKinds::FindByTable(tableName);
    if (!page || !page->IsStored() || page->group == LedgerKinds::Group::Sales) {
        *error = QStringLiteral("“%1”不是存储的账页").arg(tableName);
        return false;
    }
    StoreDbAccess *store = StoreDbAccess::Instance();
    auto texts = [rows](const auto &records) {
        for (const auto &r : records) {
            QStringList cells;
            for (int i = 0; i < r.TextCount; ++i)
                cells << r.text(i);
            rows->append(cells);
        }
    };
    Result read = Result::Ok();
    if (page->group == LedgerKinds::Group::Goods) {
        GoodsList records;
        read = store->QueryGoods(dateMode, page->kind, from, to, records);
        texts(records);
    } else {
        FinanceList records;
        read = store->QueryFinance(dateMode, page->kind, from, to, records);
        texts(records);
    }
    if (!read)
        *error = QStringLiteral("读取数据库失败: %1").arg(read.error());
    return read.ok();
}

QString PageTitle(const QString &tableName)
{
    const LedgerKinds::PageKind *page = LedgerKinds::FindByTable(tableName);
    if (page && !page->titleText.isEmpty())
        return page->titleText;
    if (page && page->group == LedgerKinds::Group::Sales)
        return QStringLiteral("销售统计");
    return tableName;
}

QString WithWorkbookExtension(const QString &chosen, const QString &selectedFilter)
{
    const QString suffix = QFileInfo(chosen).suffix().toLower();
    if (chosen.isEmpty() || suffix == QLatin1String("xls") || suffix == QLatin1String("xlsx"))
        return chosen;
    const QString extension = selectedFilter.contains(QLatin1String(".xlsx"), Qt::CaseInsensitive)
        ? QStringLiteral("xlsx")
        : QStringLiteral("xls");
    return chosen.endsWith(QLatin1Char('.')) ? chosen + extension : chosen + QLatin1Char('.') + extension;
}

QString EngineFileName(const QString &chosen)
{
    QString name = chosen;
    return name.replace(QLatin1Char('/'), QLatin1Char('\\'));
}

} // namespace LedgerExchange
