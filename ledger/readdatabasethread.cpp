#include "ledger/readdatabasethread.h"

#include "db/backupscript.h"
#include "db/storedbaccess.h"
#include "ledger/ledgerlists.h"

#include <QDate>

ReadDatabaseThread::ReadDatabaseThread(LedgerLists *lists, int type, QObject *parent)
    : QThread(parent), m_lists(lists), m_type(type)
{}

ReadDatabaseThread::~ReadDatabaseThread() { wait(); }

void ReadDatabaseThread::SetImportParam(int sheet, const QString &path, QStringList *list)
{
    m_importSheet = sheet;
    m_importPath = path;
    m_importList = list;
}

QString ReadDatabaseThread::BackupFileName(const QDateTime &when) { return BackupScript::FileName(when); }

void ReadDatabaseThread::StartSelfDeleting()
{
    connect(this, &QThread::finished, this, &QObject::deleteLater);
    start(QThread::InheritPriority);
}

void ReadDatabaseThread::run()
{
    QReadLocker locker(&m_lock);
    switch (m_type) {
    case LoadToday: LoadTodayRows(); break;
    case Backup: WriteBackup(); break;
    default:
        if (m_work)
            m_work(*this);
        break;
    }
}

void ReadDatabaseThread::LoadTodayRows()
{
    if (!m_lists)
        return;
    StoreDbAccess *store = StoreDbAccess::Instance();
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    for (int k = 0; k < GoodsKind::StoredCount; ++k) {
        m_lists->pageGoodsLists[k].clear();
        const Result read = store->QueryGoods(1, k, QString(), today, m_lists->pageGoodsLists[k]);
        if (!read && m_loadError.isEmpty())
            m_loadError = read.error();
    }
    for (int k = 0; k < FinanceKind::StoredCount; ++k) {
        m_lists->pageFinanceLists[k].clear();
        const Result read = store->QueryFinance(1, k, QString(), today, m_lists->pageFinanceLists[k]);
        if (!read && m_loadError.isEmpty())
            m_loadError = read.error();
    }
}

void ReadDatabaseThread::WriteBackup()
{
    const QString folder = m_backupFolder.isEmpty() ? BackupScript::DefaultFolder() : m_backupFolder;
    m_backupPath = folder + QLatin1Char('/') + BackupFileName(QDateTime::currentDateTime());
    const Result written = StoreDbAccess::Instance()->DumpStoreTables(m_backupPath);
    m_backupWritten = written.ok();
    m_backupError = written.error();
}
