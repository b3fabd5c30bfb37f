#include "db/tablewords.h"

#include "db/schema.h"
#include "db/storedbaccess.h"

#include <QDir>
#include <QFileInfo>

namespace TableWords {
namespace {

struct KindWord
{
    int kind;
    const char *title;
};

struct TableWord
{
    const char *table;
    const char *title;
    QList<KindWord> kinds;
};

// Page titles as the pages show them; list names as the list dialogs' tabs.
const QList<TableWord> &Words()
{
    static const QList<TableWord> words = {
        {"tb_sm_product_info",
         "商品台账",
         {{0, "采购进货表"}, {1, "采购退货表"}, {2, "销售管理表"}, {3, "销售退货表"}, {4, "损耗表"}}},
        {"tb_sm_finance_info",
         "财务台账",
         {{0, "收款管理表"},
          {1, "未收欠款管理表"},
          {2, "其他收入表"},
          {3, "采购支付表"},
          {4, "员工薪酬表"},
          {5, "水电租赁支出表"},
          {6, "其他支出表"}}},
        {"tb_sm_prestore_info",
         "商品与仓库列表",
         {{1, "商品类目列表"},
          {2, "商品名称列表"},
          {3, "商品型号列表"},
          {4, "商品色号列表"},
          {6, "商品规格列表"},
          {8, "仓库信息列表"}}},
        {"tb_sm_person_info",
         "人员与单位列表",
         {{0, "用户信息列表"},
          {1, "员工信息列表"},
          {2, "客户信息列表"},
          {3, "分销商列表"},
          {4, "供应商信息列表"},
          {5, "往来单位列表"}}},
        {"tb_sm_user", "用户账号", {}},
        {"tb_sm_stock_rule", "库存预警数量", {}},
    };
    return words;
}

const TableWord *Find(const QString &table)
{
    for (const TableWord &w : Words())
        if (table == QLatin1String(w.table))
            return &w;
    return nullptr;
}

} // namespace

QString TableTitle(const QString &table)
{
    const TableWord *w = Find(table);
    return w ? QString::fromUtf8(w->title) : table;
}

QString KindTitle(const QString &table, int kind)
{
    if (const TableWord *w = Find(table))
        for (const KindWord &k : w->kinds)
            if (k.kind == kind)
                return QString::fromUtf8(k.title);
    return QStringLiteral("类别 %1").arg(kind);
}

bool HasKinds(const QString &table)
{
    const TableWord *w = Find(table);
    return w && !w->kinds.isEmpty();
}

QStringList PreviewLines(const RestorePreview &preview)
{
    QStringList lines;
    for (const RestorePreview::Table &t : preview.tables) {
        lines << QStringLiteral("  %1：%2 行（本店现有 %3 行）")
                     .arg(TableTitle(t.name))
                     .arg(t.inFile)
                     .arg(t.replaced);
        QStringList parts;
        for (auto it = t.kinds.constBegin(); it != t.kinds.constEnd(); ++it)
            parts << QStringLiteral("%1 %2 行").arg(KindTitle(t.name, it.key())).arg(it.value());
        if (!parts.isEmpty())
            lines << QStringLiteral("      ") + parts.join(QStringLiteral("，"));
    }
    return lines;
}

QString BackupDoneText(bool written, const QString &path, const QString &reason)
{
    const QFileInfo file(path);
    const QString folder = QDir::toNativeSeparators(file.absolutePath());
    if (written)
        return QStringLiteral("备份完成：文件 %1\n保存在 %2").arg(file.fileName(), folder);
    const QString failed = QStringLiteral("备份失败：文件 %1 未能写入").arg(QDir::toNativeSeparators(path));
    return reason.isEmpty() ? failed : failed + QStringLiteral("\n原因：") + reason;
}

QString ClearReason() { return QStringLiteral("清空需要超级用户或授权用户确认"); }

QString RestoreReason() { return QStringLiteral("还原需要超级用户或授权用户确认"); }

} // namespace TableWords
