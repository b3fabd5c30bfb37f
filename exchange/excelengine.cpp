#include "exchange/excelengine.h"

#include "db/numbertext.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>

ExcelEngine::ExcelEngine(const QString &fileName, QObject *parent)
    : QObject(parent), m_fileName(fileName), m_path(fileName)
{
#ifndef Q_OS_WIN
    // Callers pass Windows-style names ("/" turned into "\"); here "\" is
    // an ordinary file name character, so read it as the separator again.
    m_path.replace(QLatin1Char('\\'), QLatin1Char('/'));
#endif
}

ExcelEngine::~ExcelEngine()
{
    // A destructor has no one to tell: a caller that cares saves first.
    if (m_isOpen)
        (void)Close();
}

Result ExcelEngine::Fail(const QString &reason)
{
    m_error = reason;
    return Result::Fail(reason);
}

Result ExcelEngine::Failed() const
{
    return Result::Fail(m_error.isEmpty() ? QStringLiteral("工作簿操作失败") : m_error);
}

QString ExcelEngine::TooWide(const WorkbookSheet &sheet)
{
    return QStringLiteral("工作表“%1”超过 %2 列，重写会丢失内容，没有保存")
        .arg(sheet.name)
        .arg(WorkbookFile::MaxReadColumns);
}

Result ExcelEngine::Open(int sheet, bool visible)
{
    // Opening another sheet first writes what was changed in this one, as Excel would.
    if (m_isOpen)
        (void)Close();
    m_sheetIndex = sheet;
    m_visible = visible;
    m_isOpen = false;
    m_hasWorkbook = false;
    m_isNewFile = false;
    m_isClosed = false;
    m_modified = false;
    m_saveResult = false;
    m_book = Workbook();
    m_rowCount = m_columnCount = m_startRow = m_startColumn = 0;
    m_error.clear();

    if (m_path.isEmpty())
        return Fail(QStringLiteral("没有指定工作簿文件"));
    if (sheet < 1)
        return Fail(QStringLiteral("工作表序号 %1 无效").arg(sheet));

    if (QFileInfo::exists(m_path)) {
        QString reason;
        const WorkbookFile::Format format = WorkbookFile::DetectFormat(m_path, &reason);
        if (format == WorkbookFile::Format::Unknown)
            return Fail(reason);
        // Only the sheet asked for is parsed; an .xls rewrite reads the rest on save.
        if (!WorkbookFile::Read(m_path, &m_book, &reason, sheet))
            return Fail(reason);
        if (sheet > m_book.sheets.size()) {
            m_book = Workbook();
            return Fail(QStringLiteral("工作簿 %1 只有 %2 个工作表").arg(m_fileName).arg(SheetCount()));
        }
        m_format = format;
    } else {
        m_isNewFile = true;
        for (int i = 1; i <= sheet; ++i) {
            WorkbookSheet blank;
            blank.name = QStringLiteral("Sheet%1").arg(i);
            m_book.sheets.append(blank);
        }
        m_format = m_path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive) ? WorkbookFile::Format::Xlsx
                                                                                : WorkbookFile::Format::Xls;
    }

    // An empty sheet reports A1 as its used range, as Excel does.
    const WorkbookSheet &s = Sheet();
    if (s.IsEmpty()) {
        m_startRow = m_startColumn = m_rowCount = m_columnCount = 1;
    } else {
        m_startRow = s.firstRow + 1;
        m_startColumn = s.firstColumn + 1;
        m_rowCount = s.lastRow - s.firstRow + 1;
        m_columnCount = s.lastColumn - s.firstColumn + 1;
    }
    m_hasWorkbook = true;
    m_isOpen = true;
    return Result::Ok();
}

Result ExcelEngine::OpenReplacing(int sheet)
{
    if (Open(sheet, false))
        return Result::Ok();
    const QFileInfo file(m_path);
    if (!file.isFile() || sheet < 1)
        return Failed();
    // Only a file that is no workbook at all is replaced: a workbook refused
    // for its size (too many sheets or cells) or for damage may still hold
    // the user's data.
    QString reason;
    if (WorkbookFile::DetectFormat(m_path, &reason) != WorkbookFile::Format::Unknown)
        return Failed();
    // Unreadable as a workbook: start afresh, as for a new file, and
    // overwrite it on save (the user chose to replace it).
    m_error.clear();
    m_book = Workbook();
    for (int i = 1; i <= sheet; ++i) {
        WorkbookSheet blank;
        blank.name = QStringLiteral("Sheet%1").arg(i);
        m_book.sheets.append(blank);
    }
    m_format = m_path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive) ? WorkbookFile::Format::Xlsx
                                                                            : WorkbookFile::Format::Xls;
    m_isNewFile = true;
    m_startRow = m_startColumn = m_rowCount = m_columnCount = 1;
    m_hasWorkbook = true;
    m_isOpen = true;
    return Result::Ok();
}

int ExcelEngine::FormulasAsValues() const
{
    if (m_isNewFile)
        return 0;
    return m_formulasAsValues;
}

Result ExcelEngine::CheckReadable()
{
    if (!m_isOpen)
        return Fail(m_error.isEmpty() ? QStringLiteral("工作簿没有打开") : m_error);
    if (m_isNewFile)
        return Fail(QStringLiteral("文件不存在：%1").arg(m_fileName));
    const QString problem = WorkbookFile::SheetProblem(Sheet());
    if (!problem.isEmpty())
        return Fail(problem);
    return Result::Ok();
}

Result ExcelEngine::ReadRows(QVector<QStringList> *rows, QStringList *problems)
{
    if (!rows)
        return Fail(QStringLiteral("没有接收数据的列表"));
    if (!CheckReadable())
        return Failed();
    const WorkbookSheet &sheet = Sheet();
    // Sheet rows startRow+1 .. startRow+rowCount-1, 0-based below; blank
    // rows after the last one with text are not handed on.
    const int end = qMin(m_startRow + m_rowCount - 1, sheet.LastDataRow() + 1);
    for (int r = m_startRow; r < end; ++r) {
        QStringList cells;
        const QString problem = sheet.unreadable.value(r);
        if (problems)
            problems->append(problem);
        if (!sheet.rows.at(r).isEmpty() || !problem.isEmpty()) {
            cells.reserve(m_columnCount);
            for (int c = m_startColumn - 1; c < m_startColumn - 1 + m_columnCount; ++c)
                cells.append(sheet.Text(r, c));
        }
        rows->append(cells);
    }
    return Result::Ok();
}

Result ExcelEngine::ReadRowsAsText(QStringList *rows)
{
    if (!rows)
        return Fail(QStringLiteral("没有接收数据的列表"));
    QVector<QStringList> cells;
    if (!ReadRows(&cells))
        return Failed();
    for (QStringList &row : cells) {
        for (QString &text : row)
            text.replace(QLatin1Char('+'), QLatin1String("^^"));
        rows->append(row.join(QLatin1Char('+')));
    }
    return Result::Ok();
}

Result ExcelEngine::SetCellData(int row, int column, const QVariant &value)
{
    if (!m_isOpen)
        return Fail(QStringLiteral("工作簿没有打开"));
    const bool xls = m_format == WorkbookFile::Format::Xls;
    const int maxRows = xls ? WorkbookFile::XlsMaxRows : WorkbookFile::XlsxMaxRows;
    const int maxColumns = xls ? WorkbookFile::XlsMaxColumns : WorkbookFile::XlsxMaxColumns;
    if (row < 1 || column < 1 || row > maxRows || column > maxColumns)
        return Fail(QStringLiteral("单元格 (%1, %2) 超出工作表范围").arg(row).arg(column));

    QString text;
    switch (int(value.type())) {
    case QMetaType::Double:
    case QMetaType::Float: text = NumberText::ToText(value.toDouble()); break;
    case QMetaType::QDate: text = value.toDate().toString(QStringLiteral("yyyy-MM-dd")); break;
    case QMetaType::QDateTime:
        text = value.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        break;
    default: text = value.toString(); break;
    }
    if (text.size() > WorkbookFile::MaxCellLength)
        return Fail(QStringLiteral("单元格 (%1, %2) 的文字超过 32767 个字符").arg(row).arg(column));
    Sheet().SetText(row - 1, column - 1, text);
    m_modified = true;
    return Result::Ok();
}

QString ExcelEngine::CellText(int row, int column) const
{
    if (!m_hasWorkbook)
        return QString();
    return Sheet().Text(row - 1, column - 1);
}

Result ExcelEngine::WriteRows(const QStringList &header, const QVector<QStringList> &rows)
{
    if (!m_isOpen)
        return Fail(QStringLiteral("工作簿没有打开"));
    // The sheet holds exactly these rows afterwards: nothing of an earlier,
    // longer or wider table may be left below or beside them.
    WorkbookSheet &sheet = Sheet();
    WorkbookSheet cleared;
    cleared.name = sheet.name;
    cleared.part = sheet.part;
    cleared.tooWide = sheet.tooWide;
    sheet = cleared;
    m_modified = true;
    bool ok = true;
    for (int c = 0; c < header.size(); ++c)
        ok = SetCellData(1, c + 1, header.at(c)) && ok;
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows.at(r).size(); ++c)
            ok = SetCellData(r + 2, c + 1, rows.at(r).at(c)) && ok;
    }
    const QString cellError = m_error;
    if (!Save())
        return Failed();
    if (!ok)
        m_error = cellError;
    return ok ? Result::Ok() : Failed();
}

Result ExcelEngine::Save()
{
    if (m_isClosed)
        return m_saveResult ? Result::Ok() : Failed();
    if (!m_hasWorkbook)
        return Fail(QStringLiteral("没有可保存的工作簿"));
    m_isClosed = true;
    // Nothing to write: keep an existing file as it is (its formatting and
    // formulas would not survive a rewrite), and make no empty new file.
    if (!m_modified) {
        m_saveResult = true;
        return Result::Ok();
    }
    QString reason;
    // Refused before any work: the file is read-only or open elsewhere.
    const QString problem = WorkbookFile::WriteProblem(m_path);
    if (!problem.isEmpty())
        return Fail(problem);
    if (!m_isNewFile && m_format == WorkbookFile::Format::Xlsx) {
        if (Sheet().tooWide)
            return Fail(TooWide(Sheet()));
        m_formulasAsValues = Sheet().formulaCells;
        m_saveResult = WorkbookFile::ReplaceXlsxSheet(m_path, Sheet(), &reason);
    } else {
        Workbook book = m_book;
        if (!m_isNewFile) {
            // The .xls is written whole: every other sheet is read now, once.
            if (!WorkbookFile::Read(m_path, &book, &reason, 0))
                return Fail(reason);
            if (book.sheets.size() < m_sheetIndex)
                return Fail(QStringLiteral("工作簿 %1 在读入后被改动，没有保存").arg(m_fileName));
            book.sheets[m_sheetIndex - 1] = Sheet();
            m_formulasAsValues = 0;
            for (int i = 0; i < book.sheets.size(); ++i)
                m_formulasAsValues += i + 1 == m_sheetIndex ? 0 : book.sheets.at(i).formulaCells;
        }
        // A whole rewrite would lose what was left out on reading.
        for (const WorkbookSheet &sheet : qAsConst(book.sheets)) {
            if (sheet.tooWide)
                return Fail(TooWide(sheet));
        }
        m_saveResult = WorkbookFile::Write(m_path, m_format, book, &reason);
    }
    if (!m_saveResult)
        m_error = reason;
    return m_saveResult ? Result::Ok() : Failed();
}

Result ExcelEngine::Close()
{
    const Result saved = m_hasWorkbook ? Save() : Result::Ok();
    m_isOpen = false;
    m_hasWorkbook = false;
    m_isNewFile = false;
    m_isClosed = true;
    m_book = Workbook();
    return saved;
}
