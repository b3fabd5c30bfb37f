#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QXmlStreamReader>

#include <quazip/quazip.h>

#include <functional>

// The zip package of an .xlsx workbook, opened through QuaZip: its parts by
// name (any case, any slash), their relationships, and each part inflated
// only as far as its XML is read and never beyond WorkbookFile::MaxPartSize.
class XlsxPackage
{
public:
    struct Relationship
    {
        QString type;
        QString target; // package path without a leading slash
    };
    // Relationships with their ids, in the order of the .rels part.
    using Relationships = QList<QPair<QString, Relationship>>;

    explicit XlsxPackage(const QString &path) : m_zip(path) {}

    bool Open(QString *error);
    bool Has(const QString &part) const { return m_names.contains(NormalisedName(part)); }

    // Parses a part as it inflates: parse gets an XML reader over it and says
    // why it stopped early (or nothing). The cap and a damaged stream are
    // reported like the parser's own errors.
    bool ParsePart(const QString &part, const std::function<QString(QXmlStreamReader &)> &parse,
                   QString *error);

    // The relationships of a part; a missing or damaged .rels file means
    // none (or those read before the damage). Read at most 8 per possible
    // sheet: a package needs a few beyond its sheets.
    Relationships RelationshipsOf(const QString &part);

    // The target of the first relationship whose type ends in typeSuffix.
    static QString FindTarget(const Relationships &rels, const QString &typeSuffix);
    // The key a part is known by: forward slashes, no leading one, lower case.
    static QString NormalisedName(QString name);

private:
    QuaZip m_zip;
    QHash<QString, QString> m_names; // normalised -> name in the zip
};
