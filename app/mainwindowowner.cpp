// The owner's pages in the window: who sees 全店汇总, the stock page's
// "设置预警数量", and the box at login that says what runs low.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "analytics/stockalerts.h"
#include "db/chainstore.h"
#include "db/stockrules.h"
#include "ledger/ledgerkinds.h"
#include "ledger/ledgerpages.h"
#include "widgets/modalseam.h"
#include "widgets/windowmemory.h"

#include <QCheckBox>
#include <QDir>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QModelIndex>
#include <QPushButton>
#include <QSettings>

namespace {

// Types 1 and 2 keep the stock; they set minimums and hear when stock runs low.
bool KeepsStock(int userType) { return userType == 1 || userType == 2; }

QString AlertsOffKey(const QString &account) { return QStringLiteral("StockAlertsOff/") + account; }

} // namespace

void MainWindow::SetUpOwnerPages()
{
    // Another store's rows only for the super user, and only where the settings name the stores.
    m_ui->action_chainsummary->setVisible(m_user.userType == 1 && !ChainStore::Stores().isEmpty());
    if (!KeepsStock(m_user.userType))
        return;
    Ledger()->SetCellMenuHook(
        [this](const LedgerKinds::PageKind &page, QMenu *menu, const QModelIndex &index) {
            if (page.group != LedgerKinds::Group::Goods || page.kind != GoodsKind::CurrentStock)
                return;
            const QString model = index.sibling(index.row(), 3).data().toString();
            const QString color = index.sibling(index.row(), 4).data().toString();
            if (model.isEmpty())
                return;
            QAction *set = menu->addAction(QStringLiteral("设置预警数量"));
            connect(set, &QAction::triggered, this, [this, model, color] { SetStockMinimum(model, color); });
        });
}

void MainWindow::SetStockMinimum(const QString &model, const QString &color)
{
    QList<StockRule> rules;
    QString current;
    if (StockRules::ReadAll(&rules)) {
        for (const StockRule &r : rules)
            if (r.model == model && r.color == color)
                current = r.minimum.ToText();
    }
    QInputDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("设置预警数量"));
    dialog.setLabelText(
        QStringLiteral("型号 %1 %2 的库存不多于此数量时预警（留空则不再预警）：").arg(model, color));
    dialog.setTextValue(current);
    if (ModalSeam::ExecDialog(dialog) != QDialog::Accepted)
        return;
    const Result saved = StockRules::Save(model, color, dialog.textValue());
    if (!saved) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("设置预警数量"),
                        QStringLiteral("预警数量没有保存：%1").arg(saved.error()), QMessageBox::Ok, this);
        (void)ModalSeam::Exec(box); // one button: nothing to decide
        return;
    }
    ShowStatusMessage(
        dialog.textValue().trimmed().isEmpty()
            ? QStringLiteral("型号 %1 %2 不再预警").arg(model, color)
            : QStringLiteral("型号 %1 %2 的预警数量为 %3").arg(model, color, dialog.textValue().trimmed()));
}

void MainWindow::OfferStockAlerts()
{
    if (!KeepsStock(m_user.userType))
        return;
    QSettings memory(WindowMemory::FileIn(QDir::currentPath()), QSettings::IniFormat);
    if (memory.value(AlertsOffKey(m_user.name)).toBool())
        return;
    QVector<StockAlerts::Alert> alerts;
    const Result read = StockAlerts::Read(&alerts);
    if (!read) {
        ShowStatusMessage(QStringLiteral("库存预警未能读取：%1").arg(read.error()));
        return;
    }
    if (alerts.isEmpty())
        return;
    QMessageBox box(QMessageBox::Information, QStringLiteral("库存预警"),
                    StockAlerts::LoginText(alerts.size()), QMessageBox::NoButton, this);
    QPushButton *show = box.addButton(QStringLiteral("查看"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("关闭"), QMessageBox::RejectRole);
    auto *off = new QCheckBox(QStringLiteral("登录时不再提示"), &box);
    box.setCheckBox(off);
    (void)ModalSeam::Exec(box); // the button clicked is what counts
    if (off->isChecked())
        memory.setValue(AlertsOffKey(m_user.name), true);
    if (box.clickedButton() != show)
        return;
    const LedgerKinds::PageKind *page =
        LedgerKinds::Find(LedgerKinds::Group::Sales, LedgerKinds::StockAlertKind);
    m_ui->action_stockalert->trigger();
    Ledger()->ShowGoodsRows(*page, StockAlerts::PageRows(alerts));
    Ledger()->SetCaption(*page, QStringLiteral("当前库存"));
}
