// Export of a 10,000-row goods page and its import into the store, in both
// workbook formats; the second import updates every row by its serial.
#include "db/dbmanager.h"
#include "db/storedbaccess.h"
#include "exchange/excelengine.h"
#include "exchange/ledgerexchange_window.h"
#include "ledger/ledgerkinds.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTableWidget>
#include <QTemporaryDir>

#include <cstdio>

namespace {

void FillPage(QTableWidget *table, int count)
{
    table->setRowCount(count);
    for (int r = 0; r < count; ++r) {
        const QStringList row{
            QStringLiteral("2024-05-01 10:%1:%2:%3").arg(r / 6000 % 60, 2, 10, QLatin1Char('0'))
                .arg(r / 100 % 60, 2, 10, QLatin1Char('0')).arg(r % 100, 3, 10, QLatin1Char('0')),
            QStringLiteral("服装"), QStringLiteral("商品%1").arg(r % 500), QStringLiteral("M%1").arg(r % 40),
            QStringLiteral("红色"), QStringLiteral("6900%1").arg(r), QStringLiteral("XL"),
            QStringLiteral("2024K05K01"), QStringLiteral("一号库"), QString::number(r % 90 + 1),
            QStringLiteral("25.5"), QString::number((r % 90 + 1) * 25.5), QStringLiteral("0"),
            QStringLiteral("0"), QStringLiteral("供应商%1").arg(r % 30), QStringLiteral("张三"),
            QStringLiteral("NO%1").arg(r), QStringLiteral("李四"),
            r % 3 ? QString() : QStringLiteral("备注 1+1")};
        for (int c = 0; c < row.size(); ++c)
            table->setItem(r, c, new QTableWidgetItem(row.at(c)));
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    DbSettings settings;
    settings.driver = QStringLiteral("QSQLITE");
    settings.file = dir.filePath(QStringLiteral("bench.db"));
    if (!DbManager::Instance()->ConnectDb(settings)) {
        std::printf("no database: %s\n", qPrintable(DbManager::Instance()->connectError()));
        return 1;
    }
    StoreDbAccess::Instance()->SetDbManager(DbManager::Instance());
    StoreDbAccess::Instance()->SetStoreNo(QStringLiteral("1"));

    const int count = 10000;
    const LedgerKinds::PageKind *page = LedgerKinds::Find(LedgerKinds::Group::Goods, 0);
    QTableWidget table(0, page->ColumnCount());
    table.setObjectName(page->tableName);
    table.setHorizontalHeaderLabels(page->columnTitles);
    FillPage(&table, count);

    std::printf("ledger exchange, goods page of %d rows x 19 columns\n", count);
    for (const QString &suffix : {QStringLiteral("xls"), QStringLiteral("xlsx")}) {
        const QString path = dir.filePath(QStringLiteral("page.") + suffix);
        QElapsedTimer timer;
        timer.start();
        const LedgerExchange::ExportResult exported =
            LedgerExchange::WriteLedger(LedgerExchange::GoodsPage, &table, path);
        const qint64 exportMs = timer.restart();
        if (!exported.ok) {
            std::printf("%s: export failed: %s\n", qPrintable(suffix), qPrintable(exported.error));
            return 1;
        }
        QStringList rows;
        {
            ExcelEngine engine(path);
            engine.Open(1, false);
            engine.ReadRowsAsText(&rows);
        }
        const qint64 readMs = timer.restart();
        const LedgerExchange::ImportResult first =
            LedgerExchange::ReadAndStore(LedgerExchange::GoodsPage, path, &rows, page->tableName);
        const qint64 insertMs = timer.restart();
        const LedgerExchange::ImportResult second =
            LedgerExchange::ReadAndStore(LedgerExchange::GoodsPage, path, &rows, page->tableName);
        const qint64 updateMs = timer.restart();
        if (!first.stored || !second.stored) {
            std::printf("%s: import failed: %s%s\n", qPrintable(suffix), qPrintable(first.error),
                        qPrintable(second.error));
            return 1;
        }
        std::printf("%-4s export %6lld ms (%lld KiB)  read alone %6lld ms  import new rows %6lld ms  "
                    "import again (updates) %6lld ms  rows %d\n",
                    qPrintable(suffix), static_cast<long long>(exportMs),
                    static_cast<long long>(QFileInfo(path).size() / 1024), static_cast<long long>(readMs),
                    static_cast<long long>(insertMs), static_cast<long long>(updateMs), second.imported);
        StoreDbAccess::Instance()->DeleteGoodsKind(0);
    }
    DbManager::Instance()->Close();
    return 0;
}
