#pragma once

#include <QComboBox>

// The combo box of master-data cells. The wheel is swallowed: scrolling the
// ledger over a cell must neither change the cell's value nor scroll the table.
class ComboxBoxSpec : public QComboBox
{
    Q_OBJECT
public:
    explicit ComboxBoxSpec(QWidget *parent = nullptr);

protected:
    void wheelEvent(QWheelEvent *event) override;
};
