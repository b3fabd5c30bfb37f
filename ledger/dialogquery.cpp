#include "ledger/dialogquery.h"
#include "ui_dialogquery.h"

#include "ledger/ledgerkinds.h"
#include "ledger/listsource.h"

#include <QComboBox>
#include <QDate>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

struct ListRef
{
    int storeKind;
    int infoType;
};

// Which lists each condition combo offers, appended in this order. The item
// combo of the finance page has none: items are typed.
struct ComboLists
{
    const char *combo;
    QVector<ListRef> lists;
};

const QVector<ComboLists> &ComboSources()
{
    using namespace InfoStore;
    static const QVector<ComboLists> sources = {
        {"comboBox", {{MasterData, ListNo::GoodsClass}}},
        {"comboBox_2", {{MasterData, ListNo::GoodsName}}},
        {"comboBox_3", {{MasterData, ListNo::GoodsModel}}},
        {"comboBox_9", {{MasterData, ListNo::GoodsModel}}},
        {"comboBox_4", {{MasterData, ListNo::GoodsColor}}},
        {"comboBox_5", {{MasterData, ListNo::GoodsSize}}},
        {"comboBox_6",
         {{People, ListNo::Suppliers}, {People, ListNo::Customers}, {People, ListNo::Distributors}}},
        {"comboBox_32",
         {{People, ListNo::Suppliers}, {People, ListNo::Customers}, {People, ListNo::Distributors}}},
        {"comboBox_10", {{People, ListNo::Distributors}, {People, ListNo::Employees}}},
        {"comboBox_7", {{People, ListNo::Employees}}},
        {"comboBox_8", {{People, ListNo::Employees}}},
        {"comboBox_33", {{People, ListNo::Employees}}},
        {"comboBox_34", {{People, ListNo::Employees}}},
    };
    return sources;
}

const QVector<QueryFilter::ConditionField> &FieldsOfGroup(int group)
{
    switch (group) {
    case QueryGroup::Sales: return QueryFilter::SalesFields();
    case QueryGroup::Finance: return QueryFilter::FinanceFields();
    default: return QueryFilter::GoodsFields();
    }
}

int GroupNumber(LedgerKinds::Group group)
{
    switch (group) {
    case LedgerKinds::Group::Sales: return QueryGroup::Sales;
    case LedgerKinds::Group::Finance: return QueryGroup::Finance;
    default: return QueryGroup::Goods;
    }
}

} // namespace

DialogQuery::DialogQuery(QWidget *parent) : QDialog(parent), m_ui(new Ui::DialogQuery)
{
    m_ui->setupUi(this);

    const QDate today = QDate::currentDate();
    m_ui->dateEdit->setDate(today);
    m_ui->dateEdit_2->setDate(today);
    m_ui->dateEdit->hide();

    for (QRadioButton *radio : {m_ui->radioButton, m_ui->radioButton_2, m_ui->radioButton_3,
                                m_ui->radioButton_4, m_ui->radioButton_5})
        connect(radio, &QRadioButton::clicked, this, &DialogQuery::RadioButtonProcess);
    for (QPushButton *button : {m_ui->btn_cancel, m_ui->btn_all, m_ui->btn_query, m_ui->btn_clrcont,
                                m_ui->btn_clrcont_2, m_ui->btn_clrcont_3})
        connect(button, &QPushButton::clicked, this, &DialogQuery::ProcessBtn);
    connect(m_ui->lineEdit_2, &QLineEdit::textEdited, this, &DialogQuery::ProcessStore);
    // Enter in a condition box must not press "退出" or close the dialog.
    for (QPushButton *button : findChildren<QPushButton *>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
}

DialogQuery::~DialogQuery() { delete m_ui; }

void DialogQuery::SetSources(ListValues lists, WarehousePicker picker)
{
    m_lists = std::move(lists);
    m_picker = std::move(picker);
    RefreshLists();
    for (int group : {QueryGroup::Goods, QueryGroup::Sales, QueryGroup::Finance})
        ClearConditions(FieldsOfGroup(group));
}

QStringList DialogQuery::ListChoices(int storeKind, int infoType) const
{
    if (!m_lists)
        return {};
    QStringList values = m_lists(storeKind, infoType);
    values.removeAll(QString());
    return values;
}

void DialogQuery::RefreshLists()
{
    for (const ComboLists &source : ComboSources()) {
        auto *box = findChild<QComboBox *>(QLatin1String(source.combo));
        if (!box)
            continue;
        const QString typed = box->currentText();
        QStringList items;
        for (const ListRef &list : source.lists)
            items << ListChoices(list.storeKind, list.infoType);
        box->clear();
        box->addItems(items);
        box->setCurrentIndex(-1);
        box->setEditText(typed);
    }
}

void DialogQuery::SetPage(int group, int kind)
{
    m_pageGroup = group;
    m_pageKind = kind;
    const int index = group == QueryGroup::Sales ? 1 : group == QueryGroup::Finance ? 2 : 0;
    m_ui->stackedWidget->setCurrentIndex(index);
}

bool DialogQuery::SetPageFromButton(const QString &buttonName)
{
    const LedgerKinds::PageKind *page = LedgerKinds::FindByWidget(buttonName);
    if (!page || page->queryButton != buttonName)
        return false;
    SetPage(GroupNumber(page->group), page->kind);
    return true;
}

QStringList DialogQuery::Conditions(const QVector<QueryFilter::ConditionField> &fields) const
{
    QStringList texts;
    for (const QueryFilter::ConditionField &f : fields) {
        if (f.editLine) {
            const auto *edit = findChild<QLineEdit *>(f.widget);
            texts << (edit ? edit->text() : QString());
        } else {
            const auto *box = findChild<QComboBox *>(f.widget);
            texts << (box ? box->currentText() : QString());
        }
    }
    return texts;
}

bool DialogQuery::SetCondition(const QString &widgetName, const QString &text)
{
    if (auto *edit = findChild<QLineEdit *>(widgetName)) {
        edit->setText(text);
        return true;
    }
    if (auto *box = findChild<QComboBox *>(widgetName); box && box->isEditable()) {
        box->setEditText(text);
        return true;
    }
    return false;
}

QueryRequest DialogQuery::Request() const
{
    QueryRequest r;
    r.dateMode = m_dateMode;
    r.noContentFilter = m_noContentFilter;
    r.pageGroup = m_pageGroup;
    r.pageKind = m_pageKind;
    r.dateFrom = m_ui->dateEdit->date().toString(kDateFormat);
    r.dateTo = m_ui->dateEdit_2->date().toString(kDateFormat);
    r.goodsConditions = Conditions(QueryFilter::GoodsFields());
    r.salesConditions = Conditions(QueryFilter::SalesFields());
    r.financeConditions = Conditions(QueryFilter::FinanceFields());
    return r;
}

void DialogQuery::ClearConditions(const QVector<QueryFilter::ConditionField> &fields)
{
    for (const QueryFilter::ConditionField &f : fields)
        SetCondition(f.widget, QString());
}

void DialogQuery::RadioButtonProcess()
{
    m_ui->dateEdit->hide();
    const QObject *from = sender();
    const QList<QRadioButton *> radios = {m_ui->radioButton, m_ui->radioButton_2, m_ui->radioButton_3,
                                          m_ui->radioButton_4, m_ui->radioButton_5};
    for (int i = 0; i < radios.size(); ++i) {
        if (from == radios.at(i))
            m_dateMode = i + 1;
    }
    if (from == m_ui->radioButton_4)
        m_ui->dateEdit->show();
}

void DialogQuery::ProcessBtn()
{
    const QString name = sender() ? sender()->objectName() : QString();
    if (name == QLatin1String("btn_cancel")) {
        hide();
    } else if (name == QLatin1String("btn_all")) {
        m_noContentFilter = true;
        m_dateMode = QueryDateMode::AllTime;
        m_ui->radioButton_5->setChecked(true);
        m_ui->dateEdit->hide();
        emit sendQueryCmd();
        hide();
    } else if (name == QLatin1String("btn_query")) {
        m_noContentFilter = false;
        emit sendQueryCmd();
    } else if (name == QLatin1String("btn_clrcont")) {
        ClearConditions(QueryFilter::GoodsFields());
    } else if (name == QLatin1String("btn_clrcont_2")) {
        ClearConditions(QueryFilter::SalesFields());
    } else if (name == QLatin1String("btn_clrcont_3")) {
        ClearConditions(QueryFilter::FinanceFields());
    }
}

void DialogQuery::ProcessStore()
{
    QString chosen;
    // Closing the picker without a choice keeps the text.
    if (m_picker && m_picker(&chosen))
        m_ui->lineEdit_2->setText(chosen);
}
