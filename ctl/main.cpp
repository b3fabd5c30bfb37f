// quillonctl: the program's data operations without the window.
#include "ctl/commands.h"

#include <QGuiApplication>

#include <cstdio>

namespace {

// The core's debug lines ("connect db ok1", ...) are for developers; a
// scheduled job would mail them. Warnings still go to stderr.
void QuietDebug(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QUILLON_DEBUG"))
        qInstallMessageHandler(QuietDebug);
    // A PDF export draws text, which needs a GUI application; without a
    // screen, on the offscreen platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillonctl"));
    return Ctl::Run(QCoreApplication::arguments());
}
