#include "exchange/xlsxpackage.h"

#include "exchange/workbook.h"

#include <QDir>
#include <QIODevice>
#include <QUrl>

#include <quazip/quazipfile.h>

namespace {

using WorkbookFile::MaxPartSize;

QString FolderOf(const QString &part)
{
    const int slash = part.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : part.left(slash);
}

// A relationship target is relative to the folder of the part that owns the
// relationship, or absolute from the package root when it starts with "/".
QString ResolveTarget(const QString &ownerPart, const QString &target)
{
    QString path = QUrl::fromPercentEncoding(target.toUtf8());
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!path.startsWith(QLatin1Char('/'))) {
        const QString folder = FolderOf(ownerPart);
        path = folder.isEmpty() ? path : folder + QLatin1Char('/') + path;
    }
    path = QDir::cleanPath(QLatin1Char('/') + path);
    while (path.startsWith(QLatin1Char('/')))
        path.remove(0, 1);
    return path;
}

QString RelsPathOf(const QString &part)
{
    const QString folder = FolderOf(part);
    const QString file = part.mid(folder.isEmpty() ? 0 : folder.size() + 1);
    return (folder.isEmpty() ? QString() : folder + QLatin1Char('/')) + QStringLiteral("_rels/") + file
        + QStringLiteral(".rels");
}

// A part inflated as the XML reader asks for it, ending in an error once
// more than MaxPartSize bytes came out: the part is never held whole.
class CappedPart : public QIODevice
{
public:
    explicit CappedPart(QuaZipFile *file) : m_file(file) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }
    bool Over() const { return m_over; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_total >= MaxPartSize) {
            m_over = true;
            return -1;
        }
        const qint64 n = m_file->read(data, qMin(maxSize, MaxPartSize - m_total));
        if (n > 0)
            m_total += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QuaZipFile *m_file;
    qint64 m_total = 0;
    bool m_over = false;
};

} // namespace

QString XlsxPackage::NormalisedName(QString name)
{
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (name.startsWith(QLatin1Char('/')))
        name.remove(0, 1);
    return name.toLower();
}

bool XlsxPackage::Open(QString *error)
{
    if (!m_zip.open(QuaZip::mdUnzip)) {
        *error = QStringLiteral("压缩包已损坏（错误 %1）").arg(m_zip.getZipError());
        return false;
    }
    const QStringList names = m_zip.getFileNameList();
    for (const QString &name : names)
        m_names.insert(NormalisedName(name), name);
    return true;
}

bool XlsxPackage::ParsePart(const QString &part, const std::function<QString(QXmlStreamReader &)> &parse,
                            QString *error)
{
    const auto found = m_names.constFind(NormalisedName(part));
    if (found == m_names.constEnd()) {
        *error = QStringLiteral("缺少部件 %1").arg(part);
        return false;
    }
    if (!m_zip.setCurrentFile(found.value(), QuaZip::csSensitive)) {
        *error = QStringLiteral("无法定位部件 %1").arg(part);
        return false;
    }
    QuaZipFile file(&m_zip);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法解压部件 %1").arg(part);
        return false;
    }
    CappedPart device(&file);
    QXmlStreamReader xml(&device);
    const QString stopped = parse(xml);
    file.close();
    if (device.Over())
        *error = QStringLiteral("部件 %1 解压后超过 %2 MB，不予读取").arg(part).arg(MaxPartSize >> 20);
    else if (!stopped.isEmpty())
        *error = stopped;
    else if (file.getZipError() != UNZ_OK)
        *error = QStringLiteral("部件 %1 已损坏").arg(part);
    else if (xml.hasError())
        *error = QStringLiteral("部件 %1 的内容已损坏（%2）").arg(part, xml.errorString());
    else
        return true;
    return false;
}

XlsxPackage::Relationships XlsxPackage::RelationshipsOf(const QString &part)
{
    Relationships rels;
    QString ignored;
    if (!Has(RelsPathOf(part)))
        return rels;
    (void)ParsePart(
        RelsPathOf(part),
        [&](QXmlStreamReader &xml) {
            qint64 elements = WorkbookFile::MaxCells * 3;
            while (!xml.atEnd() && rels.size() < WorkbookFile::MaxSheets * 8) {
                xml.readNext();
                if (!xml.isStartElement())
                    continue;
                if (--elements < 0)
                    break;
                if (xml.name() != QLatin1String("Relationship"))
                    continue;
                const QXmlStreamAttributes a = xml.attributes();
                if (a.value(QLatin1String("TargetMode")) == QLatin1String("External"))
                    continue;
                Relationship rel;
                rel.type = a.value(QLatin1String("Type")).toString();
                rel.target = ResolveTarget(part, a.value(QLatin1String("Target")).toString());
                rels.append(qMakePair(a.value(QLatin1String("Id")).toString(), rel));
            }
            return QString();
        },
        &ignored);
    return rels;
}

QString XlsxPackage::FindTarget(const Relationships &rels, const QString &typeSuffix)
{
    for (const auto &rel : rels) {
        if (rel.second.type.endsWith(typeSuffix, Qt::CaseInsensitive))
            return rel.second.target;
    }
    return QString();
}
