#include "ledger/listsource.h"

#include "db/records.h"
#include "db/storedbaccess.h"
#include "masterdata/listcodec.h"

QStringList ListSource::FirstFields(const QString &listText)
{
    QStringList out = ListCodec::ColumnValues(listText, 0);
    out.removeAll(QString());
    return out;
}

QStringList StoredListSource::Choices(int storeKind, int infoType) const
{
    InfoList list;
    list.infoType = infoType;
    if (!StoreDbAccess::Instance()->ReadInfoList(storeKind, list))
        return {};
    return FirstFields(list.list);
}
