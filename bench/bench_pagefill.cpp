// What a shopkeeper waits for on a big ledger page, against a plain QTableView
// over a plain table model holding the same rows, in the same run: showing a
// page the start-up load has read until its first screen is painted (and the
// longest stretch the window does not respond meanwhile), every row reachable
// by scrolling, scrolling a screenful at a time, and the memory the page holds
// after it has been scrolled end to end. The page is the program's own
// (LedgerPages, its view and filter, set up as the main window sets it up),
// under the application style sheet, in a shown window.
//
// Row counts come from the arguments (default 10k, 50k, 200k and 1M).
#include "benchsupport.h"

#include "ledger/ledgerkinds.h"
#include "ledger/ledgermodel.h"
#include "ledger/ledgerpages.h"
#include "resources/resources.h"
#include "widgets/looks.h"
#include "widgets/pageview.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>
#include <malloc.h>

namespace {

// Heap in use now (not the peak, nor what the allocator kept), in MB; big
// blocks (a million-row index, say) are mapped apart and count too.
double HeapMb()
{
    const struct mallinfo2 heap = mallinfo2();
    return (heap.uordblks + heap.hblkhd) / (1024.0 * 1024.0);
}

// The baseline: the rows' texts and nothing else.
class PlainRows : public QAbstractTableModel
{
public:
    explicit PlainRows(GoodsList rows) : m_rows(std::move(rows)) {}
    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : m_rows.size();
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : GoodsRecord::TextCount;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
            return QVariant();
        return m_rows.at(index.row()).text(index.column());
    }

private:
    GoodsList m_rows;
};

// A copy sharing no text with `rows`, as a second read of the store gives.
GoodsList Unshared(const GoodsList &rows)
{
    GoodsList copy;
    copy.reserve(rows.size());
    for (const GoodsRecord &r : rows) {
        GoodsRecord own;
        own.tabType = r.tabType;
        for (int i = 0; i < GoodsRecord::TextCount; ++i)
            own.setText(i, QString(r.text(i).constData(), r.text(i).size()));
        copy.append(own);
    }
    return copy;
}

struct Figures
{
    double shownMs = 0, filledMs = 0; // first screen painted; every row in, summed and painted
    qint64 stallMs = 0;               // longest stretch without an event turn
    double endMs = 0;                 // from the top to the last screen, painted
    QString lastSerial;               // the serial of the last row, as painted there
    double scrollMs = 0;              // per screenful
    double scrolledMb = 0;            // added after scrolling end to end
};

// The serial of the view's last row when that row lies wholly in the viewport; empty otherwise.
QString LastRowShown(QTableView *view)
{
    const QAbstractItemModel *rows = view->model();
    const int last = rows ? rows->rowCount() - 1 : -1;
    if (last < 0)
        return QString();
    const int top = view->rowViewportPosition(last);
    if (top < 0 || top + view->rowHeight(last) > view->viewport()->height())
        return QString();
    return rows->index(last, LedgerKinds::SerialColumn).data().toString();
}

// Shows the rows with `show` (started from the event loop, done when `done`
// says so), then, when `scroll`, scrolls from top to bottom.
Figures Measure(QTableView *view, const std::function<void()> &show, const std::function<bool()> &done,
                bool scroll = true)
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
    if (!scroll)
        return f;

    QScrollBar *bar = view->verticalScrollBar();
    bar->setValue(0);
    view->viewport()->repaint();
    QApplication::processEvents();
    timer.restart();
    bar->setValue(bar->maximum());
    view->viewport()->repaint();
    QApplication::processEvents();
    f.endMs = timer.nsecsElapsed() / 1e6;
    f.lastSerial = LastRowShown(view);

    // A screenful at a time; past a thousand screens, a thousand screens
    // spread from top to bottom (each paints a whole new screen either way).
    bar->setValue(0);
    QApplication::processEvents();
    const int step = qMax(qMax(1, bar->pageStep()), bar->maximum() / 1000);
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

// The page as the main window sets its views up.
void SetUpAsWindow(QTableView *table, const LedgerKinds::PageKind &page)
{
    for (int c = 0; c < page.ColumnCount(); ++c)
        table->setColumnHidden(c, !page.IsColumnShown(c));
    table->horizontalHeader()->setStretchLastSection(true);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setFrameShape(QFrame::NoFrame);
    table->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section {background:transparent;}"));
    Looks::ApplyThinScrollBars(table);
    PageView::FitColumns(table);
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
    QList<int> counts;
    for (int i = 1; i < argc; ++i)
        counts << QByteArray(argv[i]).toInt();
    if (counts.isEmpty())
        counts = {10000, 50000, 200000, 1000000};

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
    SetUpAsWindow(table, *page);
    QObject::connect(pages, &LedgerPages::PageFilled, table,
                     [table, page](const LedgerKinds::PageKind &filled) {
                         if (&filled != page)
                             return;
                         if (PageView *view = PageView::Of(table))
                             view->Refilled();
                         PageView::FitColumns(table);
                     });
    window.show();
    QApplication::processEvents();

    bool ok = true;
    for (int count : counts) {
        // Both sides share one generated list (copies of a QList share its
        // records): each side's memory is what it adds on top of the list,
        // plus the list itself, so neither counts the other's rows.
        const double beforeRows = HeapMb();
        QElapsedTimer generation;
        generation.start();
        GoodsList rows = Bench::LedgerRows(count, 7u + count);
        for (GoodsRecord &r : rows)
            r.tabType = GoodsKind::PurchaseIn;
        const double rowsMb = HeapMb() - beforeRows;
        std::printf("rows: %d generated in %.1f s, %.0f MB\n", count, generation.elapsed() / 1000.0, rowsMb);

        PlainRows *model = nullptr;
        const Figures base = Measure(
            plain,
            [&] {
                model = new PlainRows(rows);
                plain->setModel(model);
            },
            [] { return true; });
        // The start-up load: the worker has read the rows, the page takes them over.
        const Figures prog = Measure(
            table,
            [&] {
                pages->lists().pageGoodsLists[GoodsKind::PurchaseIn] = rows;
                pages->ShowTabData();
            },
            [&] { return !pages->fillingTables(); });
        // A reload (after an import, say) replaces a page as big, whose
        // rows only the page holds: they are freed as the new ones come.
        pages->lists().pageGoodsLists[GoodsKind::PurchaseIn] = Unshared(rows);
        pages->ShowTabData();
        while (pages->fillingTables())
            QApplication::processEvents();
        const Figures progAgain = Measure(
            table,
            [&] {
                pages->lists().pageGoodsLists[GoodsKind::PurchaseIn] = rows;
                pages->ShowTabData();
            },
            [&] { return !pages->fillingTables(); }, false);
        QThreadPool::globalInstance()->waitForDone();
        delete model;
        model = new PlainRows(Unshared(rows));
        plain->setModel(model);
        QApplication::processEvents();
        const Figures baseAgain = Measure(
            plain,
            [&] {
                PlainRows *old = model;
                model = new PlainRows(rows);
                plain->setModel(model);
                delete old;
            },
            [] { return true; }, false);
        // 加入名单 on a page this big: the lists read again and the name
        // columns repainted; the plain table repaints after the same columns changed.
        const double relisted = Bench::BestMs([&] {
            pages->RefreshNames();
            table->viewport()->repaint();
        });
        const double replain = Bench::BestMs([&] {
            emit model->dataChanged(model->index(0, 14), model->index(model->rowCount() - 1, 15));
            plain->viewport()->repaint();
        });
        plain->setModel(nullptr);
        delete model;

        const QString n = Bench::Thousands(count);
        Bench::Case(QStringLiteral("show %1 page, first screen painted").arg(n), prog.shownMs, base.shownMs);
        Bench::Case(QStringLiteral("show %1 page, every row in, summed and painted").arg(n), prog.filledMs,
                    base.filledMs);
        Bench::Case(QStringLiteral("show %1 page, longest stall of the window").arg(n), prog.stallMs,
                    base.stallMs);
        Bench::Case(QStringLiteral("show %1 page again over its rows, longest stall of the window").arg(n),
                    progAgain.stallMs, baseAgain.stallMs);
        const QString expected = rows.last().serial;
        Bench::Case(QStringLiteral("scroll %1 to the end, last row %2 shown (plain: %3)")
                        .arg(n, prog.lastSerial.isEmpty() ? QStringLiteral("NOT SHOWN") : prog.lastSerial,
                             base.lastSerial.isEmpty() ? QStringLiteral("NOT SHOWN") : base.lastSerial),
                    prog.endMs, base.endMs);
        if (prog.lastSerial != expected || base.lastSerial != expected) {
            std::fprintf(stderr, "FAIL: %d rows: the last row %s is not shown at the end of the page\n",
                         count, qPrintable(expected));
            ok = false;
        }
        Bench::Case(QStringLiteral("scroll %1 per screenful").arg(n), prog.scrollMs, base.scrollMs);
        Bench::Case(QStringLiteral("lists changed (加入名单) over a %1 page, repainted").arg(n), relisted,
                    replain);
        Bench::Case(QStringLiteral("memory of the %1 page after scrolling end to end (%2 MB of it the rows)")
                        .arg(n)
                        .arg(rowsMb, 0, 'f', 0),
                    rowsMb + prog.scrolledMb, rowsMb + base.scrolledMb, "MB");
        pages->ShowGoodsRows(*page, GoodsList());
        QApplication::processEvents();
        // The page's rows are freed on a worker; the next count's heap figures start after that.
        QThreadPool::globalInstance()->waitForDone();
    }
    return ok ? 0 : 1;
}
