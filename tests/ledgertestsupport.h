#pragma once

#include "ledger/backuprestore.h"
#include "ledger/ledgerkinds.h"
#include "ledger/ledgermodel.h"
#include "ledger/ledgerpages.h"
#include "widgets/modalseam.h"

#include <QAbstractButton>
#include <QAbstractProxyModel>
#include <QAction>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTableView>
#include <QVBoxLayout>
#include <QWidget>

// The page a button, totals edit or table names.
inline const LedgerKinds::PageKind &Page(const QString &widgetName)
{
    const LedgerKinds::PageKind *page = LedgerKinds::FindByWidget(widgetName);
    if (!page)
        page = LedgerKinds::FindByTable(widgetName);
    Q_ASSERT(page);
    return *page;
}
inline const LedgerKinds::PageKind &Page(const QTableView *view) { return Page(view->objectName()); }

// What a page's view shows.
inline int RowsOf(const QTableView *t) { return t->model() ? t->model()->rowCount() : 0; }
inline QString Cell(const QTableView *t, int row, int column)
{
    return t->model()->index(row, column).data().toString();
}
inline QVariant CellData(const QTableView *t, int row, int column, int role)
{
    return t->model()->index(row, column).data(role);
}
// A value put into a cell (of the view's row) as a finished edit or the
// warehouse picker puts it.
inline void Type(QTableView *t, int row, int column, const QString &text)
{
    const auto *proxy = qobject_cast<const QAbstractProxyModel *>(t->model());
    const QModelIndex source =
        proxy ? proxy->mapToSource(t->model()->index(row, column)) : t->model()->index(row, column);
    auto *model = qobject_cast<LedgerModel *>(proxy ? proxy->sourceModel() : t->model());
    (void)model->SetCell(source.row(), source.column(), text);
}
inline void SetCurrent(QTableView *t, int row, int column,
                       QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::ClearAndSelect)
{
    t->selectionModel()->setCurrentIndex(t->model()->index(row, column), flags);
}

// A bare window holding every page's view and totals edits by object name;
// the controller gives each view its page model.
class PagesWindow : public QWidget
{
public:
    PagesWindow()
    {
        auto *layout = new QVBoxLayout(this);
        for (const LedgerKinds::PageKind &p : LedgerKinds::Pages()) {
            auto *table = new QTableView(this);
            table->setObjectName(p.tableName);
            layout->addWidget(table);
            for (const QString &name : {p.totalEdit, p.paidEdit, p.debtEdit}) {
                if (name.isEmpty())
                    continue;
                auto *edit = new QLineEdit(this);
                edit->setObjectName(name);
                layout->addWidget(edit);
            }
        }
        saveAction = new QAction(QStringLiteral("数据备份"), this);
        saveAction->setObjectName(QStringLiteral("action_datasave"));
        pages = new LedgerPages(this);
    }

    QTableView *Table(const QString &name) const { return findChild<QTableView *>(name); }
    LedgerModel *Model(const QString &name) const { return pages->ModelOf(name); }
    QString Edit(const QString &name) const { return findChild<QLineEdit *>(name)->text(); }

    // Runs the start-up load and waits for the pages to be filled.
    bool Load()
    {
        QSignalSpy shown(pages, &LedgerPages::TabDataShown);
        pages->StartLoad();
        return shown.wait(10000);
    }

    QAction *saveAction = nullptr;
    LedgerPages *pages = nullptr;
};

// Opens a cell's editor as a click on the cell does; null when it gets none.
template <typename Editor>
Editor *OpenEditor(QTableView *table, int row, int column)
{
    const QModelIndex index = table->model()->index(row, column);
    table->setCurrentIndex(index);
    table->edit(index);
    return qobject_cast<Editor *>(table->indexWidget(index));
}

// Answers every box by clicking the button with the given text (or rejecting
// it when there is none) and records "title|text" of each.
class BoxAnswers
{
public:
    explicit BoxAnswers(const QString &click = QStringLiteral("确认")) : m_click(click)
    {
        ModalSeam::SetBoxAnswerer([this](QMessageBox &box) {
            seen << box.windowTitle() + QLatin1Char('|') + box.text();
            for (QAbstractButton *b : box.buttons()) {
                if (b->text() == m_click) {
                    b->click();
                    return;
                }
            }
            box.reject();
        });
    }
    ~BoxAnswers() { ModalSeam::SetBoxAnswerer({}); }
    void Click(const QString &text) { m_click = text; }

    QStringList seen;

private:
    QString m_click;
};
