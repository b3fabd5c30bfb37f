// quillonctl: the program's data operations without the window.
#include "ctl/commands.h"

#include <QGuiApplication>

#include <cstdio>
#include <memory>

namespace {

// The core's debug lines ("connect db ok1", ...) are for developers; a
// scheduled job would mail them. Warnings still go to stderr.
void QuietDebug(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    // A GUI application's note about a session without a runtime folder (cron).
    if (text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QUILLON_DEBUG"))
        qInstallMessageHandler(QuietDebug);
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
    return Ctl::Run(QCoreApplication::arguments());
}
