// Build-time tool: renders the hand-drawn SVG artwork into the PNG/JPG files the
// program refers to and writes the .qrc that compiles them in.
//
//   quillon_artgen <manifest> <source dir> <output dir> <qrc name>
//
// Manifest lines: "<source> | <width>x<height> | <resource path>", where the
// resource path is the full ":/prefix/name" the code uses. A source ending in
// .qss (or any non-SVG file) is copied as it is. Any warning from the SVG
// renderer fails the build, so artwork that silently draws wrong never ships.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

#include <cstdio>

namespace {

int g_warnings = 0;

void CountWarnings(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type != QtDebugMsg && type != QtInfoMsg) {
        ++g_warnings;
    }
    std::fprintf(stderr, "%s\n", qPrintable(text));
}

struct Entry
{
    QString source;
    QSize size;
    QString prefix; // "/icons"
    QString alias;  // "icons/littleIcon1/Color layers.png"
    int line = 0;
};

bool Fail(const QString &text)
{
    std::fprintf(stderr, "quillon_artgen: %s\n", qPrintable(text));
    return false;
}

bool ParseManifest(const QString &path, QList<Entry> &entries)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return Fail(QStringLiteral("cannot read %1").arg(path));
    }
    QTextStream in(&file);
    in.setCodec("UTF-8");
    int lineNo = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        ++lineNo;
        if (line.trimmed().isEmpty() || line.trimmed().startsWith(QLatin1Char('#'))) {
            continue;
        }
        const QStringList parts = line.split(QLatin1Char('|'));
        if (parts.size() != 3) {
            return Fail(QStringLiteral("%1:%2: expected three fields").arg(path).arg(lineNo));
        }
        Entry entry;
        entry.line = lineNo;
        entry.source = parts[0].trimmed();
        const QString sizeText = parts[1].trimmed();
        if (sizeText != QLatin1String("-")) {
            const QStringList wh = sizeText.split(QLatin1Char('x'));
            bool okW = false;
            bool okH = false;
            if (wh.size() == 2) {
                entry.size = QSize(wh[0].toInt(&okW), wh[1].toInt(&okH));
            }
            if (!okW || !okH || entry.size.isEmpty()) {
                return Fail(QStringLiteral("%1:%2: bad size '%3'").arg(path).arg(lineNo).arg(sizeText));
            }
        }
        // Keep inner blanks: some resource names contain them.
        const QString resource = parts[2].trimmed();
        const int split = resource.indexOf(QLatin1Char('/'), 2);
        if (!resource.startsWith(QLatin1String(":/")) || split < 0 || split + 1 >= resource.size()) {
            return Fail(QStringLiteral("%1:%2: bad resource path '%3'").arg(path).arg(lineNo).arg(resource));
        }
        entry.prefix = resource.mid(1, split - 1);
        entry.alias = resource.mid(split + 1);
        for (const Entry &other : entries) {
            if (other.prefix == entry.prefix && other.alias == entry.alias) {
                return Fail(QStringLiteral("%1:%2: '%3' listed twice").arg(path).arg(lineNo).arg(resource));
            }
        }
        entries.append(entry);
    }
    return true;
}

// File names on disk avoid blanks and slashes; the .qrc alias restores the real name.
QString DiskName(const Entry &entry)
{
    QString name = entry.prefix.mid(1) + QLatin1Char('_') + entry.alias;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.replace(QLatin1Char(' '), QLatin1Char('_'));
    return name;
}

bool Render(const Entry &entry, const QString &sourcePath, const QString &outPath)
{
    const bool isJpeg = outPath.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive);
    const int before = g_warnings;
    QSvgRenderer renderer(sourcePath);
    if (!renderer.isValid()) {
        return Fail(QStringLiteral("%1 is not a valid SVG").arg(sourcePath));
    }
    QImage image(entry.size, isJpeg ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    image.fill(isJpeg ? Qt::white : Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(entry.size)));
    }
    if (g_warnings != before) {
        return Fail(QStringLiteral("%1 uses SVG features the renderer does not support").arg(sourcePath));
    }
    QImage out = image;
    if (!isJpeg) {
        out = image.convertToFormat(QImage::Format_ARGB32);
    }
    if (!out.save(outPath, isJpeg ? "JPG" : "PNG", isJpeg ? 92 : -1)) {
        return Fail(QStringLiteral("cannot write %1").arg(outPath));
    }
    return true;
}

bool CopyOver(const QString &sourcePath, const QString &outPath)
{
    QFile::remove(outPath);
    if (!QFile::copy(sourcePath, outPath)) {
        return Fail(QStringLiteral("cannot copy %1 to %2").arg(sourcePath, outPath));
    }
    QFile::setPermissions(outPath, QFile::permissions(outPath) | QFileDevice::WriteOwner);
    return true;
}

bool WriteQrc(const QString &qrcPath, const QList<Entry> &entries)
{
    QStringList prefixes;
    for (const Entry &entry : entries) {
        if (!prefixes.contains(entry.prefix)) {
            prefixes.append(entry.prefix);
        }
    }
    QString text = QStringLiteral("<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n");
    for (const QString &prefix : prefixes) {
        text += QStringLiteral("  <qresource prefix=\"%1\">\n").arg(prefix.toHtmlEscaped());
        for (const Entry &entry : entries) {
            if (entry.prefix == prefix) {
                text += QStringLiteral("    <file alias=\"%1\">art/%2</file>\n")
                            .arg(entry.alias.toHtmlEscaped(), DiskName(entry).toHtmlEscaped());
            }
        }
        text += QStringLiteral("  </qresource>\n");
    }
    text += QStringLiteral("</RCC>\n");

    // Always rewritten, so the resource compiler step reruns after new artwork.
    QFile file(qrcPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return Fail(QStringLiteral("cannot write %1").arg(qrcPath));
    }
    const QByteArray bytes = text.toUtf8();
    return file.write(bytes) == bytes.size() || Fail(QStringLiteral("cannot write %1").arg(qrcPath));
}

} // namespace

int main(int argc, char *argv[])
{
    // Renders text in the artwork without any display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    qInstallMessageHandler(CountWarnings);

    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: quillon_artgen <manifest> <source dir> <output dir> <qrc name>\n");
        return 2;
    }
    const QDir sourceDir(args[2]);
    const QDir outDir(args[3]);
    if (!outDir.mkpath(QStringLiteral("art"))) {
        Fail(QStringLiteral("cannot create %1/art").arg(outDir.path()));
        return 1;
    }

    QList<Entry> entries;
    if (!ParseManifest(args[1], entries)) {
        return 1;
    }
    for (const Entry &entry : entries) {
        const QString sourcePath = sourceDir.filePath(entry.source);
        const QString outPath = outDir.filePath(QStringLiteral("art/") + DiskName(entry));
        if (!QFileInfo::exists(sourcePath)) {
            Fail(QStringLiteral("line %1: missing source %2").arg(entry.line).arg(sourcePath));
            return 1;
        }
        const bool isSvg = entry.source.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive);
        if (isSvg && !entry.size.isValid()) {
            Fail(QStringLiteral("line %1: an SVG source needs a size").arg(entry.line));
            return 1;
        }
        if (!(isSvg ? Render(entry, sourcePath, outPath) : CopyOver(sourcePath, outPath))) {
            return 1;
        }
    }
    return WriteQrc(outDir.filePath(args[4]), entries) ? 0 : 1;
}
