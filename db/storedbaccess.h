#pragma once

#include "db/records.h"
#include "db/result.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QVector>

class DbManager;

// A line of a backup file that a restore leaves out, and why.
struct RestoreLine
{
    int line = 0; // 1-based line of the file where the statement starts
    QString reason;
};

// Counts from a restore, for the window to show.
struct RestoreResult
{
    bool ok = false;                 // the file was read and the replay committed
    int restored = 0;                // rows inserted
    int refused = 0;                 // lines that were not a well-formed insert into one of our tables,
                                     // or whose values the database refused (a goods date on PostgreSQL)
    QList<RestoreLine> refusedLines; // one per refused line, in file order
    QString refusedList;             // the file listing refusedLines, when written
    QString safetyBackup;            // the store as it was before, when written
    QString damagedFile;             // where a damaged database file was kept when the restore replaced it
    QString error;                   // why nothing was restored, when ok is false
};

// What a restore of a file would do, read without changing anything: the same
// checks as the restore itself. Values the database alone refuses (a date on
// PostgreSQL) are only found by the restore.
struct RestorePreview
{
    struct Table
    {
        QString name;
        int inFile = 0;       // rows of the file that would be restored
        int otherStore = 0;   // of those, rows carrying another store number
        int replaced = 0;     // rows of this store now in the table, all deleted
        QMap<int, int> kinds; // rows of the file by tab_type / info_type
    };
    bool ok = false;     // the restore would go ahead
    QList<Table> tables; // the program's tables in creation order
    int refused = 0;
    int foreignAccounts = 0; // of the refused lines, accounts of another store
    QList<RestoreLine> refusedLines;
    QString error; // why the restore would change nothing

    int RowsInFile() const;
    int RowsReplaced() const;
    int RowsOfOtherStores() const;
};

// Where a restore keeps the store as it was, and lists the lines it left out.
struct RestoreFiles
{
    QString safetyBackup; // <folder>/record_<stamp>_before_restore.sql, a name not yet taken
    QString refusedList;  // <folder>/<file name>.refused.txt
    static RestoreFiles For(const QString &folder, const QString &filePath, const QDateTime &now);
};

// Store-scoped data access: every operation reads and writes only the rows
// whose store_no is storeNo(). One instance for the process. The operations
// are written in one file per table family (storedbaccess_*.cpp).
class StoreDbAccess
{
public:
    static StoreDbAccess *Instance();

    void SetDbManager(DbManager *manager) { m_dbManager = manager; }
    DbManager *dbManager() const { return m_dbManager; }
    void SetStoreNo(const QString &storeNo) { m_storeNo = storeNo; }
    const QString &storeNo() const { return m_storeNo; }

    // Start-up of either program in the working folder: opens the database the
    // settings name (creating missing tables) and takes the settings' store
    // number. The manager and the store number are set even when the
    // connection fails; a failure then, with the reason.
    // storeNoFallback, when given, tells whether the settings gave no store number.
    static Result ConnectFromSettings(bool *storeNoFallback = nullptr);

    // "StoreNo/No" of the settings file, unchanged; when it is empty, a stable
    // identifier of this installation (machine id, else host name).
    // fallback, when given, tells whether the identifier stood in.
    static QString ReadStoreNo(const QString &iniPath = QStringLiteral("InitParam/dBConfig.ini"),
                               bool *fallback = nullptr);

    Result DeleteStoreRows(const QString &tableName);

    // Goods ledger rows (tb_sm_product_info).
    Result SaveGoodsRow(const GoodsRecord &record);
    Result DeleteGoodsRow(const GoodsRecord &record);
    Result DeleteGoodsKind(int tabType);
    // mode: 1 day, 2 month, 3 year, 4 range [startDate, date], 5 everything.
    // tabType -1 means every kind. Appends to out; out is untouched on failure.
    Result QueryGoods(int mode, int tabType, const QString &startDate, const QString &date, GoodsList &out);
    // As QueryGoods, reading only the texts listed (text indices of the
    // record); the other texts keep the record's defaults. For computations
    // that need a few fields of many rows.
    Result QueryGoodsTexts(int mode, int tabType, const QString &startDate, const QString &date,
                           const QVector<int> &texts, GoodsList &out);
    // Appends the latest row in entry order with the goods code, of one kind
    // (any with -1), leaving out the row with exceptSerial; nothing when none.
    Result LatestGoodsWithCode(const QString &code, int tabType, const QString &exceptSerial, GoodsList &out);
    // Appends every row of one article (model, colour, warehouse), entry order.
    Result QueryArticleGoods(const QString &model, const QString &color, const QString &store,
                             GoodsList &out);

    // Finance ledger rows (tb_sm_finance_info).
    Result SaveFinanceRow(const FinanceRecord &record);
    Result DeleteFinanceRow(const FinanceRecord &record);
    Result DeleteFinanceKind(int tabType);
    Result QueryFinance(int mode, int tabType, const QString &startDate, const QString &date,
                        FinanceList &out);
    // As QueryGoodsTexts, for finance rows.
    Result QueryFinanceTexts(int mode, int tabType, const QString &startDate, const QString &date,
                             const QVector<int> &texts, FinanceList &out);

    // An import's rows inside the caller's transaction, statements prepared
    // once: a row marked fresh (its serial made by the import, so it cannot
    // be stored yet) is inserted without a look-up; another updates the row
    // of its serial, or is inserted when there is none. On failure failedAt
    // is the index of the refused row; the caller rolls back.
    Result SaveImportedGoods(const QList<GoodsRecord> &rows, const QVector<bool> &fresh, int *failedAt);
    Result SaveImportedFinance(const QList<FinanceRecord> &rows, const QVector<bool> &fresh, int *failedAt);

    // Information lists; storeKind is InfoStore::MasterData or InfoStore::People.
    Result SaveInfoList(int storeKind, const InfoList &list);
    Result ReadInfoList(int storeKind, InfoList &list);
    Result DeleteInfoList(int storeKind, int infoType);

    // User accounts, all within the current store.
    Result AddOrUpdateUser(const UserRecord &user);
    Result DeleteUser(const UserRecord &user);
    // Deletes every account of the store and writes these, in one transaction.
    Result ReplaceUsers(const QList<UserRecord> &users);
    // Whether an account of any store has this password (matches); account is
    // a phone number or a user name. Fails only when the store cannot be asked.
    Result CheckUserPassword(const QString &account, const QString &password, bool *matches);
    // Fills user from the account whose phone or name matches (and whose password,
    // when user carries one, is that password); unchanged, found false, when none does.
    Result ReadUser(UserRecord &user, bool *found);
    // The account of this store (not of any other) with this phone or name
    // and exactly this password, into user; a failure says why.
    Result FindStoreAccount(const QString &account, const QString &password, UserRecord *user);
    // Whether the built-in account (admin/470215) may log in: not when this
    // store has an account called "admin" (that account is "admin" here), nor,
    // with the built-in account switched off, once the store has a type-1
    // account. A store that cannot be asked holds nothing to protect: allowed.
    Result BuiltInAccountAllowed(bool switchedOff);
    // "[Login] BuiltInAccount" of the settings file: false (or 0, no, off) switches it off.
    static bool BuiltInAccountSwitchedOff(const QString &iniPath = QStringLiteral("InitParam/dBConfig.ini"));
    static Result SwitchBuiltInAccount(bool on,
                                       const QString &iniPath = QStringLiteral("InitParam/dBConfig.ini"));

    // Backup: one insert line per row of the store, into a file that does not
    // exist yet (an existing one is never overwritten). A failure when the file
    // was not written, or was written without the tables its reason names.
    Result DumpStoreTables(const QString &filePath);
    // What RestoreStoreTables would do with the file; reads only.
    [[nodiscard]] RestorePreview PreviewRestore(const QString &filePath);
    // Replaces the store's rows by those of a backup file, all or nothing,
    // after writing the store as it was to files.safetyBackup (no safety
    // copy, no restore). A file without a restorable row changes nothing.
    // Lines left out are listed in files.refusedList; accounts of another
    // store are among them. A damaged SQLite file is kept aside
    // (damagedFile) and the rows go into a new one.
    [[nodiscard]] RestoreResult RestoreStoreTables(const QString &filePath, const RestoreFiles &files);

    // Month and year periods: the first and last day as "yyyy-MM-dd".
    static void PeriodBounds(int mode, const QString &startDate, const QString &date, QString &from,
                             QString &to);

private:
    StoreDbAccess() = default;

    DbManager *m_dbManager = nullptr;
    QString m_storeNo;
};
