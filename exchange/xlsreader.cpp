#include "exchange/xlsreader.h"

#include <QFile>

#include <freexl.h>

// glib names a struct field "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>
#pragma pop_macro("signals")

#include <mutex>

namespace {

// The "Workbook" stream of the OLE2 file; empty when there is none.
QByteArray WorkbookStream(const QString &path)
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { gsf_init(); });
    QByteArray data;
    const QByteArray name = QFile::encodeName(path);
    GsfInput *input = gsf_input_stdio_new(name.constData(), nullptr);
    if (!input)
        return data;
    GsfInfile *ole = gsf_infile_msole_new(input, nullptr);
    GsfInput *stream = ole ? gsf_infile_child_by_name(ole, "Workbook") : nullptr;
    if (stream) {
        const gsf_off_t size = gsf_input_size(stream);
        if (size > 0 && size < (gsf_off_t(1) << 31)) {
            data.resize(int(size));
            if (!gsf_input_read(stream, size_t(size), reinterpret_cast<guint8 *>(data.data())))
                data.clear();
        }
        g_object_unref(stream);
    }
    if (ole)
        g_object_unref(ole);
    g_object_unref(input);
    return data;
}

enum class StreamCheck { Fine, StringTooLong, Damaged };

// libfreexl trusts the stream: a damaged shared string table makes it read
// out of bounds, and a string whose characters run over more than one
// CONTINUE record (over about 8,200 characters) comes back cut short with
// the strings after it shifted. Both are refused before freexl sees them.
// Walks the records and the SST the way the format lays them out.
// Also collects where each sheet's declared range starts (row, column), as
// freexl does not tell, so blank cells at the near edge stay in the range.
StreamCheck CheckStream(const QByteArray &stream, QVector<QPair<int, int>> *starts)
{
    auto u16 = [](const QByteArray &b, int i) { return int(quint8(b[i])) | int(quint8(b[i + 1])) << 8; };
    auto u32 = [&](const QByteArray &b, int i) { return quint32(u16(b, i)) | quint32(u16(b, i + 2)) << 16; };
    QVector<QByteArray> parts;
    bool inSst = false;
    int at = 0;
    while (at + 4 <= stream.size()) {
        const int id = u16(stream, at);
        const int length = u16(stream, at + 2);
        if (id == 0 && length == 0)
            break; // padding after the last EOF
        if (at + 4 + length > stream.size())
            return StreamCheck::Damaged;
        if (id == 0x0085 && (length < 8 || u32(stream, at + 4) >= quint32(stream.size())))
            return StreamCheck::Damaged; // sheet outside the stream
        if (id == 0x0200 && length >= 14)
            starts->append(qMakePair(int(qMin<quint32>(u32(stream, at + 4), 0xFFFFFF)), u16(stream, at + 12)));
        if (id == 0x00FC) {
            if (!parts.isEmpty())
                return StreamCheck::Damaged; // a second SST
            inSst = true;
            parts.append(stream.mid(at + 4, length));
        } else if (inSst && id == 0x003C) {
            parts.append(stream.mid(at + 4, length));
        } else {
            inSst = false;
        }
        at += 4 + length;
    }
    if (parts.isEmpty())
        return StreamCheck::Fine;
    if (parts.first().size() < 8)
        return StreamCheck::Damaged;
    const quint32 count = u32(parts.first(), 4);
    int k = 0;
    int o = 8;
    for (quint32 i = 0; i < count; ++i) {
        if (o >= parts.at(k).size()) {
            if (++k >= parts.size())
                return StreamCheck::Damaged;
            o = 0;
        }
        const QByteArray &head = parts.at(k);
        if (o + 3 > head.size())
            return StreamCheck::Damaged;
        int remaining = u16(head, o);
        const int flags = quint8(head[o + 2]);
        if (flags & ~0x0D)
            return StreamCheck::Damaged;
        o += 3;
        qint64 extra = 0;
        if (flags & 0x08) {
            if (o + 2 > head.size())
                return StreamCheck::Damaged;
            extra += 4 * u16(head, o);
            o += 2;
        }
        if (flags & 0x04) {
            if (o + 4 > head.size())
                return StreamCheck::Damaged;
            extra += u32(head, o);
            o += 4;
        }
        bool wide = flags & 0x01;
        const int startPart = k;
        while (true) {
            const int perChar = wide ? 2 : 1;
            const int n = qMin(remaining, (parts.at(k).size() - o) / perChar);
            o += n * perChar;
            remaining -= n;
            if (remaining == 0)
                break;
            if (++k >= parts.size() || parts.at(k).isEmpty())
                return StreamCheck::Damaged;
            // A continued string starts its next part with its flags again.
            const int continued = quint8(parts.at(k)[0]);
            if (continued & ~0x01)
                return StreamCheck::Damaged;
            if (k - startPart >= 2)
                return StreamCheck::StringTooLong;
            wide = continued & 0x01;
            o = 1;
        }
        while (extra > 0) {
            const int n = int(qMin<qint64>(extra, parts.at(k).size() - o));
            o += n;
            extra -= n;
            if (extra > 0) {
                if (++k >= parts.size())
                    return StreamCheck::Damaged;
                o = 0;
            }
        }
    }
    return StreamCheck::Fine;
}

// freexl wants its handle closed whatever happened, also after a failed open.
class FreexlHandle
{
public:
    ~FreexlHandle()
    {
        if (m_handle)
            freexl_close(m_handle);
    }
    const void *m_handle = nullptr;
};

QString CellText(const FreeXL_CellValue &cell)
{
    switch (cell.type) {
    case FREEXL_CELL_INT:
        return QString::number(cell.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return WorkbookFile::NumberToText(cell.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        return cell.value.text_value ? QString::fromUtf8(cell.value.text_value) : QString();
    default:
        return QString();
    }
}

} // namespace

bool XlsReader::Read(const QString &path, Workbook *book, QString *error)
{
    QVector<QPair<int, int>> starts;
    switch (CheckStream(WorkbookStream(path), &starts)) {
    case StreamCheck::Fine:
        break;
    case StreamCheck::StringTooLong:
        *error = QStringLiteral("工作簿 %1 中有超过 8000 字的单元格，无法可靠读取").arg(path);
        return false;
    case StreamCheck::Damaged:
        *error = QStringLiteral("工作簿 %1 已损坏，无法读取").arg(path);
        return false;
    }
    FreexlHandle xls;
    const QByteArray name = QFile::encodeName(path);
    const int opened = freexl_open(name.constData(), &xls.m_handle);
    if (opened != FREEXL_OK) {
        *error = QStringLiteral("无法读取 Excel 97-2003 工作簿 %1（文件损坏或格式不符，错误 %2）")
                     .arg(path).arg(opened);
        return false;
    }
    unsigned int info = 0;
    if (freexl_get_info(xls.m_handle, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info == FREEXL_BIFF_OBFUSCATED) {
        *error = QStringLiteral("工作簿 %1 有密码保护，无法读取").arg(path);
        return false;
    }
    unsigned int sheetCount = 0;
    if (freexl_get_info(xls.m_handle, FREEXL_BIFF_SHEET_COUNT, &sheetCount) != FREEXL_OK) {
        *error = QStringLiteral("无法读取工作簿 %1 的工作表").arg(path);
        return false;
    }
    for (unsigned int s = 0; s < sheetCount && s <= 0xFFFF; ++s) {
        WorkbookSheet sheet;
        const char *sheetName = nullptr;
        if (freexl_get_worksheet_name(xls.m_handle, static_cast<unsigned short>(s), &sheetName)
                == FREEXL_OK
            && sheetName)
            sheet.name = QString::fromUtf8(sheetName);
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (freexl_select_active_worksheet(xls.m_handle, static_cast<unsigned short>(s)) != FREEXL_OK
            || freexl_worksheet_dimensions(xls.m_handle, &rows, &columns) != FREEXL_OK) {
            *error = QStringLiteral("无法读取工作簿 %1 的第 %2 个工作表").arg(path).arg(s + 1);
            return false;
        }
        // Blank cells come back as NULL like absent ones, so the declared
        // dimensions give the far edge; the near edge is the first filled cell.
        for (unsigned int r = 0; r < rows; ++r) {
            for (unsigned int c = 0; c < columns; ++c) {
                FreeXL_CellValue cell;
                if (freexl_get_cell_value(xls.m_handle, r, static_cast<unsigned short>(c), &cell)
                    != FREEXL_OK)
                    continue;
                const QString text = CellText(cell);
                if (text.isEmpty())
                    continue;
                sheet.SetText(int(r), int(c), text);
            }
        }
        if (rows > 0 && columns > 0) {
            int firstRow = sheet.IsEmpty() ? int(rows) - 1 : sheet.firstRow;
            int firstColumn = sheet.IsEmpty() ? int(columns) - 1 : sheet.firstColumn;
            if (starts.size() == int(sheetCount)) {
                firstRow = qMin(firstRow, starts.at(int(s)).first);
                firstColumn = qMin(firstColumn, starts.at(int(s)).second);
            } else if (sheet.IsEmpty()) {
                firstRow = firstColumn = 0;
            }
            sheet.firstRow = firstRow;
            sheet.firstColumn = firstColumn;
            sheet.lastRow = qMax(sheet.lastRow, int(rows) - 1);
            sheet.lastColumn = qMax(sheet.lastColumn, int(columns) - 1);
        }
        book->sheets.append(sheet);
    }
    return true;
}
