#include "widgets/windowmemory.h"

#include <QDir>
#include <QSettings>
#include <QWidget>

namespace WindowMemory {
namespace {
// Accounts are free text: the group is a key QSettings escapes itself.
QString Group(const QString &account) { return QStringLiteral("user_") + account; }
} // namespace

QString FileIn(const QString &folder)
{
    return QDir(folder).filePath(QStringLiteral("InitParam/window.ini"));
}

bool Save(const QString &file, const QString &account, const WindowLayout &layout, QString *error)
{
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(Group(account));
    settings.setValue(QStringLiteral("geometry"), layout.geometry);
    settings.setValue(QStringLiteral("maximised"), layout.maximised);
    QStringList pages;
    for (int page : layout.stackPages)
        pages << QString::number(page);
    settings.setValue(QStringLiteral("stackPages"), pages.join(QLatin1Char(',')));
    settings.beginGroup(QStringLiteral("columns"));
    for (auto it = layout.columns.cbegin(); it != layout.columns.cend(); ++it) {
        QStringList widths;
        for (int width : it.value())
            widths << QString::number(width);
        settings.setValue(it.key(), widths.join(QLatin1Char(',')));
    }
    settings.endGroup();
    settings.endGroup();
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    if (error)
        *error = QStringLiteral("无法写入窗口设置 %1").arg(QDir::toNativeSeparators(file));
    return false;
}

WindowLayout Load(const QString &file, const QString &account)
{
    WindowLayout layout;
    QSettings settings(file, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return layout;
    settings.beginGroup(Group(account));
    layout.geometry = settings.value(QStringLiteral("geometry")).toByteArray();
    layout.maximised = settings.value(QStringLiteral("maximised")).toBool();
    const QString pages = settings.value(QStringLiteral("stackPages")).toString();
    for (const QString &text : pages.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int page = text.trimmed().toInt(&ok);
        layout.stackPages << (ok && page >= 0 ? page : -1);
    }
    settings.beginGroup(QStringLiteral("columns"));
    for (const QString &table : settings.childKeys()) {
        QList<int> widths;
        for (const QString &text :
             settings.value(table).toString().split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            // A width that is no number, or absurd, ends what is read of that page.
            bool ok = false;
            const int width = text.trimmed().toInt(&ok);
            if (!ok || width < 0 || width > 10000)
                break;
            widths << width;
        }
        layout.columns.insert(table, widths);
    }
    settings.endGroup();
    return layout;
}

WindowLayout Take(const QWidget &window)
{
    WindowLayout layout;
    layout.geometry = window.saveGeometry();
    layout.maximised = window.isMaximized();
    return layout;
}

bool Apply(QWidget &window, const WindowLayout &layout)
{
    // restoreGeometry also moves a window left on a screen that is gone back
    // onto one that is there.
    if (layout.geometry.isEmpty() || !window.restoreGeometry(layout.geometry))
        return false;
    if (layout.maximised)
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
    return true;
}

} // namespace WindowMemory
