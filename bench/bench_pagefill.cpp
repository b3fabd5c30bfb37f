// What a shopkeeper waits for on a big ledger page, against a plain
// QTableView + QStandardItemModel holding the same rows in the same run:
// showing a page until it is painted (and the longest stretch the window does
// not respond meanwhile), scrolling it a screenful at a time, and the memory
// the page holds after it has been scrolled end to end. Under the application
// style sheet, in a shown window, as the start-up load shows a page.
#include "db/records.h"
#include "ledger/ledgerkinds.h"
#include "ledger/ledgerpages.h"
#include "resources/resources.h"

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <functional>
#include <malloc.h>

namespace {

// Heap memory in use now (not the peak, and not what the allocator kept
// from the other table), in MB.
double ResidentMb()
{
    return mallinfo2().uordblks / (1024.0 * 1024.0);
}

void Line(const QString &what, double program, double baseline, const char *unit)
{
    std::printf("case: %s | program %.1f %s | baseline %.1f %s | ratio %.2f\n", qPrintable(what),
                program, unit, baseline, unit, baseline > 0 ? program / baseline : 0.0);
    std::fflush(stdout);
}

QString AppStyleSheet()
{
    QFile file(QStringLiteral(":/qss/qss/styleSheet.qss"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

GoodsList Rows(int count)
{
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    GoodsList rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        GoodsRecord r;
        r.tabType = GoodsKind::PurchaseIn;
        r.serial = QStringLiteral("2024-01-01 00:00:00:%1").arg(i, 6, 10, QLatin1Char('0'));
        r.productClass = QStringLiteral("类目%1").arg(i % 7);
        r.name = QStringLiteral("商品%1").arg(i % 50);
        r.model = QStringLiteral("M-%1").arg(i);
        r.time = today;
        r.num = QStringLiteral("3");
        r.price = QStringLiteral("2.5");
        r.total = QStringLiteral("7.5");
        r.pay = QStringLiteral("0");
        r.debt = QStringLiteral("7.5");
        rows.append(r);
    }
    return rows;
}

// The longest time the event loop went without turning while `work` ran
// (started from the loop) until `done` says so.
qint64 LongestStall(const std::function<void()> &work, const std::function<bool()> &done)
{
    QElapsedTimer since;
    qint64 longest = 0;
    QTimer tick;
    tick.setInterval(0);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = qMax(longest, since.elapsed());
        since.restart();
    });
    since.start();
    tick.start();
    QTimer::singleShot(0, [&] { since.restart(); work(); });
    QApplication::processEvents();
    while (!done())
        QApplication::processEvents();
    longest = qMax(longest, since.elapsed());
    return longest;
}

// Scrolls from top to bottom a screenful at a time, painting each screen;
// milliseconds per screenful.
double ScrollPerScreenful(QAbstractItemView *view)
{
    QScrollBar *bar = view->verticalScrollBar();
    bar->setValue(0);
    QApplication::processEvents();
    const int step = qMax(1, bar->pageStep());
    QElapsedTimer timer;
    timer.start();
    int screens = 0;
    for (int v = step; v <= bar->maximum() + step - 1; v += step) {
        bar->setValue(qMin(v, bar->maximum()));
        view->viewport()->repaint();
        QApplication::processEvents();
        ++screens;
    }
    return screens ? timer.nsecsElapsed() / 1e6 / screens : 0;
}

struct Figures
{
    double shownMs = 0;    // until the first screen is painted
    double filledMs = 0;   // until every row is in and painted
    qint64 stallMs = 0;    // longest stretch without an event turn
    double scrollMs = 0;   // per screenful
    double shownMb = 0;    // held by the page when first shown
    double scrolledMb = 0; // held after scrolling end to end
};

Figures Program(QTableWidget *table, LedgerPages *pages, const GoodsList &rows)
{
    Figures f;
    const double before = ResidentMb();
    QElapsedTimer timer;
    bool painted = false;
    f.stallMs = LongestStall(
        [&] {
            timer.start();
            pages->ShowGoodsRows(table, rows);
            table->viewport()->repaint();
            f.shownMs = timer.nsecsElapsed() / 1e6;
            painted = true;
        },
        [&] { return painted && !pages->FillPending(table); });
    table->viewport()->repaint();
    f.filledMs = timer.nsecsElapsed() / 1e6;
    f.shownMb = ResidentMb() - before;
    f.scrollMs = ScrollPerScreenful(table);
    f.scrolledMb = ResidentMb() - before;
    return f;
}

Figures Baseline(QTableView *view, const GoodsList &rows)
{
    Figures f;
    const double before = ResidentMb();
    QElapsedTimer timer;
    bool painted = false;
    auto *model = new QStandardItemModel(view);
    f.stallMs = LongestStall(
        [&] {
            timer.start();
            model->setColumnCount(GoodsRecord::TextCount);
            model->setRowCount(rows.size());
            for (int r = 0; r < rows.size(); ++r) {
                for (int c = 0; c < GoodsRecord::TextCount; ++c)
                    model->setItem(r, c, new QStandardItem(rows.at(r).text(c)));
            }
            view->setModel(model);
            view->viewport()->repaint();
            f.shownMs = timer.nsecsElapsed() / 1e6;
            painted = true;
        },
        [&] { return painted; });
    f.filledMs = timer.nsecsElapsed() / 1e6;
    f.shownMb = ResidentMb() - before;
    f.scrollMs = ScrollPerScreenful(view);
    f.scrolledMb = ResidentMb() - before;
    view->setModel(nullptr);
    delete model;
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QList<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes << QString::fromLocal8Bit(argv[i]).toInt();
    if (sizes.isEmpty())
        sizes = {10000, 50000};

    InitQuillonResources();
    app.setStyleSheet(AppStyleSheet());
    // The page as the main window holds it, and a plain table beside it.
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    const LedgerKinds::PageKind *page = LedgerKinds::Find(LedgerKinds::Group::Goods, GoodsKind::PurchaseIn);
    auto *table = new QTableWidget(0, page->ColumnCount(), &window);
    table->setObjectName(page->tableName);
    table->setHorizontalHeaderLabels(page->columnTitles);
    auto *plain = new QTableView(&window);
    layout->addWidget(table);
    layout->addWidget(plain);
    for (const QString &name : {page->totalEdit, page->paidEdit, page->debtEdit}) {
        auto *edit = new QLineEdit(&window);
        edit->setObjectName(name);
        edit->hide();
    }
    window.resize(1280, 1000);
    auto *pages = new LedgerPages(&window);
    window.show();
    QApplication::processEvents();

    for (int count : qAsConst(sizes)) {
        const GoodsList rows = Rows(count);
        const QString n = count % 1000 == 0 ? QStringLiteral("%1k").arg(count / 1000) : QString::number(count);
        // Alternate which goes first so neither inherits the other's freed memory.
        const Figures base = Baseline(plain, rows);
        const Figures prog = Program(table, pages, rows);
        Line(QStringLiteral("show %1 page, first screen painted").arg(n), prog.shownMs, base.shownMs, "ms");
        Line(QStringLiteral("show %1 page, every row in and painted").arg(n), prog.filledMs, base.filledMs, "ms");
        Line(QStringLiteral("show %1 page, longest stall of the window").arg(n), prog.stallMs, base.stallMs, "ms");
        Line(QStringLiteral("scroll %1 per screenful").arg(n), prog.scrollMs, base.scrollMs, "ms");
        Line(QStringLiteral("memory of the %1 page when shown").arg(n), prog.shownMb, base.shownMb, "MB");
        Line(QStringLiteral("memory of the %1 page after scrolling end to end (baseline: when first shown)").arg(n),
             prog.scrolledMb, prog.shownMb, "MB");
        table->setRowCount(0);
        QApplication::processEvents();
    }
    return 0;
}
