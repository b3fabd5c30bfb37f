#include "resources/resources.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QHeaderView>
#include <QImage>
#include <QMenu>
#include <QRegularExpression>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

namespace {

// Every picture the program carries; the source scan below checks the names code uses.
QStringList Pictures()
{
    QStringList paths;
    for (const char *root : {":/icons", ":/backg"}) {
        QDirIterator it(QLatin1String(root), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            paths << it.next();
    }
    paths.sort();
    return paths;
}

const char kStyleSheet[] = ":/qss/qss/styleSheet.qss";

bool IsUniform(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            if (argb.pixel(x, y) != argb.pixel(0, 0))
                return false;
    return true;
}

bool IsIcon(const QString &path)
{
    return path.startsWith(QLatin1String(":/icons/"));
}

// Close enough to survive a style's anti-aliasing, far enough to tell colours apart.
bool Near(QRgb actual, const QColor &expected)
{
    return qAbs(qRed(actual) - expected.red()) <= 6 && qAbs(qGreen(actual) - expected.green()) <= 6
           && qAbs(qBlue(actual) - expected.blue()) <= 6;
}

QString ReadStyleSheet()
{
    QFile file(QString::fromLatin1(kStyleSheet));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

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
    void initTestCase();
    void cleanup();

    void namedPictureLoads_data();
    void namedPictureLoads();
    void resourceNamedInSourcesLoads_data();
    void resourceNamedInSourcesLoads();
    void picturesFitWhereTheyAreShown();
    void actionIconsAreDistinct();

    void styleSheetIsPlainText();
    void styleSheetParsesWithoutWarnings();
    void styleSheetGivesTablesWhiteSheetAndGreenSelection();
    void styleSheetGivesMenusBlueSelection();
    void styleSheetGivesToolButtonsLightGradient();
};

void TestResources::initTestCase()
{
    InitQuillonResources();
    // A second call must not register the data twice or break anything.
    InitQuillonResources();
}

void TestResources::cleanup()
{
    qApp->setStyleSheet(QString());
}

void TestResources::namedPictureLoads_data()
{
    QTest::addColumn<QString>("path");
    const QStringList paths = Pictures();
    QVERIFY2(paths.size() >= 40, "pictures missing from the resources");
    for (const QString &path : paths)
        QTest::newRow(qPrintable(path)) << path;
}

void TestResources::namedPictureLoads()
{
    QFETCH(QString, path);
    const QImage image(path);
    QVERIFY2(!image.isNull(), qPrintable(path + QStringLiteral(" does not load")));
    // A drawing that rendered to one flat colour is broken; only the .jpg
    // backdrops may be plain on purpose.
    if (!path.endsWith(QLatin1String(".jpg")))
        QVERIFY2(!IsUniform(image), qPrintable(path + QStringLiteral(" is blank")));
    if (IsIcon(path)) {
        QCOMPARE(image.width(), image.height());
        QVERIFY2(image.width() >= 48, "icons are scaled down to toolbar size, never up");
        QVERIFY(image.hasAlphaChannel());
    }
}

void TestResources::resourceNamedInSourcesLoads_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("where");

    const QString root = qEnvironmentVariable("QUILLON_SOURCE_DIR");
    if (root.isEmpty() || !QDir(root).exists()) {
        QTest::newRow("source folder") << QString() << QStringLiteral("QUILLON_SOURCE_DIR not set");
        return;
    }
    // A resource path starts with ":/" and a letter; "C:/..." and "http://" do not match.
    // It ends at whatever closes it in C++ strings, style sheets or form XML.
    const QRegularExpression pattern(QStringLiteral("(?<![A-Za-z0-9_:]):/[A-Za-z][^\"'<>()\\r\\n;\\\\]*"));
    QSet<QString> seen;
    const QStringList folders = {QStringLiteral("app"),       QStringLiteral("db"),
                                 QStringLiteral("ledger"),    QStringLiteral("analytics"),
                                 QStringLiteral("masterdata"), QStringLiteral("exchange"),
                                 QStringLiteral("forms")};
    for (const QString &folder : folders) {
        QDirIterator it(root + QLatin1Char('/') + folder,
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
                    const QString where = QDir(root).relativeFilePath(file) + QLatin1Char(':')
                                          + QString::number(i + 1);
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
    QVERIFY2(!path.isEmpty(), qPrintable(where));
    const QString context = path + QStringLiteral(" named at ") + where;
    if (path.endsWith(QLatin1Char('/'))) {
        // A prefix that code completes itself.
        QVERIFY2(QDir(path).exists(), qPrintable(context + QStringLiteral(" is no resource folder")));
    } else if (path.endsWith(QLatin1String(".qss"))) {
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(context + QStringLiteral(" cannot be read")));
        QVERIFY2(!file.readAll().trimmed().isEmpty(), qPrintable(context + QStringLiteral(" is empty")));
    } else {
        QVERIFY2(!QImage(path).isNull(), qPrintable(context + QStringLiteral(" does not load")));
    }
}

void TestResources::picturesFitWhereTheyAreShown()
{
    // The sign-in form is exactly this size and shows the picture unscaled.
    QCOMPARE(QImage(QStringLiteral(":/backg/backg/1_loginbk.png")).size(), QSize(800, 500));

    // The splash shows the picture at its own size: it has to fit a small screen
    // and still leave room for the start-up message.
    const QSize splash = QImage(QStringLiteral(":/backg/backg/1_backg.png")).size();
    QVERIFY2(splash.width() >= 480 && splash.width() <= 800 && splash.height() >= 280
                 && splash.height() <= 560,
             qPrintable(QStringLiteral("splash is %1x%2").arg(splash.width()).arg(splash.height())));

    // Drawn inside a 24 px date editor.
    const QSize calendar = QImage(QStringLiteral(":/backg/backg/calendar.png")).size();
    QVERIFY(calendar.height() <= 24 && calendar.width() <= 30);

    // The main window backdrop tiles behind every child: it must be light, or tables turn grey.
    const QImage backdrop = QImage(QStringLiteral(":/backg/backg/dlg_bk20.jpg"));
    qint64 lightness = 0;
    for (int y = 0; y < backdrop.height(); y += 7)
        for (int x = 0; x < backdrop.width(); x += 7)
            lightness += QColor(backdrop.pixel(x, y)).lightness();
    const qint64 samples = ((backdrop.height() + 6) / 7) * qint64((backdrop.width() + 6) / 7);
    QVERIFY2(lightness / samples >= 225, "main window background too dark");
}

void TestResources::actionIconsAreDistinct()
{
    // Two actions showing the same picture is a copy slip the eye misses in a long toolbar.
    QHash<QByteArray, QString> byContent;
    for (const QString &path : Pictures()) {
        if (!IsIcon(path))
            continue;
        const QImage image = QImage(path).convertToFormat(QImage::Format_ARGB32);
        const QByteArray key(reinterpret_cast<const char *>(image.constBits()), int(image.sizeInBytes()));
        if (byContent.contains(key))
            QFAIL(qPrintable(path + QStringLiteral(" looks the same as ") + byContent.value(key)));
        byContent.insert(key, path);
    }
}

void TestResources::styleSheetIsPlainText()
{
    QFile file(QString::fromLatin1(kStyleSheet));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(!bytes.trimmed().isEmpty());
    // The program decodes it as Latin-1; anything beyond ASCII would arrive garbled.
    for (int i = 0; i < bytes.size(); ++i)
        QVERIFY2(uchar(bytes[i]) < 0x80, qPrintable(QStringLiteral("byte %1 is not ASCII").arg(i)));
    int depth = 0;
    for (const char c : bytes) {
        depth += (c == '{') - (c == '}');
        QVERIFY2(depth >= 0 && depth <= 1, "unbalanced braces");
    }
    QCOMPARE(depth, 0);
}

void TestResources::styleSheetParsesWithoutWarnings()
{
    const QString sheet = ReadStyleSheet();
    QVERIFY(!sheet.isEmpty());
    g_styleWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(CollectWarnings);
    qApp->setStyleSheet(sheet);
    // Parsing happens lazily when widgets are polished; touch every styled kind.
    {
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
    QVERIFY2(g_styleWarnings.isEmpty(), qPrintable(g_styleWarnings.join(QLatin1Char('\n'))));
}

void TestResources::styleSheetGivesTablesWhiteSheetAndGreenSelection()
{
    qApp->setStyleSheet(ReadStyleSheet());
    QTableWidget table(3, 3);
    table.resize(360, 220);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            table.setItem(row, column, new QTableWidgetItem(QStringLiteral("x")));
    table.selectRow(1);
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));

    // The header row is what the ledger pages line up against.
    QCOMPARE(table.horizontalHeader()->height(), 20);
    const QImage header = table.horizontalHeader()->grab().toImage();
    QVERIFY2(Near(header.pixel(header.width() / 2, header.height() / 2 + 6), Qt::white)
                 || Near(header.pixel(table.horizontalHeader()->sectionSize(0) - 4, 3), Qt::white),
             "header sections are not white");

    const QImage sheet = table.viewport()->grab().toImage();
    const QRect plain = table.visualItemRect(table.item(0, 1));
    const QRect selected = table.visualItemRect(table.item(1, 1));
    const QRgb plainPixel = sheet.pixel(plain.right() - 4, plain.top() + 4);
    const QRgb selectedPixel = sheet.pixel(selected.right() - 4, selected.top() + 4);
    QVERIFY2(Near(plainPixel, Qt::white), qPrintable(QColor(plainPixel).name()));
    QVERIFY2(Near(selectedPixel, QColor(0x44, 0xc7, 0x67)), qPrintable(QColor(selectedPixel).name()));

    // Grid lines: light grey, visible against white but never dark.
    const QRgb grid = sheet.pixel(plain.right() + 1, plain.top() + 4); // line after the cell
    const int lightness = QColor(grid).lightness();
    QVERIFY2(lightness >= 190 && lightness < 250 && qAbs(qRed(grid) - qBlue(grid)) < 12,
             qPrintable(QColor(grid).name()));
}

void TestResources::styleSheetGivesMenusBlueSelection()
{
    qApp->setStyleSheet(ReadStyleSheet());
    QMenu menu;
    QAction *first = menu.addAction(QStringLiteral("first"));
    QAction *second = menu.addAction(QStringLiteral("second"));
    menu.popup(QPoint(10, 10));
    QVERIFY(QTest::qWaitForWindowExposed(&menu));
    menu.setActiveAction(second);

    const QImage image = menu.grab().toImage();
    const QRect active = menu.actionGeometry(second);
    const QRect idle = menu.actionGeometry(first);
    const QRgb activePixel = image.pixel(active.left() + 4, active.center().y());
    const QRgb idlePixel = image.pixel(idle.left() + 4, idle.center().y());
    QVERIFY2(Near(activePixel, QColor(0, 128, 255)), qPrintable(QColor(activePixel).name()));
    QVERIFY2(Near(idlePixel, Qt::white), qPrintable(QColor(idlePixel).name()));
    menu.close();
}

void TestResources::styleSheetGivesToolButtonsLightGradient()
{
    qApp->setStyleSheet(ReadStyleSheet());
    QToolButton button;
    button.resize(80, 60);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    const QImage image = button.grab().toImage();
    const int x = image.width() / 2;
    const QColor top(image.pixel(x, 4));
    const QColor bottom(image.pixel(x, image.height() - 5));
    QVERIFY2(top.lightness() > bottom.lightness(), "no top-to-bottom gradient");
    QVERIFY2(bottom.lightness() >= 200, "tool buttons must stay light");
    // Rounded corners: the very corner is not the button face.
    QVERIFY(QColor(image.pixel(1, 1)) != top);
}

QTEST_MAIN(TestResources)
#include "test_resources.moc"
