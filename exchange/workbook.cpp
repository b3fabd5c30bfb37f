#include "exchange/workbook.h"

#include "exchange/xlsreader.h"
#include "exchange/xlswriter.h"
#include "exchange/xlsxfilewriter.h"
#include "exchange/xlsxreader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <QTemporaryFile>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString WorkbookSheet::Text(int row, int column) const
{
    if (row < 0 || row >= rows.size())
        return QString();
    const QStringList &cells = rows.at(row);
    return (column >= 0 && column < cells.size()) ? cells.at(column) : QString();
}

void WorkbookSheet::SetText(int row, int column, const QString &text)
{
    if (row < 0 || column < 0)
        return;
    if (!typed.isEmpty())
        typed.remove(Key(row, column));
    Put(row, column, text);
}

void WorkbookSheet::Put(int row, int column, const QString &text)
{
    if (!text.isEmpty() || row < rows.size()) {
        if (rows.size() <= row)
            rows.resize(row + 1);
        QStringList &cells = rows[row];
        if (!text.isEmpty() || column < cells.size()) {
            while (cells.size() <= column)
                cells.append(QString());
            cells[column] = text;
        }
    }
    if (IsEmpty()) {
        firstRow = lastRow = row;
        firstColumn = lastColumn = column;
        return;
    }
    firstRow = qMin(firstRow, row);
    lastRow = qMax(lastRow, row);
    firstColumn = qMin(firstColumn, column);
    lastColumn = qMax(lastColumn, column);
}

void WorkbookSheet::SetTyped(int row, int column, const QString &text, const TypedCell &cell)
{
    if (row < 0 || column < 0)
        return;
    // One hash look-up: the insert replaces any earlier value of the cell.
    Put(row, column, text);
    typed.insert(Key(row, column), cell);
}

void WorkbookSheet::SetUnreadable(int row, int column, const QString &reason)
{
    if (row < 0 || column < 0)
        return;
    // Holds the row's place like a text would, so the row is not taken for a blank one.
    SetText(row, column, QString());
    if (rows.size() <= row)
        rows.resize(row + 1);
    if (!unreadable.contains(row))
        unreadable.insert(row, reason);
}

const TypedCell *WorkbookSheet::Typed(int row, int column) const
{
    const auto it = typed.constFind(Key(row, column));
    return it == typed.constEnd() ? nullptr : &it.value();
}

namespace WorkbookFile {

Format DetectFormat(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.exists()) {
        *error = QStringLiteral("文件不存在：%1").arg(path);
        return Format::Unknown;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法打开文件 %1：%2").arg(path, file.errorString());
        return Format::Unknown;
    }
    const QByteArray head = file.read(8);
    if (head.isEmpty()) {
        *error = QStringLiteral("文件是空的：%1").arg(path);
        return Format::Unknown;
    }
    static const char ole[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    if (head == QByteArray(ole, 8))
        return Format::Xls;
    if (head.startsWith("PK\x03\x04"))
        return Format::Xlsx;
    *error = QStringLiteral("不是 Excel 工作簿：%1").arg(path);
    return Format::Unknown;
}

bool Read(const QString &path, Workbook *book, QString *error, int onlySheet)
{
    *book = Workbook();
    QString reason;
    bool ok = false;
    switch (DetectFormat(path, &reason)) {
    case Format::Xls: ok = XlsReader::Read(path, book, &reason, onlySheet); break;
    case Format::Xlsx: ok = XlsxReader::Read(path, book, &reason, onlySheet); break;
    case Format::Unknown: break;
    }
    if (ok && book->sheets.isEmpty()) {
        ok = false;
        reason = QStringLiteral("工作簿中没有工作表：%1").arg(path);
    }
    if (!ok) {
        *book = Workbook();
        *error = reason;
    }
    return ok;
}

namespace {

// The file a write lands in: a symbolic link is followed to its target, so
// the link stays a link and the file it names gets the new content.
QString WriteTarget(const QString &path)
{
    QFileInfo info(path);
    for (int hops = 0; info.isSymLink() && hops < 40; ++hops) {
        const QString next = info.symLinkTarget();
        if (next.isEmpty())
            break;
        info.setFile(next);
    }
    return info.absoluteFilePath();
}

// Runs write on a temporary file beside path and moves it over path only
// when write succeeded, keeping an existing file's mode.
bool WriteBeside(const QString &path, const std::function<bool(const QString &, QString *)> &write,
                 QString *error)
{
    const QString targetPath = WriteTarget(path);
    const QFileInfo target(targetPath);
    const QString folder = target.absolutePath();
    if (!QFileInfo(folder).isDir()) {
        *error = QStringLiteral("文件夹不存在：%1").arg(folder);
        return false;
    }
    if (target.isDir()) {
        *error = QStringLiteral("同名的文件夹已存在：%1").arg(path);
        return false;
    }
    if (target.exists() && !target.isFile()) {
        *error = QStringLiteral("%1 不是普通文件，没有保存").arg(path);
        return false;
    }
    const QString problem = WriteProblem(targetPath);
    if (!problem.isEmpty()) {
        *error = problem;
        return false;
    }
    struct stat before;
    const QByteArray to = QFile::encodeName(targetPath);
    const bool existed = ::stat(to.constData(), &before) == 0;

    QTemporaryFile temp(folder + QStringLiteral("/.quillon-XXXXXX.tmp"));
    if (!temp.open()) {
        *error = QStringLiteral("无法在 %1 写文件：%2").arg(folder, temp.errorString());
        return false;
    }
    const QString tempName = temp.fileName();
    temp.close();

    QString reason;
    if (!write(tempName, &reason)) {
        *error = QStringLiteral("无法保存 %1：%2").arg(path, reason);
        return false;
    }
    // On disk before it replaces the old file: a crash leaves one or the other whole.
    const QByteArray from = QFile::encodeName(tempName);
    const int fd = ::open(from.constData(), O_RDONLY);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!synced) {
        *error = QStringLiteral("无法保存 %1：%2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    const mode_t mode = existed ? (before.st_mode & 07777) : mode_t(0644);
    if (::chmod(from.constData(), mode) != 0 || std::rename(from.constData(), to.constData()) != 0) {
        *error = QStringLiteral("无法写入 %1：%2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    temp.setAutoRemove(false);
    return true;
}

} // namespace

QString WriteProblem(const QString &path)
{
    const QFileInfo info(WriteTarget(path));
    const QString folder = info.absolutePath();
    const QString name = info.fileName();
    if (QFileInfo::exists(folder + QStringLiteral("/~$") + name)
        || QFileInfo::exists(folder + QStringLiteral("/.~lock.") + name + QLatin1Char('#')))
        return QStringLiteral("文件正被其他程序打开");
    // A file without any write permission is read-only for everyone, the
    // superuser included: someone marked it so on purpose.
    const QByteArray name8 = QFile::encodeName(info.absoluteFilePath());
    struct stat st;
    if (::stat(name8.constData(), &st) == 0
        && ((st.st_mode & 0222) == 0 || ::access(name8.constData(), W_OK) != 0))
        return QStringLiteral("文件只读，没有保存");
    return QString();
}

bool Write(const QString &path, Format format, const Workbook &book, QString *error)
{
    return WriteBeside(
        path,
        [&](const QString &temp, QString *reason) {
            if (format == Format::Xls)
                return XlsWriter::Write(temp, book, reason);
            if (format == Format::Xlsx)
                return XlsxFileWriter::Write(temp, book, reason);
            *reason = QStringLiteral("未知的工作簿格式");
            return false;
        },
        error);
}

bool ReplaceXlsxSheet(const QString &path, const WorkbookSheet &sheet, QString *error)
{
    return WriteBeside(
        path,
        [&](const QString &temp, QString *reason) {
            return XlsxFileWriter::ReplaceSheet(path, temp, sheet, reason);
        },
        error);
}

QString SheetProblem(const WorkbookSheet &sheet)
{
    if (sheet.tooWide)
        return QStringLiteral("工作表“%1”超过 %2 列，不是可以导入的表格").arg(sheet.name).arg(MaxReadColumns);
    return QString();
}

QString NumberToText(double value)
{
    if (!std::isfinite(value))
        return QString();
    // Whole numbers within 15 digits, most cells of a ledger, need no rounding.
    if (value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(qint64(value));
    double rounded = QString::number(value, 'g', 15).toDouble();
    // Near the largest double, 15 digits round up past it.
    if (!std::isfinite(rounded))
        rounded = value;
    return QString::number(rounded, 'f', QLocale::FloatingPointShortest);
}

QStringList SafeSheetNames(const Workbook &book)
{
    QStringList names;
    QSet<QString> taken;
    for (int i = 0; i < book.sheets.size(); ++i) {
        QString name = book.sheets.at(i).name;
        for (QChar &ch : name) {
            if (QStringLiteral("[]:*?/\\").contains(ch) || ch.unicode() < 0x20)
                ch = QLatin1Char('_');
        }
        name = name.trimmed();
        // A name may not start or end with an apostrophe.
        while (name.startsWith(QLatin1Char('\'')))
            name.remove(0, 1);
        while (name.endsWith(QLatin1Char('\'')))
            name.chop(1);
        name.truncate(name.size() > 31 && name.at(30).isHighSurrogate() ? 30 : 31);
        if (name.isEmpty() || taken.contains(name.toLower())) {
            int n = i + 1;
            do {
                name = QStringLiteral("Sheet%1").arg(n++);
            } while (taken.contains(name.toLower()));
        }
        taken.insert(name.toLower());
        names.append(name);
    }
    return names;
}

} // namespace WorkbookFile
