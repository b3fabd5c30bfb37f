// Export of a 10,000-row goods page and its import into the store, in both
// workbook formats, against the workbook engine writing or reading the same
// rows alone (what the page and the store add on top of the file work); and
// the import against a short Python script doing the same with Debian's xlrd
// or openpyxl and sqlite3 in one transaction (bench/import_baseline.py),
// measured in the same run.
#include "benchsupport.h"

#include "exchange/excelengine.h"
#include "exchange/ledgerexchange_window.h"
#include "ledger/ledgerkinds.h"
#include "ledger/ledgermodel.h"

#include <QApplication>
#include <QFile>
#include <QProcess>

namespace {

// The script's own figure (it leaves out the interpreter's start); < 0 when it failed.
// The script is found through QUILLON_SOURCE_DIR, else beside a build folder in the tree.
double ScriptMs(const QString &workbook, const QString &database)
{
    QFile::remove(database);
    const QString source = qEnvironmentVariableIsEmpty("QUILLON_SOURCE_DIR")
        ? QCoreApplication::applicationDirPath() + QStringLiteral("/../..")
        : qEnvironmentVariable("QUILLON_SOURCE_DIR");
    QProcess script;
    script.start(QStringLiteral("/usr/bin/python3"),
                 {source + QStringLiteral("/bench/import_baseline.py"), workbook, database});
    if (!script.waitForFinished(300000) || script.exitCode() != 0) {
        std::printf("baseline script failed: %s\n", script.readAllStandardError().constData());
        return -1;
    }
    return script.readAllStandardOutput().trimmed().toDouble();
}

} // namespace

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
        // Both sides best of three, each into a store without the rows.
        double program = 1e300, script = 1e300;
        for (int round = 0; round < 3; ++round) {
            ok = db.store()->DeleteGoodsKind(GoodsKind::PurchaseIn) && ok;
            program = qMin(program,
                           Bench::BestMs(
                               [&] {
                                   ok = LedgerExchange::ReadAndStore(LedgerExchange::GoodsPage, path, nullptr,
                                                                     page->tableName)
                                               .imported
                                           == count
                                       && ok;
                               },
                               1));
            const double ms = ScriptMs(path, db.dir.filePath(QStringLiteral("baseline.sqlite")));
            ok = ms > 0 && ok;
            script = qMin(script, ms);
        }
        Bench::Case(
            QStringLiteral("import 10k goods rows, %1 (baseline: %2 + sqlite3, one transaction)")
                .arg(suffix,
                     suffix == QLatin1String("xls") ? QStringLiteral("xlrd") : QStringLiteral("openpyxl")),
            program, script);
        if (!ok || !db.store()->DeleteGoodsKind(0))
            std::printf("%s: export or import failed\n", qPrintable(suffix));
    }
    return 0;
}
