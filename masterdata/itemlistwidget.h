#pragma once

#include <QListWidget>
#include <QPointer>

class QComboBox;
class QKeyEvent;

// "项目选择": pops up under a cell combo box while the user types into it and
// offers the box's items that contain the typed text.
class ItemListWidget : public QListWidget
{
    Q_OBJECT
public:
    explicit ItemListWidget(QWidget *parent = nullptr);

    QComboBox *targetCombo() const { return m_targetCombo.data(); }
    bool HoldsItems() const { return count() > 0; }

    // Offers the items of box that contain its current text (any case) and
    // places the list inside host, below and right of the box.
    void ComboChangeProcess(QComboBox *box, QWidget *host);

    // Up, Down, Return and Enter while the list holds items. The event is left
    // unaccepted in every case so that it travels on to the parent.
    void HandleKey(QKeyEvent *event);

public slots:
    // Puts the current item's text into the target box and closes the list.
    void SetCurrCombText(QListWidgetItem *item = nullptr);

private:
    QPointer<QComboBox> m_targetCombo;
};
