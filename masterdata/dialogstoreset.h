#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>

namespace Ui {
class DialogStoreSet;
}

// "仓库设定": composes a location "warehouse-area-position" (3-B-12) from the
// warehouse list and writes it into a ledger cell. A window of its own that
// stays on top; Escape and its close button leave the cell as it was.
class DialogStoreSet : public QDialog
{
    Q_OBJECT
public:
    explicit DialogStoreSet(QWidget *parent = nullptr);
    ~DialogStoreSet() override;

    // "A" .. "Z" then "A+" .. "Z+".
    static const QStringList &AreaNames();

    // Where the chosen location goes on "确定": a function given the text (a
    // page cell stores its row). The boxes and the line edit start from the
    // target's current location, so "确定" without a choice changes nothing.
    using Writer = std::function<void(const QString &location)>;
    void SetTarget(const QString &current, Writer write);
    // Reads the warehouse list from the store and refills the boxes.
    void RefreshLists();
    // Refills the boxes from a warehouse list text already at hand.
    void ShowWarehouseList(const QString &listText);

    const QString &warehouseList() const { return m_warehouseList; }
    const QString &resultText() const { return m_resultText; }

public slots:
    void on_pushButton_clicked();
    void SetComboxIndex(int index);
    void SetCombText(const QString &text = QString());

protected:
    void showEvent(QShowEvent *event) override;

private:
    Ui::DialogStoreSet *m_ui;
    QString m_warehouseList;
    Writer m_write;
    QString m_resultText;
};
