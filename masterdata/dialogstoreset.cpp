#include "masterdata/dialogstoreset.h"
#include "ui_dialogstoreset.h"

#include "db/listcodec.h"
#include "db/listtables.h"
#include "db/storedbaccess.h"

#include <QDebug>
#include <QSignalBlocker>

namespace {

constexpr int kMaxAreas = 52;
// A mistyped count (say 2000000000) must not freeze the picker filling its box.
constexpr int kMaxPositions = 10000;

// Entry index of a count column read as a decimal number; missing, non-numeric
// or below 1 gives 0.
int CountAt(const QString &listText, int position, int index)
{
    const int count = ListCodec::ColumnValues(listText, position).value(index).toInt();
    return count < 1 ? 0 : count;
}

void Refill(QComboBox *box, const QStringList &items)
{
    {
        // Clearing must not compose a half-empty location text.
        const QSignalBlocker blocker(box);
        box->clear();
    }
    box->addItems(items);
}

} // namespace

DialogStoreSet::DialogStoreSet(QWidget *parent) : QDialog(parent), m_ui(new Ui::DialogStoreSet)
{
    m_ui->setupUi(this);
    // Over the ledger while the user clicks from cell to cell, as its own window.
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint);
    connect(m_ui->comboBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &DialogStoreSet::SetComboxIndex);
    for (QComboBox *box : {m_ui->comboBox, m_ui->comboBox_2, m_ui->comboBox_3})
        connect(box, &QComboBox::currentTextChanged, this, &DialogStoreSet::SetCombText);
    // By keys: the arrows choose in the boxes, Return is "确定" wherever the
    // cursor is, Escape closes without touching the cell.
    m_ui->pushButton->setDefault(true);
}

DialogStoreSet::~DialogStoreSet() { delete m_ui; }

void DialogStoreSet::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The keys start in the first box.
    m_ui->comboBox->setFocus(Qt::OtherFocusReason);
}

const QStringList &DialogStoreSet::AreaNames()
{
    static const QStringList names = [] {
        QStringList out;
        for (const QString &suffix : {QString(), QStringLiteral("+")}) {
            for (char c = 'A'; c <= 'Z'; ++c)
                out << QString(QLatin1Char(c)) + suffix;
        }
        return out;
    }();
    return names;
}

void DialogStoreSet::SetTarget(const QString &current, Writer write)
{
    m_write = std::move(write);
    const QString location = current;
    if (location.isEmpty())
        return;
    // Point the boxes at the cell's location where they hold its parts.
    const QStringList parts = location.split(QLatin1Char('-'));
    const QList<QComboBox *> boxes = {m_ui->comboBox, m_ui->comboBox_2, m_ui->comboBox_3};
    for (int i = 0; i < boxes.size() && i < parts.size(); ++i) {
        const int found = boxes.at(i)->findText(parts.at(i));
        if (found >= 0)
            boxes.at(i)->setCurrentIndex(found);
    }
    m_ui->lineEdit->setText(location);
}

void DialogStoreSet::RefreshLists()
{
    InfoList list;
    list.infoType = ListNo::Warehouse;
    // A failed read keeps the choices already offered instead of emptying them.
    const Result read = StoreDbAccess::Instance()->ReadInfoList(InfoStore::MasterData, list);
    if (!read) {
        qWarning().noquote() << "warehouse list not read:" << read.error();
        return;
    }
    ShowWarehouseList(list.list);
}

void DialogStoreSet::ShowWarehouseList(const QString &listText)
{
    m_warehouseList = listText;
    Refill(m_ui->comboBox, ListCodec::ColumnValues(m_warehouseList, ListTables::WarehouseNumber));
}

void DialogStoreSet::SetComboxIndex(int index)
{
    if (m_warehouseList.isEmpty())
        return;
    const int areas = qMin(CountAt(m_warehouseList, ListTables::WarehouseAreas, index), kMaxAreas);
    Refill(m_ui->comboBox_2, AreaNames().mid(0, areas));

    const int positions =
        qMin(CountAt(m_warehouseList, ListTables::WarehousePositions, index), kMaxPositions);
    QStringList numbers;
    numbers.reserve(positions);
    for (int p = 1; p <= positions; ++p)
        numbers << QString::number(p);
    Refill(m_ui->comboBox_3, numbers);
}

void DialogStoreSet::SetCombText(const QString &)
{
    m_ui->lineEdit->setText(QStringList{m_ui->comboBox->currentText(), m_ui->comboBox_2->currentText(),
                                        m_ui->comboBox_3->currentText()}
                                .join(QLatin1Char('-')));
}

void DialogStoreSet::on_pushButton_clicked()
{
    // Whatever the line edit holds wins, so a location typed by hand is used as typed.
    m_resultText = m_ui->lineEdit->text();
    if (m_write)
        m_write(m_resultText);
    hide();
}
