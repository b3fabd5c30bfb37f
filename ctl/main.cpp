// quillonctl: the program's data operations without the window.
#include "ctl/commands.h"
#include "db/dbmanager.h"

#include <QGuiApplication>

#include <cstdio>
#include <memory>

namespace {

// A failure is reported once, on one line of stderr, by the command itself;
// the core's debug lines and Qt's or the driver's own warnings (a connection
// still in use, a server's notice) would mail a scheduled job a second line.
// QUILLON_DEBUG=1 shows them all.
void Quiet(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtFatalMsg)
        fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QUILLON_DEBUG"))
        qInstallMessageHandler(Quiet);
    // A PDF export draws text, which needs a GUI application (on the
    // offscreen platform: no screen needed); everything else runs without.
    bool drawsPdf = false;
    for (int i = 1; i < argc; ++i)
        drawsPdf = drawsPdf || QByteArray(argv[i]).toLower().endsWith(".pdf");
    if (drawsPdf && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app(drawsPdf ? new QGuiApplication(argc, argv)
                                                   : new QCoreApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("quillonctl"));
    const int code = Ctl::Run(QCoreApplication::arguments());
    // Closing moves SQLite's log into the database file: after any command the file alone is the data.
    DbManager::Instance()->Close();
    return code;
}
