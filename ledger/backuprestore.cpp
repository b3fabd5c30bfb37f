#include "ledger/backuprestore.h"

#include "db/storedbaccess.h"
#include "db/tablewords.h"
#include "ledger/ledgerpages.h"
#include "ledger/readdatabasethread.h"
#include "widgets/boxes.h"
#include "widgets/looks.h"
#include "widgets/modalseam.h"
#include "widgets/reloginreason.h"

#include <QAction>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

BackupRestore::BackupRestore(LedgerPages *pages, QWidget *window)
    : QObject(pages), m_pages(pages), m_window(window)
{}

void BackupRestore::SetBackupActionEnabled(bool enabled)
{
    if (auto *action = m_window ? m_window->findChild<QAction *>(QStringLiteral("action_datasave")) : nullptr)
        action->setEnabled(enabled);
}

// ---- backup and restore ----

void BackupRestore::SaveDbDate()
{
    if (IsBackingUp())
        return;
    SetBackupActionEnabled(false);
    ReadDatabaseThread *worker = m_pages->NewWorker(ReadDatabaseThread::Backup);
    worker->SetBackupFolder(m_backupFolder);
    m_backupWorker = worker;
    connect(worker, &QThread::finished, this, [this, worker] {
        m_lastBackupWritten = worker->backupWritten();
        m_lastBackupPath = worker->backupPath();
        m_lastBackupError = worker->backupError();
        EnableAction();
        emit BackupFinished(m_lastBackupWritten, m_lastBackupPath);
    });
    worker->StartSelfDeleting();
}

bool BackupRestore::IsBackingUp() const { return m_backupWorker && !m_backupWorker->isFinished(); }

void BackupRestore::EnableAction()
{
    SetBackupActionEnabled(true);
    // A window hidden after it was shown is closing: no box over it.
    const bool closed =
        m_window && m_window->isHidden() && m_window->testAttribute(Qt::WA_WState_ExplicitShowHide);
    if (m_closing || closed)
        return;
    QMessageBox box(m_window);
    box.setWindowTitle(QStringLiteral("提示"));
    if (!m_lastBackupWritten)
        box.setIcon(QMessageBox::Warning);
    box.setText(TableWords::BackupDoneText(m_lastBackupWritten, m_lastBackupPath, m_lastBackupError));
    QPushButton *ok = box.addButton(QStringLiteral("确认"), QMessageBox::AcceptRole);
    ok->setFixedWidth(100);
    box.setDefaultButton(ok);
    ModalSeam::Exec(box);
}

void BackupRestore::WaitForBackup()
{
    m_closing = true;
    if (m_backupWorker)
        m_backupWorker->wait();
}

void BackupRestore::RestoreDbDate()
{
    if (!m_pages->ConfirmDelete())
        return;
    // Restoring replaces every row of the store: the same re-login as clearing.
    const ReloginReason why(TableWords::RestoreReason());
    if (!m_relogin || !m_relogin())
        return;
    const QString path = ModalSeam::GetOpenFileName(
        nullptr, QStringLiteral("标题"), QStringLiteral("DbDateSave"), QStringLiteral("*.sql;;*.sql"));
    qDebug() << path;
    if (path.isEmpty())
        return;
    // The pages' lists must not be read while rows are being replaced.
    m_pages->WaitForLoad();
    StoreDbAccess *store = StoreDbAccess::Instance();
    const QString folder =
        m_backupFolder.isEmpty() ? QDir::currentPath() + QStringLiteral("/DbDateSave") : m_backupFolder;
    const RestoreFiles files = RestoreFiles::For(folder, path, QDateTime::currentDateTime());
    const auto failed = [this](const QString &why) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("数据还原"),
                        QStringLiteral("还原失败，数据未改动：%1").arg(why), QMessageBox::NoButton, m_window);
        box.addButton(QStringLiteral("确认"), QMessageBox::AcceptRole)->setFixedWidth(100);
        ModalSeam::Exec(box);
    };
    const RestorePreview preview = store->PreviewRestore(path);
    if (!preview.ok)
        return failed(preview.error);
    if (!ConfirmRestore(preview, files))
        return;
    const RestoreResult result = store->RestoreStoreTables(path, files);
    if (!result.ok) {
        if (!result.refusedList.isEmpty())
            m_pages->Status(QStringLiteral("未还原的行见 %1").arg(result.refusedList));
        return failed(result.error);
    }
    QString text =
        QStringLiteral("数据还原完成：还原 %1 行，拒绝 %2 行").arg(result.restored).arg(result.refused);
    if (!result.refusedList.isEmpty())
        text += QStringLiteral("，未还原的行见 %1").arg(result.refusedList);
    text += QStringLiteral("；原数据已备份到 %1").arg(QFileInfo(result.safetyBackup).fileName());
    m_pages->Status(text);
    m_pages->RefreshTab();
}

bool BackupRestore::ConfirmRestore(const RestorePreview &preview, const RestoreFiles &files)
{
    QStringList lines;
    lines << QStringLiteral("文件中的数据：");
    lines << TableWords::PreviewLines(preview);
    lines << QStringLiteral("其中 %1 行带有其他店号，将归入本店").arg(preview.RowsOfOtherStores());
    lines << QStringLiteral("本店现有 %1 行将被替换").arg(preview.RowsReplaced());
    if (preview.refused > 0)
        lines << QStringLiteral("%1 行无法识别，不会还原").arg(preview.refused);
    lines << QStringLiteral("还原前的数据将备份到 %1").arg(QFileInfo(files.safetyBackup).fileName());
    QMessageBox box(QMessageBox::Warning, QStringLiteral("数据还原"), lines.join(QLatin1Char('\n')),
                    QMessageBox::NoButton, m_window);
    // Nothing is replaced by pressing Enter: "取消" is the default.
    return Boxes::ConfirmRed(box, false);
}
