#pragma once

#include "ledger/ledgerkinds.h"
#include "ledger/ledgerpages.h"
#include "widgets/modalseam.h"

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWidget>

// A bare window holding every page's table and totals edits by object name,
// with the tables wired to the controller the way the main window wires them.
class PagesWindow : public QWidget
{
public:
    PagesWindow()
    {
        auto *layout = new QVBoxLayout(this);
        for (const LedgerKinds::PageKind &p : LedgerKinds::Pages()) {
            auto *table = new QTableWidget(0, p.ColumnCount(), this);
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
        for (const LedgerKinds::PageKind &p : LedgerKinds::Pages()) {
            if (!p.IsStored())
                continue;
            QTableWidget *table = Table(p.tableName);
            QObject::connect(table, &QTableWidget::cellChanged, pages,
                             [this, table](int r, int c) { pages->TabCellChanged(table, r, c); });
        }
    }

    QTableWidget *Table(const QString &name) const { return findChild<QTableWidget *>(name); }
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
Editor *OpenEditor(QTableWidget *table, int row, int column)
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
