#pragma once

#include "query/queryfilter.h"
#include "query/queryprocess.h"

#include <QDialog>
#include <QStringList>
#include <functional>

namespace Ui {
class DialogQuery;
}

// "信息查询": the date mode, the dates and the text conditions of a page
// query. One dialog serves every page; what was chosen stays for the next query.
class DialogQuery : public QDialog
{
    Q_OBJECT
public:
    explicit DialogQuery(QWidget *parent = nullptr);
    ~DialogQuery() override;

    // The first-column values of a list (storeKind InfoStore::MasterData or
    // People, infoType the list's number) as the list dialogs hold them.
    using ListValues = std::function<QStringList(int storeKind, int infoType)>;
    // Runs the warehouse picker; true with the chosen location, false when it
    // was closed without a choice.
    using WarehousePicker = std::function<bool(QString *chosen)>;

    // The lists the condition combos offer and the warehouse picker of the
    // warehouse condition (masterdata/listdialogsources.h makes both from the
    // list dialogs). Fills the combos and empties every condition.
    void SetSources(ListValues lists, WarehousePicker picker);
    // Refills the combos from the sources' current lists; typed conditions stay.
    void RefreshLists();

    // The page that asked: group (QueryGroup) and kind; shows its conditions.
    void SetPage(int group, int kind);
    // The same from a page's query button; false for any other name.
    bool SetPageFromButton(const QString &buttonName);

    int dateMode() const { return m_dateMode; }
    bool noContentFilter() const { return m_noContentFilter; }
    int pageGroup() const { return m_pageGroup; }
    int pageKind() const { return m_pageKind; }

    // The query as the dialog stands: dates of the editors, every condition text.
    QueryRequest Request() const;
    // Texts of the condition widgets of one table, in its order.
    QStringList Conditions(const QVector<QueryFilter::ConditionField> &fields) const;
    // Sets one condition widget's text (combo or line edit) by object name.
    bool SetCondition(const QString &widgetName, const QString &text);

signals:
    void sendQueryCmd();

public slots:
    void RadioButtonProcess();
    void ProcessBtn();
    void ProcessStore();

private:
    void ClearConditions(const QVector<QueryFilter::ConditionField> &fields);
    QStringList ListChoices(int storeKind, int infoType) const;

    Ui::DialogQuery *m_ui;
    int m_dateMode = QueryDateMode::Day;
    bool m_noContentFilter = false;
    int m_pageGroup = QueryGroup::Goods;
    int m_pageKind = 0;
    ListValues m_lists;
    WarehousePicker m_picker;
};
