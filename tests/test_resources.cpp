#include "resources/resources.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QRegularExpression>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

namespace {

QStringList g_styleWarnings;

void CollectWarnings(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        g_styleWarnings.append(text);
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitQuillonResources(); }
    void resourceNamedInSourcesLoads_data();
    void resourceNamedInSourcesLoads();
    void styleSheetParsesWithoutWarnings();
};

// Every ":/..." path the sources and forms name must load: a renamed or
// dropped picture otherwise only shows as a blank button.
void TestResources::resourceNamedInSourcesLoads_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("where");

    const QString root = qEnvironmentVariable("QUILLON_SOURCE_DIR");
    QVERIFY2(QDir(root).exists(), "QUILLON_SOURCE_DIR not set");
    // Starts with ":/" and a letter ("C:/..." and "http://" do not match); ends
    // at whatever closes it in C++ strings, style sheets or form XML.
    const QRegularExpression pattern(QStringLiteral("(?<![A-Za-z0-9_:]):/[A-Za-z][^\"'<>()\\r\\n;\\\\]*"));
    QSet<QString> seen;
    for (const char *folder : {"app", "db", "ledger", "analytics", "masterdata", "exchange", "forms"}) {
        QDirIterator it(root + QLatin1Char('/') + QLatin1String(folder),
                        {QStringLiteral("*.cpp"), QStringLiteral("*.h"), QStringLiteral("*.ui")},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            QFile source(file);
            if (!source.open(QIODevice::ReadOnly | QIODevice::Text))
                continue;
            const QStringList lines = QString::fromUtf8(source.readAll()).split(QLatin1Char('\n'));
            for (int i = 0; i < lines.size(); ++i) {
                auto matches = pattern.globalMatch(lines[i]);
                while (matches.hasNext()) {
                    const QString path = matches.next().captured(0).trimmed();
                    // Names assembled at run time ("...%1.png") cannot be checked here.
                    if (path.contains(QLatin1Char('%')) || seen.contains(path))
                        continue;
                    seen.insert(path);
                    const QString where = QDir(root).relativeFilePath(file) + QLatin1Char(':') + QString::number(i + 1);
                    QTest::newRow(qPrintable(path + QStringLiteral(" @ ") + where)) << path << where;
                }
            }
        }
    }
}

void TestResources::resourceNamedInSourcesLoads()
{
    QFETCH(QString, path);
    QFETCH(QString, where);
    const QString context = path + QStringLiteral(" named at ") + where;
    if (path.endsWith(QLatin1Char('/'))) {
        QVERIFY2(QDir(path).exists(), qPrintable(context + QStringLiteral(" is no resource folder")));
    } else if (path.endsWith(QLatin1String(".qss"))) {
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly) && !file.readAll().trimmed().isEmpty(),
                 qPrintable(context + QStringLiteral(" is missing or empty")));
    } else {
        QVERIFY2(!QImage(path).isNull(), qPrintable(context + QStringLiteral(" does not load")));
    }
}

void TestResources::styleSheetParsesWithoutWarnings()
{
    QFile file(QStringLiteral(":/qss/qss/styleSheet.qss"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    // The program decodes it as Latin-1; anything beyond ASCII would arrive garbled.
    for (int i = 0; i < bytes.size(); ++i)
        QVERIFY2(uchar(bytes[i]) < 0x80, qPrintable(QStringLiteral("byte %1 is not ASCII").arg(i)));

    g_styleWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(CollectWarnings);
    qApp->setStyleSheet(QString::fromLatin1(bytes));
    {
        // Parsing happens lazily when widgets are polished; touch every styled kind.
        QWidget host;
        QTableWidget table(2, 2, &host);
        QMenu menu(&host);
        menu.addAction(QStringLiteral("a"));
        QToolButton button(&host);
        QTabWidget tabs(&host);
        tabs.addTab(new QWidget, QStringLiteral("t"));
        host.resize(300, 200);
        host.grab();
        menu.grab();
    }
    qInstallMessageHandler(previous);
    qApp->setStyleSheet(QString());
    QVERIFY2(g_styleWarnings.isEmpty(), qPrintable(g_styleWarnings.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestResources)
#include "test_resources.moc"
