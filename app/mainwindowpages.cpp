// The fifteen ledger pages, built from the table of kinds into the three
// stacks, and the ledger pages' work the window's slots hand on.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/dialoglogin.h"
#include "ledger/ledgerkinds.h"
#include "ledger/ledgerpages.h"
#include "ledger/pageview.h"
#include "masterdata/dialoginfotodb.h"
#include "masterdata/dialogstoreset.h"
#include "masterdata/dialogusermge.h"
#include "masterdata/itemlistwidget.h"
#include "widgets/looks.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
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
    top->addStretch();
    for (const QString &name : kind.ActionButtons())
        top->addWidget(NewButton(name, CaptionOf(kind, name), page));
    layout->addLayout(top);

    auto *table = new QTableWidget(0, kind.ColumnCount(), page);
    table->setObjectName(kind.tableName);
    table->setHorizontalHeaderLabels(kind.columnTitles);
    if (kind.group != Group::Finance)
        table->horizontalHeaderItem(LedgerKinds::SizeColumn)->setToolTip(LedgerKinds::SizeColumnToolTip());
    for (int c = 0; c < kind.ColumnCount(); ++c)
        table->setColumnHidden(c, !kind.IsColumnShown(c));
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
    for (const PageKind &kind : LedgerKinds::Pages()) {
        QTableWidget *table = Table(kind.tableName);
        QHeaderView *header = table->horizontalHeader();
        header->setStretchLastSection(true);
        header->setVisible(true);
        table->verticalHeader()->setVisible(true);
        table->setFrameShape(QFrame::NoFrame);
        table->setSelectionMode(QAbstractItemView::ExtendedSelection);
        table->setSelectionBehavior(QAbstractItemView::SelectRows);
        header->setHighlightSections(false);
        table->setFocusPolicy(Qt::NoFocus);
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
        wire(kind.addButton, &MainWindow::ActionAdd);
        wire(kind.deleteButton, &MainWindow::ActionDelete);
        wire(kind.clearButton, &MainWindow::ActionClear);
        wire(kind.queryButton, &MainWindow::ActionQuery);
        wire(kind.importButton, &MainWindow::InportProcess);
        wire(kind.exportButton, &MainWindow::ExportProcess);
        wire(kind.printButton, &MainWindow::PrintActionProcess);
        wire(kind.totalButton, &MainWindow::TotalProcess);
        wire(kind.titleButton,
             kind.group == Group::Finance ? &MainWindow::ShowRelationWidget : &MainWindow::InitTable);
        // Totals follow the rows the filter shows.
        const QString totalButton = kind.totalButton;
        connect(PageView::Of(Table(kind.tableName)), &PageView::ShownRowsChanged, this,
                [this, totalButton] { Ledger()->ComputePageTotals(totalButton); });

        // Computed pages are never saved, so their cells report nothing.
        if (!kind.IsStored())
            continue;
        QTableWidget *table = Table(kind.tableName);
        connect(table, &QTableWidget::cellChanged, this, &MainWindow::TabCellChanged);
        if (kind.group == Group::Goods)
            connect(table, &QTableWidget::cellClicked, this, &MainWindow::CellChoseProcess);
    }
}

void MainWindow::ConnectPageViews()
{
    connect(Ledger(), &LedgerPages::PageFilled, this, [](QTableWidget *table) {
        if (PageView *view = PageView::Of(table))
            view->Refilled();
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
        QTableWidget *table = chosen && chosen->currentWidget()
            ? chosen->currentWidget()->findChild<QTableWidget *>()
            : nullptr;
        if (PageView *view = PageView::Of(table))
            view->FocusSearch();
    });
}

QTableWidget *MainWindow::Table(const QString &objectName) const
{
    return findChild<QTableWidget *>(objectName);
}

QTableWidget *MainWindow::GoodsTable(int kind) const
{
    const PageKind *page = LedgerKinds::Find(Group::Goods, kind);
    return page ? Table(page->tableName) : nullptr;
}

QTableWidget *MainWindow::FinanceTable(int kind) const
{
    const PageKind *page = LedgerKinds::Find(Group::Finance, kind);
    return page ? Table(page->tableName) : nullptr;
}

QTableWidget *MainWindow::SalesTable() const { return Table(LedgerKinds::Find(Group::Sales, 0)->tableName); }

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
    }
    m_ledger->SetTypeAhead(
        [this](QComboBox *box) {
            if (m_itemList)
                m_itemList->ComboChangeProcess(box, this);
        },
        [this] {
            if (m_itemList)
                m_itemList->hide();
        });
    m_ledger->SetWarehousePicker([this](QTableWidget *table, int row, int column) {
        if (!m_storeSetDlg)
            return;
        m_storeSetDlg->SetTarget(table, row, column);
        m_storeSetDlg->show();
        m_storeSetDlg->raise();
        m_storeSetDlg->activateWindow();
    });
    return m_ledger;
}

void MainWindow::StartFirstLoad() { Ledger()->StartLoad(); }
void MainWindow::ShowTabData() { Ledger()->ShowTabData(); }
void MainWindow::RefreshTab() { Ledger()->RefreshTab(); }
void MainWindow::ActionAdd() { Ledger()->ActionAdd(sender() ? sender()->objectName() : QString()); }
void MainWindow::ActionDelete() { Ledger()->ActionDelete(sender() ? sender()->objectName() : QString()); }
void MainWindow::ActionClear() { Ledger()->ActionClear(sender() ? sender()->objectName() : QString()); }
void MainWindow::TotalProcess() { Ledger()->TotalProcess(sender() ? sender()->objectName() : QString()); }
void MainWindow::ShowTotalResult() { Ledger()->ShowTotalResult(); }
void MainWindow::TabCellChanged(int row, int column)
{
    Ledger()->TabCellChanged(qobject_cast<QTableWidget *>(sender()), row, column);
}
void MainWindow::GetTabDateToDb(int row, int column, const QString &sendName)
{
    Ledger()->GetTabDateToDb(row, column, sendName);
}
void MainWindow::CellChoseProcess(int row, int column)
{
    Ledger()->CellChoseProcess(qobject_cast<QTableWidget *>(sender()), row, column);
}
// The cell editors are wired to the ledger pages directly; these serve any
// other box or date editor connected to the window.
void MainWindow::ComboxTextChanged(const QString &)
{
    Ledger()->ComboxTextChanged(qobject_cast<QComboBox *>(sender()));
}
void MainWindow::ComboxIndexChanged(int)
{
    Ledger()->ComboxIndexChanged(qobject_cast<QComboBox *>(sender()));
}
void MainWindow::DateChanged(const QDate &date)
{
    Ledger()->DateChanged(qobject_cast<QWidget *>(sender()), date);
}
void MainWindow::SaveDbDate() { Ledger()->SaveDbDate(); }
void MainWindow::EnableAction() { Ledger()->EnableAction(); }
void MainWindow::RestoreDbDate() { Ledger()->RestoreDbDate(); }
void MainWindow::WaitForBackup()
{
    if (m_ledger)
        m_ledger->WaitForBackup();
}
