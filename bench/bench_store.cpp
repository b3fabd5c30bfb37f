// Against a raw statement in the same run: reading 200,000 ledger rows
// (against a plain scan of the table), and one cell edit saved with its totals
// on a 50,000-row page among them and on a 1,000,000-row page (against a raw
// update of one row).
// On a SQLite file, then on PostgreSQL when QUILLON_BENCH_PG holds a libpq
// connection text (scripts/pg-bench.sh starts a loopback server and sets it).
#include "benchsupport.h"

#include "ledger/ledgerkinds.h"
#include "ledger/ledgermodel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSqlRecord>

namespace {

void Reads(const QString &backend, QSqlDatabase db, int rows)
{
    StoreDbAccess *store = StoreDbAccess::Instance();
    const double program = Bench::BestMs([&] {
        GoodsList out;
        (void)store->QueryGoods(5, -1, QString(), QString(), out);
    });
    const double baseline = Bench::BestMs([&] {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.exec(QStringLiteral("select * from tb_sm_product_info"));
        const int columns = q.record().count();
        while (q.next()) {
            for (int c = 0; c < columns; ++c)
                q.value(c).toString();
        }
    });
    Bench::Case(QStringLiteral("%1, read %2 ledger rows").arg(backend, Bench::Thousands(rows)), program,
                baseline);
    // The read must walk an index in entry order, not sort every row.
    const bool sqlite = db.driverName() == QLatin1String("QSQLITE");
    QSqlQuery plan(db);
    plan.exec(
        (sqlite ? QStringLiteral("explain query plan ") : QStringLiteral("explain "))
        + QStringLiteral("select * from tb_sm_product_info where store_no='1' and tab_type=2 order by id"));
    QStringList steps;
    while (plan.next())
        steps << plan.value(sqlite ? 3 : 0).toString().trimmed();
    std::printf("plan: %s, one kind in entry order: %s\n", qPrintable(backend),
                qPrintable(steps.join(QLatin1String("; "))));
}

// One cell edit of a shown page, saved with its totals, against a raw update.
void Edits(const QString &backend, QSqlDatabase db)
{
    const LedgerKinds::PageKind *page = LedgerKinds::Find(LedgerKinds::Group::Goods, GoodsKind::PurchaseIn);
    LedgerModel model(*page);
    GoodsList rows;
    (void)StoreDbAccess::Instance()->QueryGoods(5, GoodsKind::PurchaseIn, QString(), QString(), rows);
    // Moved in, as a load hands its rows over: the page's edits never copy the list.
    const int pageRows = rows.size();
    model.SetGoodsRows(std::move(rows), true);
    while (model.Filling())
        QCoreApplication::processEvents();
    const auto totals = [&model] {
        return model.Totals().total.Value().ToText() + QLatin1Char('/')
            + model.Totals().unpaid.Value().ToText();
    };

    // Best of three rounds each: a flush to disk now and then is the disk's, not the program's.
    QRandomGenerator rng(7);
    const int edits = 200;
    int round = 0;
    const double program = Bench::BestMs([&] {
                               ++round;
                               for (int i = 0; i < edits; ++i)
                                   (void)model.SetCell(int(rng.bounded(quint32(pageRows))), 9,
                                                       QString::number((i + round) % 40 + 1));
                           })
        * 1000 / edits;
    const QString shown = totals();
    model.ComputeTotals();
    while (model.Filling())
        QCoreApplication::processEvents();
    const bool same = shown == totals();

    QSqlQuery update(db);
    update.prepare(QStringLiteral("update tb_sm_product_info set product_num=? where id=?"));
    const double baseline = Bench::BestMs([&] {
                                for (int i = 0; i < edits; ++i) {
                                    update.addBindValue(QString::number(i % 40 + 1));
                                    update.addBindValue(int(rng.bounded(quint32(pageRows))) + 1);
                                    update.exec();
                                }
                            })
        * 1000 / edits;
    Bench::Case(
        QStringLiteral("%1, one cell edit saved + totals, %2-row page%3")
            .arg(backend, Bench::Thousands(pageRows), same ? QString() : QStringLiteral(" (TOTALS DIFFER)")),
        program, baseline, "µs");
}

// The preview of a 4 MB backup whose every line has an unmatched quote,
// against the preview of a backup of good lines of the same size.
void BadBackupPreview(const QString &backend, const QString &folder)
{
    const QString head =
        QStringLiteral("insert into tb_sm_prestore_info(info_type,info_list,store_no) values(");
    const auto write = [&](const QString &name, const QString &line) {
        QFile file(QDir(folder).filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            return QString();
        const QByteArray bytes = line.toUtf8();
        for (qint64 written = 0; written < 4 * 1024 * 1024; written += bytes.size())
            file.write(bytes);
        return file.fileName();
    };
    const QString filler(150, QLatin1Char('x'));
    const QString bad = write(QStringLiteral("bad.sql"), head + QStringLiteral("1,'%1,'1');\n").arg(filler));
    const QString good =
        write(QStringLiteral("good.sql"), head + QStringLiteral("1,'%1','1');\n").arg(filler));
    StoreDbAccess *store = StoreDbAccess::Instance();
    int refused = 0;
    const double program = Bench::BestMs([&] { refused = store->PreviewRestore(bad).refused; }, 1);
    const double baseline = Bench::BestMs([&] { (void)store->PreviewRestore(good); }, 1);
    Bench::Case(
        QStringLiteral("%1, preview of a 4 MB backup of %2 lines with an unmatched quote (goal ≤ 2000 ms)")
            .arg(backend, Bench::Thousands(refused)),
        program, baseline);
}

// A store of `count` rows; `onPage` of every four of them on the edited page.
// The ledger is read only when `reads`.
bool Run(const QString &backend, int count, int onPage, bool reads)
{
    TempStore db;
    if (!db.skipReason.isEmpty() || !db.connected) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(backend),
                     qPrintable(db.skipReason + db.manager()->connectError()));
        return false;
    }
    GoodsList rows = Bench::LedgerRows(count, 20240101u);
    for (int i = 0; i < rows.size(); ++i)
        rows[i].tabType = i % 4 < onPage ? GoodsKind::PurchaseIn : i % 4;
    if (!Bench::Store(Schema::GoodsTable, rows)) {
        std::fprintf(stderr, "%s: cannot store rows: %s\n", qPrintable(backend),
                     qPrintable(db.manager()->Connection().lastError().text()));
        return false;
    }
    rows = GoodsList(); // the page reads its own from the store
    if (reads)
        Reads(backend, db.manager()->Connection(), count);
    Edits(backend, db.manager()->Connection());
    if (reads)
        BadBackupPreview(backend, db.dir.path());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The rows read, a quarter of them on the edited page; then a page of
    // its own (its store holds only that page's rows, loaded straight through SQL).
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 200000;
    const int bigPage = argc > 2 ? QByteArray(argv[2]).toInt() : 1000000;
    bool ok = true;
    for (bool pg : {false, true}) {
        if (pg && !Bench::UsePostgres())
            break;
        const QString backend = pg ? QStringLiteral("postgres") : QStringLiteral("sqlite");
        ok = Run(backend, count, 1, true) && ok;
        if (bigPage > 0)
            ok = Run(backend, bigPage, 4, false) && ok;
    }
    return ok ? 0 : 1;
}
