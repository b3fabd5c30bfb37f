#include "ctl/command_history.h"

#include "db/changelog.h"
#include "ledger/ledgerkinds.h"

namespace Ctl {

Result HistoryCsv(const QString &from, const QString &to, const QString &user, const QString &page,
                  QString *csv)
{
    ChangeLog::Filter filter;
    // Open ends of the period arrive as the widest dates.
    filter.from = from == QLatin1String("0000-01-01") ? QString() : from;
    filter.to = to == QLatin1String("9999-12-31") ? QString() : to;
    filter.account = user;
    if (!page.isEmpty()) {
        const LedgerKinds::PageKind *kind = LedgerKinds::FindByTable(page);
        for (const LedgerKinds::PageKind &p : LedgerKinds::Pages())
            if (!kind && p.titleText == page)
                kind = &p;
        if (!kind || !kind->IsStored())
            return Result::Fail(QStringLiteral("没有名为“%1”的存储账页").arg(page));
        filter.page = kind->tableName;
    }
    QList<ChangeEntry> entries;
    const Result read = ChangeLog::Read(filter, &entries);
    if (!read)
        return read;
    *csv = ChangeLog::Csv(entries);
    return Result::Ok();
}

} // namespace Ctl
