#include "masterdata/itemlistwidget.h"

#include <QBrush>
#include <QComboBox>
#include <QKeyEvent>

ItemListWidget::ItemListWidget(QWidget *parent)
    : QListWidget(parent)
{
    setWindowTitle(QStringLiteral("项目选择"));
    // A click on the list must leave the focus in the cell editor it serves,
    // or the editor closes under it; the window forwards the keys.
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QListWidget::itemDoubleClicked, this, &ItemListWidget::SetCurrCombText);
}

void ItemListWidget::ComboChangeProcess(QComboBox *box, QWidget *host)
{
    if (!box)
        return;
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);

    m_targetCombo = box;
    if (host && parentWidget() != host)
        setParent(host);
    setGeometry(box->x() + 20, box->y() + 200, 200, 500);

    clear();
    const QString typed = box->currentText();
    for (const QString &text : qAsConst(texts)) {
        if (text.contains(typed, Qt::CaseInsensitive))
            addItem(text);
    }
    setVisible(count() > 0);
}

void ItemListWidget::SetCurrCombText(QListWidgetItem *)
{
    if (!m_targetCombo || count() == 0)
        return;
    QComboBox *box = m_targetCombo.data();
    const QListWidgetItem *current = currentItem();
    // The box's text change runs ComboChangeProcess again; the list is closed after it.
    box->setCurrentText(current ? current->text() : QString());
    hide();
    m_targetCombo.clear();
}

void ItemListWidget::HandleKey(QKeyEvent *event)
{
    event->ignore();
    if (count() == 0)
        return;
    const int row = currentRow();
    switch (event->key()) {
    case Qt::Key_Up: {
        const int above = row > 0 ? row - 1 : 0;
        item(above)->setForeground(QBrush(Qt::red, Qt::SolidPattern));
        setCurrentRow(above);
        break;
    }
    case Qt::Key_Down:
        setCurrentRow(row < 0 ? 0 : qMin(row + 1, count() - 1));
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_targetCombo)
            SetCurrCombText(currentItem());
        break;
    default:
        break;
    }
    event->ignore();
}
