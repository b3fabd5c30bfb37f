// What a shopkeeper waits for on a big ledger page, against a plain
// QTableView + QStandardItemModel holding the same rows in the same run:
// showing a page until it is painted (and the longest stretch the window does
// not respond meanwhile), scrolling it a screenful at a time, and the memory
// the page holds after it has been scrolled end to end. Under the application
// style sheet, in a shown window, as the start-up load shows a page.
#include "benchsupport.h"

#include "ledger/ledgerkinds.h"
#include "ledger/ledgermodel.h"
#include "ledger/ledgerpages.h"
#include "resources/resources.h"

#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>
#include <malloc.h>

namespace {

// Heap in use now (not the peak, nor what the allocator kept), in MB.
double HeapMb() { return mallinfo2().uordblks / (1024.0 * 1024.0); }

struct Figures
{
    double shownMs = 0, filledMs = 0;   // first screen painted; every row in and painted
    qint64 stallMs = 0;                 // longest stretch without an event turn
    double scrollMs = 0;                // per screenful
    double shownMb = 0, scrolledMb = 0; // held when first shown; after scrolling end to end
};

// Shows the rows with `show` (started from the event loop, done when `done`
// says so), then scrolls from top to bottom a screenful at a time.
Figures Measure(QAbstractItemView *view, const std::function<void()> &show, const std::function<bool()> &done)
{
    Figures f;
    const double before = HeapMb();
    QElapsedTimer timer, since;
    bool painted = false;
    QTimer tick;
    tick.setInterval(0);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        f.stallMs = qMax(f.stallMs, since.elapsed());
        since.restart();
    });
    since.start();
    tick.start();
    QTimer::singleShot(0, [&] {
        since.restart();
        timer.start();
        show();
        view->viewport()->repaint();
        f.shownMs = timer.nsecsElapsed() / 1e6;
        painted = true;
    });
    QApplication::processEvents();
    while (!painted || !done())
        QApplication::processEvents();
    f.stallMs = qMax(f.stallMs, since.elapsed());
    tick.stop();
    view->viewport()->repaint();
    f.filledMs = timer.nsecsElapsed() / 1e6;
    f.shownMb = HeapMb() - before;

    QScrollBar *bar = view->verticalScrollBar();
    bar->setValue(0);
    QApplication::processEvents();
    const int step = qMax(1, bar->pageStep());
    int screens = 0;
    timer.restart();
    for (int v = step; v <= bar->maximum() + step - 1; v += step, ++screens) {
        bar->setValue(qMin(v, bar->maximum()));
        view->viewport()->repaint();
        QApplication::processEvents();
    }
    f.scrollMs = screens ? timer.nsecsElapsed() / 1e6 / screens : 0;
    f.scrolledMb = HeapMb() - before;
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitQuillonResources();
    QFile qss(QStringLiteral(":/qss/qss/styleSheet.qss"));
    if (qss.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromLatin1(qss.readAll()));

    // The page as the main window holds it, and a plain table beside it.
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    const LedgerKinds::PageKind *page = LedgerKinds::Find(LedgerKinds::Group::Goods, GoodsKind::PurchaseIn);
    auto *table = new QTableView(&window);
    table->setObjectName(page->tableName);
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

    for (int count : {10000, 50000}) {
        GoodsList rows = Bench::LedgerRows(count, 7u + count);
        for (GoodsRecord &r : rows)
            r.tabType = GoodsKind::PurchaseIn;
        auto *model = new QStandardItemModel;
        const Figures base = Measure(
            plain,
            [&] {
                model->setColumnCount(GoodsRecord::TextCount);
                model->setRowCount(rows.size());
                for (int r = 0; r < rows.size(); ++r) {
                    for (int c = 0; c < GoodsRecord::TextCount; ++c)
                        model->setItem(r, c, new QStandardItem(rows.at(r).text(c)));
                }
                plain->setModel(model);
            },
            [] { return true; });
        plain->setModel(nullptr);
        delete model;
        const Figures prog = Measure(
            table, [&] { pages->ShowGoodsRows(*page, rows); },
            [&] { return !pages->Model(*page)->Filling(); });
        const QString n = Bench::Thousands(count);
        Bench::Case(QStringLiteral("show %1 page, first screen painted").arg(n), prog.shownMs, base.shownMs);
        Bench::Case(QStringLiteral("show %1 page, every row in and painted").arg(n), prog.filledMs,
                    base.filledMs);
        Bench::Case(QStringLiteral("show %1 page, longest stall of the window").arg(n), prog.stallMs,
                    base.stallMs);
        Bench::Case(QStringLiteral("scroll %1 per screenful").arg(n), prog.scrollMs, base.scrollMs);
        Bench::Case(
            QStringLiteral("memory of the %1 page after scrolling end to end (baseline: when first shown)")
                .arg(n),
            prog.scrolledMb, prog.shownMb, "MB");
        pages->ShowGoodsRows(*page, GoodsList());
        QApplication::processEvents();
    }
    return 0;
}
