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

    // Offers the items of box that contain its current text (any case), then
    // those whose pinyin initials contain it ("ydx" -> 运动鞋), the first one highlighted, and places the list inside host directly under
    // the box, kept inside host.
    void ComboChangeProcess(QComboBox *box, QWidget *host);

    // Up, Down, Return, Enter, Tab and Escape while the list holds items.
    // Returns whether the list used the key (Return without a current item is
    // not used, so the cell editor still commits; Tab takes the highlighted
    // entry and is left to the editor, which moves on); the event itself is
    // left unaccepted.
    bool HandleKey(QKeyEvent *event);

protected:
    // While the list is shown, the keys typed into the target box (which
    // holds the focus for its text field) reach the list before the box or the
    // cell editor's delegate see them: Down never moves the box's own index.
    bool eventFilter(QObject *watched, QEvent *event) override;

public slots:
    // Puts the current item's text into the target box and closes the list.
    void SetCurrCombText(QListWidgetItem *item = nullptr);

private:
    void Place(QComboBox *box, QWidget *host);

    QPointer<QComboBox> m_targetCombo;
};
