#include "masterdata/itemlistwidget.h"

#include "db/pinyininitials.h"

#include <QBrush>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

ItemListWidget::ItemListWidget(QWidget *parent) : QListWidget(parent)
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

    if (m_targetCombo != box) {
        // The box holds the focus for its text field (the field's focus
        // proxy), so the keys arrive at the box; the field is watched too.
        if (m_targetCombo) {
            m_targetCombo->removeEventFilter(this);
            if (m_targetCombo->lineEdit())
                m_targetCombo->lineEdit()->removeEventFilter(this);
        }
        box->installEventFilter(this);
        if (box->lineEdit())
            box->lineEdit()->installEventFilter(this);
    }
    m_targetCombo = box;
    if (host && parentWidget() != host)
        setParent(host);

    clear();
    // Only what was typed: an inline completion would narrow the list to one item.
    const QString typed = box->lineEdit() ? box->lineEdit()->text() : box->currentText();
    // Entries found by their pinyin initials come after those that hold the
    // typed text, so one letter never pushes a plain match down.
    QStringList byInitials;
    for (const QString &text : qAsConst(texts)) {
        if (text.contains(typed, Qt::CaseInsensitive))
            addItem(text);
        else if (PinyinInitials::Matches(text, typed))
            byInitials << text;
    }
    addItems(byInitials);
    if (count() == 0) {
        hide();
        return;
    }
    // The first match is the one Return or Tab takes unless the keys move on.
    setCurrentRow(0);
    Place(box, host ? host : parentWidget());
    show();
    raise();
}

void ItemListWidget::Place(QComboBox *box, QWidget *host)
{
    const int width = qMax(200, box->width());
    const int rowHeight = qMax(1, sizeHintForRow(0));
    const int wanted = qMin(500, count() * rowHeight + 2 * frameWidth() + 2);
    if (!host) {
        setGeometry(QRect(box->mapToGlobal(QPoint(0, box->height())), QSize(width, wanted)));
        return;
    }
    // Under the box's bottom-left corner; where the host has no room below,
    // above the box; never past the host's edges.
    const QPoint topLeft = host->mapFromGlobal(box->mapToGlobal(QPoint(0, 0)));
    const int below = host->height() - (topLeft.y() + box->height());
    const int above = topLeft.y();
    int height = wanted;
    int y = topLeft.y() + box->height();
    if (below < wanted && above > below) {
        height = qMin(wanted, above);
        y = topLeft.y() - height;
    } else {
        height = qMin(wanted, qMax(below, rowHeight));
    }
    const int x = qBound(0, topLeft.x(), qMax(0, host->width() - width));
    setGeometry(x, qMax(0, y), width, height);
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

bool ItemListWidget::HandleKey(QKeyEvent *event)
{
    event->ignore();
    if (count() == 0)
        return false;
    bool used = true;
    const int row = currentRow();
    switch (event->key()) {
    case Qt::Key_Up: {
        const int above = row > 0 ? row - 1 : 0;
        item(above)->setForeground(QBrush(Qt::red, Qt::SolidPattern));
        setCurrentRow(above);
        break;
    }
    case Qt::Key_Down: setCurrentRow(row < 0 ? 0 : qMin(row + 1, count() - 1)); break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // No current item: the key is the editor's, or the typed text would be wiped.
        used = m_targetCombo && currentItem();
        if (used)
            SetCurrCombText(currentItem());
        else
            hide();
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        // Takes the highlighted entry and leaves the key to the register, which moves on.
        if (m_targetCombo && currentItem())
            SetCurrCombText(currentItem());
        hide();
        used = false;
        break;
    case Qt::Key_Escape: hide(); break;
    default: used = false; break;
    }
    event->ignore();
    return used;
}

bool ItemListWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && isVisible() && m_targetCombo
        && (watched == m_targetCombo || watched == m_targetCombo->lineEdit())) {
        // Accepted too: an ignored key would travel on to the box and the
        // delegate, which closes the cell editor on Escape.
        if (HandleKey(static_cast<QKeyEvent *>(event))) {
            event->accept();
            return true;
        }
    }
    return QListWidget::eventFilter(watched, event);
}
