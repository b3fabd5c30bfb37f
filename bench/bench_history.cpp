// The cost of the change log: one cell edit saved with its log entries (in
// one transaction) against the same edit saved alone, on a 50,000-row and a
// 1,000,000-row page, and the log's size per change on disk.
// On a SQLite file, then on PostgreSQL when QUILLON_BENCH_PG holds a libpq
// connection text (scripts/pg-bench.sh starts a loopback server and sets it).
#include "benchsupport.h"

#include "db/changelog.h"
#include "ledger/ledgerchange.h"
#include "ledger/ledgerkinds.h"

#include <QCoreApplication>
#include <algorithm>

namespace {

// The store's bytes of the log table with its indexes.
qint64 LogBytes()
{
    if (TempStore::Pg())
        return TempStore::Scalar(QStringLiteral("select pg_total_relation_size('tb_change_log')"))
            .toLongLong();
    // SQLite: pages in use by the whole file; only the log grows meanwhile.
    return TempStore::Scalar(QStringLiteral("pragma page_count")).toLongLong()
        * TempStore::Scalar(QStringLiteral("pragma page_size")).toLongLong();
}

bool Run(const QString &backend, int pageRows)
{
    TempStore db;
    if (!db.skipReason.isEmpty() || !db.connected) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(backend),
                     qPrintable(db.skipReason + db.manager()->connectError()));
        return false;
    }
    GoodsList rows = Bench::LedgerRows(pageRows, 20240101u);
    for (GoodsRecord &r : rows)
        r.tabType = GoodsKind::PurchaseIn;
    if (!Bench::Store(Schema::GoodsTable, rows)) {
        std::fprintf(stderr, "%s: cannot store rows\n", qPrintable(backend));
        return false;
    }
    ChangeLog::SetAccount(QStringLiteral("bench"));
    const LedgerKinds::PageKind &page = *LedgerKinds::Find(LedgerKinds::Group::Goods, GoodsKind::PurchaseIn);
    StoreDbAccess *store = StoreDbAccess::Instance();
    QRandomGenerator rng(QRandomGenerator::global()->generate());
    const int edits = 200;
    // A typed quantity and the two amounts it moves, as the page saves them.
    const auto edit = [&](bool logged, int i) {
        GoodsRecord &r = rows[int(rng.bounded(quint32(pageRows)))];
        LedgerChange change;
        change.serial = r.serial;
        change.column = LedgerKinds::NumColumn;
        change.before = RecordTexts(r);
        r.num = QString::number(i % 40 + 1);
        r.total = QString::number(r.num.toInt() * r.price.toDouble(), 'f', 2);
        r.debt = QString::number(r.total.toDouble() - r.pay.toDouble(), 'f', 2);
        change.after = RecordTexts(r);
        const auto save = [&] { return store->SaveGoodsRow(r); };
        const Result saved = logged
            ? ChangeLog::Record(save, ChangeEntries::Of(change, page, QStringLiteral("edit")))
            : save();
        if (!saved)
            std::fprintf(stderr, "%s: %s\n", qPrintable(backend), qPrintable(saved.error()));
    };
    const qint64 before = LogBytes();
    // Edits alternate one by one and each side gives its median: the disk's
    // flushes on this shared machine come in bursts that would land on one
    // side of a block of edits.
    QVector<double> logged, plain;
    for (int i = 0; i < 2 * edits; ++i) {
        QElapsedTimer t;
        t.start();
        edit(i % 2 == 0, i);
        (i % 2 == 0 ? logged : plain) << t.nsecsElapsed() / 1e3;
    }
    const auto median = [](QVector<double> v) {
        std::sort(v.begin(), v.end());
        return v.at(v.size() / 2);
    };
    const int entries = TempStore::Count(QStringLiteral("tb_change_log"));
    const double perChange = double(LogBytes() - before) / edits;
    Bench::Case(QStringLiteral("%1, one cell edit with its change log vs without, %2-row page (goal ≤ 1.3)")
                    .arg(backend, Bench::Thousands(pageRows)),
                median(logged), median(plain), "µs");
    std::printf("log size: %s, %.0f bytes per change (%d entries for %d changes)\n", qPrintable(backend),
                perChange, entries, edits);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);
    const int small = argc > 1 ? QByteArray(argv[1]).toInt() : 50000;
    const int big = argc > 2 ? QByteArray(argv[2]).toInt() : 1000000;
    bool ok = true;
    for (bool pg : {false, true}) {
        if (pg && !Bench::UsePostgres())
            break;
        const QString backend = pg ? QStringLiteral("postgres") : QStringLiteral("sqlite");
        for (int rows : {small, big})
            if (rows > 0)
                ok = Run(backend, rows) && ok;
    }
    return ok ? 0 : 1;
}
