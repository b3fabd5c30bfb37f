// Export of a 10,000-row goods page and its import into the store, in both
// workbook formats, against the workbook engine writing or reading the same
// rows alone (what the page and the store add on top of the file work).
#include "benchsupport.h"

#include "exchange/excelengine.h"
#include "exchange/ledgerexchange_window.h"
#include "ledger/ledgerkinds.h"
#include "ledger/ledgermodel.h"

#include <QApplication>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TempStore db;
    if (!db.connected)
        return 1;
    const int count = 10000;
    const LedgerKinds::PageKind *page = LedgerKinds::Find(LedgerKinds::Group::Goods, GoodsKind::PurchaseIn);
    const GoodsList ledger = Bench::LedgerRows(count, 11u);
    LedgerModel table(*page);
    table.SetGoodsRows(ledger);
    QVector<QStringList> texts;
    for (int r = 0; r < count; ++r) {
        texts.append(QStringList());
        for (int c = 0; c < GoodsRecord::TextCount; ++c)
            texts.last() << table.Text(r, c);
    }
    for (const QString &suffix : {QStringLiteral("xls"), QStringLiteral("xlsx")}) {
        const QString path = db.dir.filePath(QStringLiteral("page.") + suffix);
        const QString plainPath = db.dir.filePath(QStringLiteral("plain.") + suffix);
        bool ok = true;
        const double exportMs = Bench::BestMs(
            [&] { ok = LedgerExchange::WriteLedger(LedgerExchange::GoodsPage, &table, path).ok && ok; }, 1);
        const double writeMs = Bench::BestMs(
            [&] {
                ExcelEngine engine(plainPath);
                ok = engine.Open(1, false) && engine.WriteRows(page->columnTitles, texts) && ok;
            },
            1);
        QStringList rows;
        const double importMs = Bench::BestMs(
            [&] {
                ok = LedgerExchange::ReadAndStore(LedgerExchange::GoodsPage, path, &rows, page->tableName)
                         .stored
                    && ok;
            },
            1);
        const double readMs = Bench::BestMs(
            [&] {
                ExcelEngine engine(path);
                ok = engine.Open(1, false) && engine.ReadRowsAsText(&rows) && ok;
            },
            1);
        Bench::Case(QStringLiteral("export 10k goods page, %1 (baseline: engine write alone)").arg(suffix),
                    exportMs, writeMs);
        Bench::Case(QStringLiteral("import 10k goods rows, %1 (baseline: engine read alone)").arg(suffix),
                    importMs, readMs);
        if (!ok || !db.store()->DeleteGoodsKind(0))
            std::printf("%s: export or import failed\n", qPrintable(suffix));
    }
    return 0;
}
