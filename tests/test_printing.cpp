#include "exchange/printwidget.h"
#include "widgets/modalseam.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFile>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Page count of a PDF as pdfinfo reports it; -1 when it cannot tell.
int PdfPages(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {path});
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        return -1;
    for (const QString &line : QString::fromUtf8(p.readAllStandardOutput()).split('\n')) {
        if (line.startsWith(QStringLiteral("Pages:")))
            return line.mid(6).trimmed().toInt();
    }
    return -1;
}

// The text layer of a PDF as pdftotext reads it.
QString PdfText(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

bool IsPdf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.read(5) == "%PDF-";
}

} // namespace

class TestPrinting : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void pdfOfEveryRow_data();
    void pdfOfEveryRow();
    void printerPath_data();
    void printerPath();
    void pdfNotWritten_data();
    void pdfNotWritten();

private:
    QTableWidget *Table(int rows);

    QTemporaryDir *m_dir = nullptr;
    QString m_choice;          // caption of the choice box button to click; empty closes it
    QStringList m_boxes;
    QStringList m_questions;
    QString m_answer;
    std::function<void(QDialog &)> m_printDialog;
    int m_printDialogs = 0;
    std::unique_ptr<QTableWidget> m_table;
};

void TestPrinting::init()
{
    m_dir = new QTemporaryDir;
    m_choice = QStringLiteral("输出到文档");
    m_boxes.clear();
    m_questions.clear();
    m_answer.clear();
    m_printDialogs = 0;
    m_printDialog = [](QDialog &d) { d.reject(); };
    ModalSeam::SetBoxAnswerer([this](QMessageBox &box) {
        m_boxes << box.windowTitle() + QLatin1Char('|') + box.text();
        for (QAbstractButton *b : box.buttons()) {
            if (!m_choice.isEmpty() && b->text() == m_choice)
                return b->click();
        }
        box.reject();
    });
    ModalSeam::SetDialogAnswerer([this](QDialog &d) {
        ++m_printDialogs;
        QVERIFY(qobject_cast<QPrintDialog *>(&d));
        m_printDialog(d);
    });
    ModalSeam::SetFileAnswerer([this](const QString &caption, const QString &dir, const QString &filter) {
        m_questions << caption + QLatin1Char('|') + dir + QLatin1Char('|') + filter;
        return m_answer;
    });
}

void TestPrinting::cleanup()
{
    ModalSeam::SetBoxAnswerer({});
    ModalSeam::SetDialogAnswerer({});
    ModalSeam::SetFileAnswerer({});
    m_table.reset();
    delete m_dir;
}

QTableWidget *TestPrinting::Table(int rows)
{
    m_table.reset(new QTableWidget(rows, 19));
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < 19; ++c)
            m_table->setItem(r, c, new QTableWidgetItem(QStringLiteral("行%1 列%2").arg(r).arg(c)));
    }
    m_table->resize(900, 400);
    m_table->show();
    return m_table.get();
}

void TestPrinting::pdfOfEveryRow_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::addColumn<int>("rows");
    // Far more rows than a page (and the screen) can hold, or a few.
    QTest::newRow("typed without suffix") << "stock" << "stock.pdf" << 1005;
    QTest::newRow("other suffix") << "stock.txt" << "stock.txt" << 5;
    QTest::newRow("dot in the folder only") << "a.b/stock" << "a.b/stock.pdf" << 5;
}

void TestPrinting::pdfOfEveryRow()
{
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    QFETCH(int, rows);
    QTableWidget *table = Table(rows);
    table->setObjectName(QStringLiteral("tab_purchaseIn"));
    QStringList titles;
    for (int c = 0; c < 19; ++c)
        titles << QStringLiteral("标题%1").arg(c);
    table->setHorizontalHeaderLabels(titles);
    auto *date = new QDateTimeEdit(QDate(2024, 5, 1));
    table->setCellWidget(rows - 1, 7, date);
    auto *combo = new QComboBox;
    combo->addItems({QStringLiteral("红色"), QStringLiteral("金额入库")});
    combo->setCurrentIndex(1);
    table->setCellWidget(rows - 1, 1, combo);
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("a.b")));
    m_answer = m_dir->filePath(chosen);

    const PrintResult result = PrintWidget(table, nullptr);
    QCOMPARE(int(result.outcome), int(PrintOutcome::PdfWritten));
    QCOMPARE(m_boxes, QStringList{"|请选择打印方式"});
    QCOMPARE(m_questions, QStringList{"导出PDF文件|TabDateSave|*.pdf"});
    QCOMPARE(m_printDialogs, 0);
    const QString path = m_dir->filePath(written);
    QCOMPARE(result.fileName, path);
    QVERIFY(IsPdf(path));
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    const int pages = PdfPages(path);
    QVERIFY2(rows < 1000 ? pages == 1 : pages > 10, qPrintable(QString::number(pages)));
    const QString text = PdfText(path);
    // Every row and column, the titles and page numbers on every page.
    for (const QString &wanted : {QStringLiteral("行0 列0"), QStringLiteral("行%1 列18").arg(rows / 2),
                                  QStringLiteral("行%1 列9").arg(rows - 2),
                                  QStringLiteral("2024-05-01"), QStringLiteral("金额入库"),
                                  QStringLiteral("第 %1 页，共 %1 页").arg(pages)})
        QVERIFY2(text.contains(wanted), qPrintable(wanted));
    QCOMPARE(text.count(QStringLiteral("采购进货表")), pages);
    QCOMPARE(text.count(QStringLiteral("标题18")), pages);
    QCOMPARE(text.count(QStringLiteral("打印日期：")), pages);
}

void TestPrinting::printerPath_data()
{
    QTest::addColumn<QString>("choice");
    QTest::newRow("printer button") << "输出到打印机";
    QTest::newRow("box closed") << "";
}

void TestPrinting::printerPath()
{
    QFETCH(QString, choice);
    m_choice = choice;
    QTableWidget *table = Table(3);

    // Cancelled print dialog: nothing printed, nothing asked, nothing told.
    PrintResult result = PrintWidget(table, nullptr);
    QCOMPARE(int(result.outcome), int(PrintOutcome::Cancelled));
    QCOMPARE(m_printDialogs, 1);
    QVERIFY(m_questions.isEmpty());
    QCOMPARE(m_boxes.size(), 1);

    // Accepted, with the dialog sending the job to a file: the picture is printed there.
    const QString target = m_dir->filePath(QStringLiteral("printed.pdf"));
    m_printDialog = [target](QDialog &d) {
        // Accepting applies the dialog's own settings to the printer; the file comes after.
        d.accept();
        static_cast<QPrintDialog &>(d).printer()->setOutputFileName(target);
    };
    result = PrintWidget(table, nullptr);
    QCOMPARE(int(result.outcome), int(PrintOutcome::Printed));
    QVERIFY(m_questions.isEmpty());
    QVERIFY(IsPdf(target));
}

void TestPrinting::pdfNotWritten_data()
{
    QTest::addColumn<QString>("answer");   // empty: the file dialog cancelled
    QTest::addColumn<int>("outcome");
    QTest::newRow("file dialog cancelled") << "" << int(PrintOutcome::Cancelled);
    QTest::newRow("folder missing") << "no/such/folder/page" << int(PrintOutcome::Failed);
}

void TestPrinting::pdfNotWritten()
{
    QFETCH(QString, answer);
    QFETCH(int, outcome);
    QTableWidget *table = Table(3);
    m_answer = answer.isEmpty() ? QString() : m_dir->filePath(answer);
    const PrintResult result = PrintWidget(table, nullptr);
    QCOMPARE(int(result.outcome), outcome);
    QCOMPARE(m_questions.size(), 1);
    QVERIFY(QDir(m_dir->path()).entryList(QDir::Files).isEmpty());
    if (answer.isEmpty()) {
        QCOMPARE(m_boxes.size(), 1);
        return;
    }
    QCOMPARE(m_boxes.size(), 2);
    QVERIFY2(m_boxes.at(1).startsWith(QStringLiteral("导出PDF文件|无法写入PDF文件 ") + m_answer + ".pdf"),
             qPrintable(m_boxes.at(1)));
}

QTEST_MAIN(TestPrinting)
#include "test_printing.moc"
