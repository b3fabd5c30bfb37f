#include "db/listtables.h"

namespace ListTables {

const QVector<ListTableDef> &MasterData()
{
    static const QVector<ListTableDef> tables = {
        {ListNo::GoodsClass,
         QStringLiteral("商品类目"),
         QStringLiteral("tableWidgetClass"),
         {QStringLiteral("商品类目-主要用作记录商品分类，便于对商品进行管理")}},
        {ListNo::GoodsName,
         QStringLiteral("商品名称"),
         QStringLiteral("tableWidgetName"),
         {QStringLiteral("商品名称-主要用作给商品进行一个便于记忆的或有趣的名称")}},
        {ListNo::GoodsModel,
         QStringLiteral("商品型号"),
         QStringLiteral("tableWidgetModel"),
         {QStringLiteral("商品型号-主要用作记录商品出厂型号，作为识别标识")}},
        {ListNo::GoodsColor,
         QStringLiteral("商品色号"),
         QStringLiteral("tableWidgetColor"),
         {QStringLiteral("商品色号-主要用作记录商品颜色型号或颜色命名")}},
        {ListNo::GoodsSize,
         QStringLiteral("商品规格"),
         QStringLiteral("tableWidgetSize"),
         {QStringLiteral("商品规格-主要是可以用作记录商品的尺寸(长×宽×高×单位数目)")}},
        {ListNo::Warehouse,
         QStringLiteral("仓库信息"),
         QStringLiteral("tableWidgetStore"),
         {QStringLiteral("仓库名称"), QStringLiteral("仓库地址"), QStringLiteral("仓库编号"),
          QStringLiteral("仓库分区数"), QStringLiteral("分区编号数"), QStringLiteral("管理员"),
          QStringLiteral("联系方式")}},
    };
    return tables;
}

const QVector<ListTableDef> &People()
{
    static const QStringList partner = {
        QStringLiteral("联系人"),   QStringLiteral("性别"),     QStringLiteral("年龄"),
        QStringLiteral("微信"),     QStringLiteral("联系电话"), QStringLiteral("联系地址"),
        QStringLiteral("单位名称"), QStringLiteral("单位网址"), QStringLiteral("备注")};
    static const QVector<ListTableDef> tables = {
        {ListNo::Users,
         QStringLiteral("用户信息管理"),
         QStringLiteral("tableWidget"),
         {QStringLiteral("用户名"), QStringLiteral("手机号"), QStringLiteral("密码"),
          QStringLiteral("用户权限"), QStringLiteral("备注")}},
        {ListNo::Employees,
         QStringLiteral("员工信息管理"),
         QStringLiteral("tableWidget_2"),
         {QStringLiteral("姓名"), QStringLiteral("性别"), QStringLiteral("年龄"), QStringLiteral("学历"),
          QStringLiteral("微信"), QStringLiteral("身份证号"), QStringLiteral("联系方式"),
          QStringLiteral("入职时间"), QStringLiteral("工作岗位"), QStringLiteral("住宿地址")}},
        {ListNo::Customers, QStringLiteral("客户信息管理"), QStringLiteral("tableWidget_3"), partner},
        {ListNo::Distributors, QStringLiteral("分销商管理"), QStringLiteral("tableWidget_4"), partner},
        {ListNo::Suppliers, QStringLiteral("供应商信息管理"), QStringLiteral("tableWidget_5"), partner},
        {ListNo::Partners, QStringLiteral("往来单位管理"), QStringLiteral("tableWidget_6"), partner},
    };
    return tables;
}

QString ButtonName(Button family, int tabIndex)
{
    // The first tab's add/delete/clear/confirm buttons carry no number; the
    // import and export buttons are numbered from 1 on every tab.
    const QString suffix = tabIndex == 0 ? QString() : QStringLiteral("_%1").arg(tabIndex + 1);
    switch (family) {
    case Button::Add: return QStringLiteral("btn_add") + suffix;
    case Button::Del: return QStringLiteral("btn_del") + suffix;
    case Button::Clear: return QStringLiteral("btn_clear") + suffix;
    case Button::Ok: return QStringLiteral("btn_ok") + suffix;
    case Button::Import: return QStringLiteral("btn_import_%1").arg(tabIndex + 1);
    case Button::Export: return QStringLiteral("btn_export_%1").arg(tabIndex + 1);
    }
    return QString();
}

QString RowNumberTitle() { return QStringLiteral("序号"); }

} // namespace ListTables
