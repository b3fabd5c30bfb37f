#include "db/listcodec.h"
#include "db/storedbaccess.h"
#include "masterdata/infolistdialog.h"

#include <QTableWidget>

Result InfoListDialog::AddName(int infoType, const QString &name)
{
    int index = -1;
    for (int i = 0; i < m_defs.size(); ++i) {
        if (m_defs.at(i).infoType == infoType)
            index = i;
    }
    if (index < 0)
        return Result::Fail(QStringLiteral("没有这个名单"));
    if (name.trimmed().isEmpty())
        return Result::Fail(QStringLiteral("名字是空的"));
    // A ";" would split the row when the list is next read.
    if (!ListCodec::IsStorable(name))
        return Result::Fail(QStringLiteral("内容不能包含分号\";\""));
    if (ColumnValues(infoType, 0).contains(name))
        return Result::Ok();

    QTableWidget *table = m_tableWidgets.at(index);
    const bool wasBusy = m_busy;
    m_busy = true;
    AddEmptyRow(table);
    const int row = table->rowCount() - 1;
    table->item(row, 1)->setText(name);
    const InfoList list = TableList(index);
    StoreDbAccess *store = StoreDbAccess::Instance();
    const Result saved = store->SaveInfoList(m_listKind, list);
    if (!saved) {
        table->removeRow(row);
        m_busy = wasBusy;
        return saved.Prefixed(QStringLiteral("保存失败："));
    }
    m_currentLists[infoType] = list;
    m_busy = wasBusy;
    emit sendRefresh();
    return Result::Ok();
}
