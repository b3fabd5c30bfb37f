// The fifteen ledger pages, built from the table of kinds into the three
// stacks, and the ledger pages' work the window's slots hand on.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/dialoglogin.h"
#include "ledger/backuprestore.h"
#include "ledger/cellediting.h"
#include "ledger/ledgerkinds.h"
#include "ledger/ledgermodel.h"
#include "ledger/ledgerpages.h"
#include "masterdata/dialoginfotodb.h"
#include "masterdata/dialogstoreset.h"
#include "masterdata/dialogusermge.h"
#include "masterdata/itemlistwidget.h"
#include "widgets/looks.h"
#include "widgets/pageview.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

using LedgerKinds::Group;
using LedgerKinds::PageKind;

namespace {

QPushButton *NewButton(const QString &name, const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QLineEdit *NewTotalsEdit(const QString &name, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    edit->setMaximumWidth(160);
    return edit;
}

QString CaptionOf(const PageKind &page, const QString &button)
{
    if (button == page.addButton)
        return LedgerKinds::AddCaption();
    if (button == page.deleteButton)
        return LedgerKinds::DeleteCaption();
    if (button == page.clearButton)
        return LedgerKinds::ClearCaption();
    if (button == page.queryButton)
        return LedgerKinds::QueryCaption();
    if (button == page.importButton)
        return LedgerKinds::ImportCaption();
    if (button == page.exportButton)
        return LedgerKinds::ExportCaption();
    return LedgerKinds::PrintCaption();
}

QWidget *BuildPage(const PageKind &kind)
{
    auto *page = new QWidget;
    page->setObjectName(kind.pageName);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);

    auto *top = new QHBoxLayout;
    if (!kind.titleButton.isEmpty()) {
        QPushButton *title = NewButton(kind.titleButton, kind.titleText, page);
        title->setFlat(true);
        QFont font = title->font();
        font.setBold(true);
        font.setPointSize(font.pointSize() + 2);
        title->setFont(font);
        top->addWidget(title);
    } else if (!kind.titleText.isEmpty()) {
        auto *heading = new QLabel(kind.titleText, page);
        QFont font = heading->font();
        font.setBold(true);
        font.setPointSize(font.pointSize() + 2);
        heading->setFont(font);
        top->addWidget(heading);
    }
    if (kind.group == Group::Goods && kind.kind == GoodsKind::CurrentStock) {
        auto *models = new QComboBox(page);
        models->setObjectName(QStringLiteral("comboModel"));
        models->setMinimumWidth(160);
        top->addWidget(models);
    }
    // What the page shows: its period and rows (kept up to date by the pages'
    // work), in the room left beside the buttons; it never widens the window.
    auto *shown = new QLabel(page);
    shown->setObjectName(QStringLiteral("shown_") + kind.tableName);
    shown->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    shown->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    top->addWidget(shown, 1);
    for (const QString &name : kind.ActionButtons())
        top->addWidget(NewButton(name, CaptionOf(kind, name), page));
    layout->addLayout(top);

    // The view of the page's model (titles, tool tips and rows come from it).
    auto *table = new QTableView(page);
    table->setObjectName(kind.tableName);
    table->setSortingEnabled(false);
    table->setShowGrid(true);
    table->setWordWrap(true);
    layout->addWidget(table, 1);
    auto *view = new PageView(table, true);
    top->addWidget(view->searchBox());

    auto *totals = new QHBoxLayout;
    totals->addStretch();
    auto *filtered = new QLabel(QStringLiteral("筛选后"), page);
    filtered->setObjectName(QStringLiteral("filtered_") + kind.tableName);
    totals->addWidget(filtered);
    view->SetFilteredLabel(filtered);
    if (kind.group == Group::Finance) {
        totals->addWidget(new QLabel(LedgerKinds::FinanceTotalsLabel(), page));
        totals->addWidget(NewTotalsEdit(kind.totalEdit, page));
        totals->addWidget(NewButton(kind.totalButton, LedgerKinds::FinanceTotalsCaption(), page));
    } else {
        const QStringList labels = LedgerKinds::GoodsTotalsLabels(kind);
        const QStringList edits = {kind.totalEdit, kind.paidEdit, kind.debtEdit};
        for (int i = 0; i < edits.size(); ++i) {
            totals->addWidget(new QLabel(labels.at(i), page));
            totals->addWidget(NewTotalsEdit(edits.at(i), page));
        }
        totals->addWidget(NewButton(kind.totalButton, LedgerKinds::GoodsTotalsCaption(), page));
    }
    layout->addLayout(totals);
    return page;
}

} // namespace

void MainWindow::BuildPages()
{
    for (const PageKind &kind : LedgerKinds::Pages()) {
        auto *stack = findChild<QStackedWidget *>(kind.stackName);
        stack->insertWidget(kind.stackIndex, BuildPage(kind));
    }
    auto *empty = new QWidget;
    empty->setObjectName(QStringLiteral("page_2"));
    m_ui->stackedWidget_2->addWidget(empty);

    m_ui->stackedWidget->setCurrentIndex(GoodsKind::PurchaseReturn);
    m_ui->stackedWidget_2->setCurrentIndex(0);
    m_ui->stackedWidget_3->setCurrentIndex(FinanceKind::Profit);
}

void MainWindow::InitTable()
{
    Ledger(); // every page has its model
    for (const PageKind &kind : LedgerKinds::Pages()) {
        QTableView *table = Table(kind.tableName);
        for (int c = 0; c < kind.ColumnCount(); ++c)
            table->setColumnHidden(c, !kind.IsColumnShown(c));
        QHeaderView *header = table->horizontalHeader();
        header->setStretchLastSection(true);
        header->setVisible(true);
        table->verticalHeader()->setVisible(true);
        table->setFrameShape(QFrame::NoFrame);
        table->setSelectionMode(QAbstractItemView::ExtendedSelection);
        table->setSelectionBehavior(QAbstractItemView::SelectRows);
        header->setHighlightSections(false);
        header->setStyleSheet(QStringLiteral("QHeaderView::section {background:transparent;}"));
        Looks::ApplyThinScrollBars(table);
        PageView::FitColumns(table);
    }
}

void MainWindow::ConnectPageWidgets()
{
    auto button = [this](const QString &name) { return findChild<QPushButton *>(name); };
    auto wire = [&](const QString &name, void (MainWindow::*slot)()) {
        if (!name.isEmpty())
            connect(button(name), &QPushButton::clicked, this, slot);
    };

    for (const PageKind &kind : LedgerKinds::Pages()) {
        // The buttons of the page find their page once, here: their work gets the kind.
        auto page = [this, &kind, &button](const QString &name, void (LedgerPages::*work)(const PageKind &)) {
            if (!name.isEmpty())
                connect(button(name), &QPushButton::clicked, this,
                        [this, &kind, work] { (Ledger()->*work)(kind); });
        };
        page(kind.addButton, &LedgerPages::ActionAdd);
        page(kind.deleteButton, &LedgerPages::ActionDelete);
        page(kind.clearButton, &LedgerPages::ActionClear);
        page(kind.totalButton, &LedgerPages::TotalProcess);
        wire(kind.queryButton, &MainWindow::ActionQuery);
        wire(kind.importButton, &MainWindow::InportProcess);
        wire(kind.exportButton, &MainWindow::ExportProcess);
        wire(kind.printButton, &MainWindow::PrintActionProcess);
        wire(kind.titleButton,
             kind.group == Group::Finance ? &MainWindow::ShowRelationWidget : &MainWindow::InitTable);
        // A click on a goods page's warehouse cell opens the picker.
        if (kind.IsStored() && kind.group == Group::Goods)
            connect(Table(kind.tableName), &QTableView::clicked, this, &MainWindow::CellChoseProcess);
    }
}

void MainWindow::ConnectPageViews()
{
    connect(Ledger(), &LedgerPages::PageFilled, this, [this](const PageKind &page) {
        QTableView *table = Table(page.tableName);
        if (PageView *view = PageView::Of(table))
            view->Refilled();
        if (!m_keptColumns.contains(page.tableName))
            PageView::FitColumns(table);
    });
    // Ctrl+F searches the page the user works in: the one holding the focus,
    // else the one under the mouse, else the first shown.
    auto *find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        const QList<QStackedWidget *> stacks = {m_ui->stackedWidget, m_ui->stackedWidget_2,
                                                m_ui->stackedWidget_3};
        QStackedWidget *chosen = nullptr;
        QWidget *focus = QApplication::focusWidget();
        for (QStackedWidget *stack : stacks) {
            if (!chosen && stack->isVisible() && focus && stack->isAncestorOf(focus))
                chosen = stack;
        }
        for (QStackedWidget *stack : stacks) {
            if (!chosen && stack->isVisible() && stack->rect().contains(stack->mapFromGlobal(QCursor::pos())))
                chosen = stack;
        }
        for (QStackedWidget *stack : stacks) {
            if (!chosen && stack->isVisible())
                chosen = stack;
        }
        QTableView *table =
            chosen && chosen->currentWidget() ? chosen->currentWidget()->findChild<QTableView *>() : nullptr;
        if (PageView *view = PageView::Of(table))
            view->FocusSearch();
    });
}

QTableView *MainWindow::Table(const QString &objectName) const { return findChild<QTableView *>(objectName); }

QTableView *MainWindow::GoodsTable(int kind) const
{
    const PageKind *page = LedgerKinds::Find(Group::Goods, kind);
    return page ? Table(page->tableName) : nullptr;
}

QTableView *MainWindow::FinanceTable(int kind) const
{
    const PageKind *page = LedgerKinds::Find(Group::Finance, kind);
    return page ? Table(page->tableName) : nullptr;
}

QTableView *MainWindow::SalesTable() const { return Table(LedgerKinds::Find(Group::Sales, 0)->tableName); }

QStackedWidget *MainWindow::GoodsStack() const { return m_ui->stackedWidget; }
QStackedWidget *MainWindow::SalesStack() const { return m_ui->stackedWidget_2; }
QStackedWidget *MainWindow::FinanceStack() const { return m_ui->stackedWidget_3; }

QComboBox *MainWindow::ModelCombo() const { return findChild<QComboBox *>(QStringLiteral("comboModel")); }

// ---- the pages' work, done by LedgerPages ----

LedgerPages *MainWindow::Ledger()
{
    if (m_ledger)
        return m_ledger;
    m_ledger = new LedgerPages(this);
    m_ledger->SetStatusSink([this](const QString &text) { ShowStatusMessage(text); });
    m_ledger->SetRelogin(&DialogLogin::ConfirmPrivileged);
    // The cells offer the lists as the list dialogs hold them, edits included.
    if (m_infoDlg && m_personDlg) {
        m_ledger->SetListReader([this](int storeKind, int infoType) {
            const InfoListDialog *dialog = storeKind == InfoStore::People
                ? static_cast<InfoListDialog *>(m_personDlg)
                : static_cast<InfoListDialog *>(m_infoDlg);
            return dialog->CurrentList(infoType).list;
        });
        m_ledger->SetListAdder([this](int storeKind, int infoType, const QString &name) {
            InfoListDialog *dialog = storeKind == InfoStore::People
                ? static_cast<InfoListDialog *>(m_personDlg)
                : static_cast<InfoListDialog *>(m_infoDlg);
            return dialog->AddName(infoType, name);
        });
    }
    m_ledger->editing()->SetTypeAhead(
        [this](QComboBox *box) {
            if (m_itemList)
                m_itemList->ComboChangeProcess(box, this);
        },
        [this] {
            if (m_itemList)
                m_itemList->hide();
        },
        [this] { return m_itemList && m_itemList->isVisible(); });
    m_ledger->editing()->SetWarehousePicker([this](LedgerModel *model, int row, int column) {
        if (!m_storeSetDlg)
            return;
        // The cell is followed when rows above it go.
        const QPersistentModelIndex cell(model->index(row, column));
        const QPointer<LedgerModel> page(model);
        m_storeSetDlg->SetTarget(model->Text(row, column), [page, cell](const QString &location) {
            // The same text again is no edit: the row is not saved for nothing;
            // a failed save marks the row and is reported by the page.
            if (page && cell.isValid() && page->Text(cell.row(), cell.column()) != location)
                (void)page->SetCell(cell.row(), cell.column(), location);
        });
        m_storeSetDlg->show();
        m_storeSetDlg->raise();
        m_storeSetDlg->activateWindow();
    });
    return m_ledger;
}

void MainWindow::StartFirstLoad() { Ledger()->StartLoad(); }
void MainWindow::ShowTabData() { Ledger()->ShowTabData(); }
void MainWindow::RefreshTab() { Ledger()->RefreshTab(); }
// The window's slots, for anything connected to them: the sender names its page once.
namespace {
const PageKind *SenderPage(const QObject *sender)
{
    return sender ? LedgerKinds::FindByWidget(sender->objectName()) : nullptr;
}
} // namespace

void MainWindow::ActionAdd()
{
    if (const PageKind *page = SenderPage(sender()))
        Ledger()->ActionAdd(*page);
}
void MainWindow::ActionDelete()
{
    if (const PageKind *page = SenderPage(sender()))
        Ledger()->ActionDelete(*page);
}
void MainWindow::ActionClear()
{
    if (const PageKind *page = SenderPage(sender()))
        Ledger()->ActionClear(*page);
}
void MainWindow::TotalProcess()
{
    if (const PageKind *page = SenderPage(sender()))
        Ledger()->TotalProcess(*page);
}
void MainWindow::ShowTotalResult() { Ledger()->ShowTotalResult(); }
void MainWindow::TabCellChanged(const QModelIndex &index, const QString &text)
{
    Ledger()->editing()->TabCellChanged(index, text);
}
void MainWindow::GetTabDateToDb(int row, int column, const QString &sendName)
{
    const PageKind *page = LedgerKinds::FindByTable(sendName);
    LedgerModel *model = page ? Ledger()->Model(*page) : nullptr;
    if (model)
        Ledger()->editing()->GetTabDateToDb(model, row, column, model->Text(row, column));
}
void MainWindow::CellChoseProcess(const QModelIndex &index) { Ledger()->editing()->CellChoseProcess(index); }
// The cell editors are wired to the ledger pages directly; these serve any
// other box or date editor connected to the window.
void MainWindow::ComboxTextChanged(const QString &)
{
    Ledger()->editing()->ComboxTextChanged(qobject_cast<QComboBox *>(sender()));
}
void MainWindow::ComboxIndexChanged(int)
{
    Ledger()->editing()->ComboxIndexChanged(qobject_cast<QComboBox *>(sender()));
}
void MainWindow::DateChanged(const QDate &)
{
    Ledger()->editing()->DateChanged(qobject_cast<QWidget *>(sender()));
}
void MainWindow::SaveDbDate() { Ledger()->backup()->SaveDbDate(); }
void MainWindow::EnableAction() { Ledger()->backup()->EnableAction(); }
void MainWindow::RestoreDbDate() { Ledger()->backup()->RestoreDbDate(); }
void MainWindow::WaitForBackup()
{
    if (m_ledger)
        m_ledger->backup()->WaitForBackup();
}
