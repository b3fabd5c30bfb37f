#include "masterdata/comboxboxspec.h"
#include "masterdata/dialogstoreset.h"
#include "masterdata/itemlistwidget.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QWheelEvent>
#include <QtTest>

class TestSelectors : public QObject
{
    Q_OBJECT
private slots:
    void wheelIgnored();

    void areas_data();
    void areas();
    void composedText();
    void writesTargetCell_data();
    void writesTargetCell();

    void typeAhead_data();
    void typeAhead();
    void keys();
};

void TestSelectors::wheelIgnored()
{
    ComboxBoxSpec box;
    box.addItems({ "a", "b", "c" });
    box.setCurrentIndex(1);
    QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    wheel.ignore();
    QApplication::sendEvent(&box, &wheel);
    QCOMPARE(box.currentIndex(), 1);
    // Accepted, so the table behind the cell does not scroll either.
    QVERIFY(wheel.isAccepted());
}

void TestSelectors::areas_data()
{
    QTest::addColumn<QString>("areaCount");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("last");
    QTest::newRow("27") << "27" << 27 << "A+";
    QTest::newRow("60 capped") << "60" << 52 << "Z+";
    QTest::newRow("one") << "1" << 1 << "A";
    QTest::newRow("negative") << "-3" << 0 << "";
    QTest::newRow("not a number") << "many" << 0 << "";
}

void TestSelectors::areas()
{
    QFETCH(QString, areaCount);
    QFETCH(int, count);
    QFETCH(QString, last);
    // A negative count is stored with its dash escaped.
    areaCount.replace("-", "##");
    DialogStoreSet picker;
    picker.ShowWarehouseList(QStringLiteral("Main-Rd-3-%1-4-Li-138").arg(areaCount));
    auto *areas = picker.findChild<QComboBox *>("comboBox_2");
    QCOMPARE(areas->count(), count);
    if (count) {
        QCOMPARE(areas->itemText(0), QStringLiteral("A"));
        QCOMPARE(areas->itemText(count - 1), last);
    }
}

void TestSelectors::composedText()
{
    DialogStoreSet picker;
    auto *numbers = picker.findChild<QComboBox *>("comboBox");
    auto *areas = picker.findChild<QComboBox *>("comboBox_2");
    auto *positions = picker.findChild<QComboBox *>("comboBox_3");
    auto *line = picker.findChild<QLineEdit *>("lineEdit");

    picker.ShowWarehouseList("Main-Rd-3-2-12-Li-138;Back-Rd-7-0-5-Wu-139;Shed-Rd-9-3-x-Zh-1");
    QCOMPARE(numbers->count(), 3);
    QCOMPARE(line->text(), QStringLiteral("3-A-1"));
    QCOMPARE(positions->count(), 12);
    areas->setCurrentIndex(1);
    positions->setCurrentIndex(11);
    QCOMPARE(line->text(), QStringLiteral("3-B-12"));

    numbers->setCurrentIndex(1);
    QCOMPARE(areas->count(), 0);
    QCOMPARE(line->text(), QStringLiteral("7--1"));
    numbers->setCurrentIndex(2);
    QCOMPARE(positions->count(), 0);
    QCOMPARE(line->text(), QStringLiteral("9-A-"));

    // A later, shorter list replaces the earlier one.
    picker.ShowWarehouseList("Only-Rd-5-1-1-Li-1");
    QCOMPARE(numbers->count(), 1);
    QCOMPARE(line->text(), QStringLiteral("5-A-1"));
}

void TestSelectors::writesTargetCell_data()
{
    QTest::addColumn<bool>("withItem");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("written");
    QTest::newRow("existing item") << true << 1 << true;
    QTest::newRow("cell without item") << false << 1 << true;
    QTest::newRow("row gone") << false << 5 << false;
}

void TestSelectors::writesTargetCell()
{
    QFETCH(bool, withItem);
    QFETCH(int, row);
    QFETCH(bool, written);

    QTableWidget ledger(2, 10);
    if (withItem)
        ledger.setItem(1, 8, new QTableWidgetItem("old"));
    QSignalSpy changed(&ledger, &QTableWidget::cellChanged);

    DialogStoreSet picker;
    picker.ShowWarehouseList("Main-Rd-3-2-12-Li-138");
    picker.SetTarget(&ledger, row, 8);
    picker.show();
    // A location typed by hand wins over the boxes.
    picker.findChild<QLineEdit *>("lineEdit")->setText("3-Z-99");
    picker.findChild<QPushButton *>("pushButton")->click();

    QCOMPARE(picker.resultText(), QStringLiteral("3-Z-99"));
    QVERIFY(!picker.isVisible());
    if (written) {
        QCOMPARE(ledger.item(1, 8)->text(), QStringLiteral("3-Z-99"));
        // The ledger stores the row from its own cell change.
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().value(0).toInt(), 1);
        QCOMPARE(changed.first().value(1).toInt(), 8);
    } else {
        QCOMPARE(changed.count(), 0);
    }
}

void TestSelectors::typeAhead_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("offered");
    QTest::newRow("lower case matches upper") << "a" << QStringList{ "Abc" };
    QTest::newRow("empty offers all") << "" << QStringList{ "Abc", "xyz", "XYZ-2" };
    QTest::newRow("inside the text") << "Y" << QStringList{ "xyz", "XYZ-2" };
    QTest::newRow("nothing matches") << "q" << QStringList{};
}

void TestSelectors::typeAhead()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, offered);
    QWidget host;
    auto *box = new ComboxBoxSpec(&host);
    box->setEditable(true);
    box->addItems({ "Abc", "xyz", "XYZ-2" });
    box->setEditText(typed);
    box->move(30, 40);
    auto *list = new ItemListWidget;
    host.resize(400, 300);
    host.show();

    list->ComboChangeProcess(box, &host);
    QCOMPARE(list->parentWidget(), &host);
    if (!offered.isEmpty()) {
        QCOMPARE(list->pos(), QPoint(30, 40 + box->height()));
        QVERIFY(host.rect().contains(list->geometry()));
        // At the host's bottom-right corner it goes above the box, still inside.
        box->move(350, 300 - box->height());
        list->ComboChangeProcess(box, &host);
        QCOMPARE(list->geometry().bottom() + 1, box->y());
        QVERIFY(host.rect().contains(list->geometry()));
    }
    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
        shown << list->item(i)->text();
    QCOMPARE(shown, offered);
    QCOMPARE(list->isVisible(), !offered.isEmpty());
    QCOMPARE(list->HoldsItems(), !offered.isEmpty());
    QCOMPARE(list->targetCombo(), box);
}

void TestSelectors::keys()
{
    QWidget host;
    auto *box = new ComboxBoxSpec(&host);
    box->setEditable(true);
    box->addItems({ "a1", "a2", "a3" });
    box->setEditText("a");
    auto *list = new ItemListWidget(&host);
    host.show();
    list->ComboChangeProcess(box, &host);

    auto press = [list](int key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        return list->HandleKey(&event);
    };
    QVERIFY(press(Qt::Key_Down));
    QCOMPARE(list->currentRow(), 0);
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    QCOMPARE(list->currentRow(), 2);
    QVERIFY(press(Qt::Key_Up));
    QCOMPARE(list->currentRow(), 1);
    QCOMPARE(list->item(1)->foreground().color(), QColor(Qt::red));

    // Enter with a target chooses the current item.
    QVERIFY(press(Qt::Key_Return));
    QCOMPARE(box->currentText(), QStringLiteral("a2"));
    QVERIFY(!list->targetCombo());

    // After the choice the list may still hold items but serves no box: Enter does nothing.
    box->setEditText("typed later");
    list->setCurrentRow(0);
    QVERIFY(!press(Qt::Key_Enter));
    QCOMPARE(box->currentText(), QStringLiteral("typed later"));

    // A double click chooses like Enter.
    box->setEditText("a");
    list->ComboChangeProcess(box, &host);
    list->setCurrentRow(2);
    emit list->itemDoubleClicked(list->item(2));
    QCOMPARE(box->currentText(), QStringLiteral("a3"));
    QVERIFY(!list->isVisible());
    QVERIFY(!list->targetCombo());
}

QTEST_MAIN(TestSelectors)
#include "test_selectors.moc"
