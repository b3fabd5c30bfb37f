#include "exchange/xlswriter.h"

#include "exchange/olecontainer.h"

#include <QFile>
#include <QHash>

#include <cstring>
#include <mutex>

// glib names a struct field "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>
#pragma pop_macro("signals")

namespace {

constexpr int MaxRecordData = 8224;
constexpr quint16 CellXf = 15; // text and numbers; 0..14 are the style formats
constexpr quint16 DateXf = 16;
constexpr quint16 DateTimeXf = 17;
constexpr quint16 DateFormat = 164; // the first number format id a file may define
constexpr quint16 DateTimeFormat = 165;

enum RecordId : quint16 {
    Bof = 0x0809,
    Eof = 0x000A,
    Codepage = 0x0042,
    Window1 = 0x003D,
    Font = 0x0031,
    Xf = 0x00E0,
    Style = 0x0293,
    BoundSheet = 0x0085,
    Sst = 0x00FC,
    Continue = 0x003C,
    ExtSst = 0x00FF,
    Dimensions = 0x0200,
    Row = 0x0208,
    LabelSst = 0x00FD,
    Blank = 0x0201,
    Number = 0x0203,
    BoolErr = 0x0205,
    Format = 0x041E,
    Window2 = 0x023E,
};

void Put8(QByteArray &b, quint8 v) { b.append(char(v)); }
void Put16(QByteArray &b, quint16 v)
{
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}
void Put32(QByteArray &b, quint32 v)
{
    Put16(b, quint16(v & 0xFFFF));
    Put16(b, quint16(v >> 16));
}
void PutUtf16(QByteArray &b, const QChar *chars, int count)
{
    for (int i = 0; i < count; ++i)
        Put16(b, chars[i].unicode());
}

class Stream
{
public:
    void Record(quint16 id, const QByteArray &body)
    {
        Q_ASSERT(body.size() <= MaxRecordData);
        Put16(m_data, id);
        Put16(m_data, quint16(body.size()));
        m_data.append(body);
    }
    int Position() const { return m_data.size(); }
    void Patch32(int at, quint32 v)
    {
        for (int i = 0; i < 4; ++i)
            m_data[at + i] = char((v >> (8 * i)) & 0xFF);
    }
    QByteArray &Data() { return m_data; }

private:
    QByteArray m_data;
};

QByteArray BofBody(quint16 type)
{
    QByteArray b;
    Put16(b, 0x0600); // BIFF8
    Put16(b, type);
    Put16(b, 0x0DBB);     // build
    Put16(b, 0x07CC);     // year
    Put32(b, 0x000100C1); // file history flags
    Put32(b, 0x00000006); // lowest version that can read it
    return b;
}

QByteArray FontBody()
{
    QByteArray b;
    Put16(b, 200);    // 10 pt in twentieths of a point
    Put16(b, 0);      // no italic, no strike-out
    Put16(b, 0x7FFF); // automatic colour
    Put16(b, 400);    // normal weight
    Put16(b, 0);      // no super/subscript
    Put8(b, 0);       // no underline
    Put8(b, 0);       // family
    Put8(b, 0);       // charset
    Put8(b, 0);
    const QString name = QStringLiteral("Arial");
    Put8(b, quint8(name.size()));
    Put8(b, 0); // 8-bit characters
    b.append(name.toLatin1());
    return b;
}

QByteArray XfBody(bool style, quint8 unusedAttributes, quint16 format = 0)
{
    QByteArray b;
    Put16(b, 0);      // font 0
    Put16(b, format); // number format, 0 "General"
    // Locked; a style XF has the style bit and parent 0xFFF, a cell XF parent 0.
    Put16(b, style ? 0xFFF5 : 0x0001);
    Put8(b, 0x20); // horizontal general, vertical bottom
    Put8(b, 0);    // rotation
    Put8(b, 0);    // indent, shrink, reading order
    Put8(b, unusedAttributes);
    Put32(b, 0);      // borders
    Put32(b, 0);      // border colours
    Put16(b, 0x20C0); // pattern colours: system foreground and background
    return b;
}

QByteArray ShortUnicode(const QString &text)
{
    QByteArray b;
    Put8(b, quint8(text.size()));
    Put8(b, 0x01); // UTF-16
    PutUtf16(b, text.constData(), text.size());
    return b;
}

struct SharedStrings
{
    QHash<QString, quint32> index;
    QStringList unique;
    quint32 uses = 0;

    quint32 Add(const QString &text)
    {
        ++uses;
        auto it = index.constFind(text);
        if (it != index.constEnd())
            return it.value();
        const quint32 i = quint32(unique.size());
        index.insert(text, i);
        unique.append(text);
        return i;
    }
};

// SST, split into CONTINUE records, followed by its EXTSST lookup table.
void WriteSst(Stream &stream, const SharedStrings &sst)
{
    const int count = sst.unique.size();
    const int perBucket = qMax(8, (count + 127) / 128);
    QByteArray ext;
    Put16(ext, quint16(perBucket));

    QByteArray body;
    Put32(body, sst.uses);
    Put32(body, quint32(count));
    quint16 id = Sst;
    auto flush = [&]() {
        stream.Record(id, body);
        body.clear();
        id = Continue;
    };
    for (int i = 0; i < count; ++i) {
        const QString &s = sst.unique.at(i);
        const int length = s.size();
        // The header and the first character never split.
        if (body.size() + 3 + qMin(2, 2 * length) > MaxRecordData)
            flush();
        if (i % perBucket == 0) {
            Put32(ext, quint32(stream.Position() + 4 + body.size()));
            Put16(ext, quint16(4 + body.size()));
            Put16(ext, 0);
        }
        Put16(body, quint16(length));
        Put8(body, 0x01);
        int pos = 0;
        while (pos < length) {
            int room = (MaxRecordData - body.size()) / 2;
            if (room <= 0) {
                flush();
                Put8(body, 0x01); // a continued string repeats its flags
                continue;
            }
            int n = qMin(room, length - pos);
            // Keep surrogate pairs in one piece: readers decode each part alone.
            if (pos + n < length && n > 1 && s.at(pos + n - 1).isHighSurrogate())
                --n;
            PutUtf16(body, s.constData() + pos, n);
            pos += n;
        }
    }
    flush();
    stream.Record(ExtSst, ext);
}

QByteArray Window2Body(bool selected)
{
    QByteArray b;
    // Grid lines, headers, zeros, default header colour, outline symbols;
    // the first sheet is also selected and shown.
    Put16(b, selected ? 0x06B6 : 0x00B6);
    Put16(b, 0);  // top row
    Put16(b, 0);  // left column
    Put16(b, 64); // header colour
    Put16(b, 0);
    Put16(b, 0); // zoom in page break preview
    Put16(b, 0); // zoom in normal view
    Put32(b, 0);
    return b;
}

void WriteSheet(Stream &stream, const WorkbookSheet &sheet, bool first,
                const QVector<QVector<quint32>> &stringIds)
{
    stream.Record(Bof, BofBody(0x0010));
    QByteArray dim;
    if (sheet.IsEmpty()) {
        Put32(dim, 0);
        Put32(dim, 0);
        Put16(dim, 0);
        Put16(dim, 0);
    } else {
        Put32(dim, quint32(sheet.firstRow));
        Put32(dim, quint32(sheet.lastRow + 1));
        Put16(dim, quint16(sheet.firstColumn));
        Put16(dim, quint16(sheet.lastColumn + 1));
    }
    Put16(dim, 0);
    stream.Record(Dimensions, dim);

    if (!sheet.IsEmpty()) {
        // Rows go in blocks of 32: the ROW records of the block, then its cells.
        for (int blockStart = sheet.firstRow; blockStart <= sheet.lastRow; blockStart += 32) {
            const int blockEnd = qMin(blockStart + 31, sheet.lastRow);
            for (int r = blockStart; r <= blockEnd; ++r) {
                QByteArray row;
                Put16(row, quint16(r));
                Put16(row, quint16(sheet.firstColumn));
                Put16(row, quint16(sheet.lastColumn + 1));
                Put16(row, 0x00FF); // default height
                Put16(row, 0);
                Put16(row, 0);
                Put32(row, 0x000F0100); // default format 15, reserved bit set
                stream.Record(Row, row);
            }
            for (int r = blockStart; r <= blockEnd; ++r) {
                const QVector<quint32> &ids = stringIds.at(r - sheet.firstRow);
                for (int c = sheet.firstColumn; c <= sheet.lastColumn; ++c) {
                    const quint32 id = ids.at(c - sheet.firstColumn);
                    QByteArray cell;
                    Put16(cell, quint16(r));
                    Put16(cell, quint16(c));
                    // Numbers, dates and truth values read from the file go back as such.
                    if (const TypedCell *typed = sheet.Typed(r, c)) {
                        if (typed->kind == TypedCell::Boolean) {
                            Put16(cell, CellXf);
                            Put8(cell, typed->value != 0 ? 1 : 0);
                            Put8(cell, 0);
                            stream.Record(BoolErr, cell);
                        } else {
                            Put16(cell,
                                  typed->kind == TypedCell::Date           ? DateXf
                                      : typed->kind == TypedCell::DateTime ? DateTimeXf
                                                                           : CellXf);
                            quint64 bits;
                            std::memcpy(&bits, &typed->value, sizeof bits);
                            Put32(cell, quint32(bits));
                            Put32(cell, quint32(bits >> 32));
                            stream.Record(Number, cell);
                        }
                        continue;
                    }
                    Put16(cell, CellXf);
                    if (id == 0) {
                        stream.Record(Blank, cell);
                    } else {
                        Put32(cell, id - 1);
                        stream.Record(LabelSst, cell);
                    }
                }
            }
        }
    }
    stream.Record(Window2, Window2Body(first));
    stream.Record(Eof, QByteArray());
}

} // namespace

QByteArray XlsWriter::WorkbookStream(const Workbook &book, QString *error)
{
    const QStringList names = WorkbookFile::SafeSheetNames(book);
    if (book.sheets.isEmpty()) {
        *error = QStringLiteral("工作簿中没有工作表");
        return QByteArray();
    }

    // String ids per sheet cell (index + 1; 0 for a blank), in cell order so
    // the SST lists strings as they first appear.
    SharedStrings sst;
    QVector<QVector<QVector<quint32>>> ids(book.sheets.size());
    for (int s = 0; s < book.sheets.size(); ++s) {
        const WorkbookSheet &sheet = book.sheets.at(s);
        if (sheet.IsEmpty())
            continue;
        if (sheet.lastRow >= WorkbookFile::XlsMaxRows || sheet.lastColumn >= WorkbookFile::XlsMaxColumns) {
            *error =
                QStringLiteral("工作表“%1”超出 Excel 97-2003 的上限（65536 行、256 列）").arg(names.at(s));
            return QByteArray();
        }
        ids[s].resize(sheet.lastRow - sheet.firstRow + 1);
        for (int r = sheet.firstRow; r <= sheet.lastRow; ++r) {
            QVector<quint32> &row = ids[s][r - sheet.firstRow];
            row.resize(sheet.lastColumn - sheet.firstColumn + 1);
            for (int c = sheet.firstColumn; c <= sheet.lastColumn; ++c) {
                const QString text = sheet.Text(r, c);
                if (text.size() > WorkbookFile::MaxCellLength) {
                    *error = QStringLiteral("工作表“%1”第 %2 行第 %3 列超过 32767 个字符")
                                 .arg(names.at(s))
                                 .arg(r + 1)
                                 .arg(c + 1);
                    return QByteArray();
                }
                row[c - sheet.firstColumn] = text.isEmpty() || sheet.Typed(r, c) ? 0 : sst.Add(text) + 1;
            }
        }
    }

    Stream stream;
    stream.Record(Bof, BofBody(0x0005));
    QByteArray codepage;
    Put16(codepage, 1200); // UTF-16
    stream.Record(Codepage, codepage);
    QByteArray window;
    Put16(window, 0x0168); // position and size, in twips
    Put16(window, 0x001E);
    Put16(window, 0x3A5C);
    Put16(window, 0x2454);
    Put16(window, 0x0038); // horizontal and vertical scroll bars, sheet tabs
    Put16(window, 0);      // active sheet
    Put16(window, 0);      // first visible tab
    Put16(window, 1);      // selected tabs
    Put16(window, 600);    // tab bar width ratio
    stream.Record(Window1, window);
    // Five fonts; readers number them 0-3 and 5, index 4 does not exist.
    for (int i = 0; i < 5; ++i)
        stream.Record(Font, FontBody());
    for (const auto &f : {qMakePair(DateFormat, QStringLiteral("yyyy-mm-dd")),
                          qMakePair(DateTimeFormat, QStringLiteral("yyyy-mm-dd hh:mm:ss"))}) {
        QByteArray format;
        Put16(format, f.first);
        Put16(format, quint16(f.second.size()));
        Put8(format, 0x01);
        PutUtf16(format, f.second.constData(), f.second.size());
        stream.Record(Format, format);
    }
    stream.Record(Xf, XfBody(true, 0x00)); // "Normal"
    for (int i = 1; i < 15; ++i)
        stream.Record(Xf, XfBody(true, 0xF4));
    stream.Record(Xf, XfBody(false, 0x00));                 // the cell format, index 15
    stream.Record(Xf, XfBody(false, 0x04, DateFormat));     // dates, 16
    stream.Record(Xf, XfBody(false, 0x04, DateTimeFormat)); // dates with time, 17
    QByteArray style;
    Put16(style, 0x8000); // built-in style on XF 0
    Put8(style, 0);       // "Normal"
    Put8(style, 0xFF);
    stream.Record(Style, style);

    QVector<int> sheetOffsetAt;
    for (int s = 0; s < book.sheets.size(); ++s) {
        QByteArray bound;
        Put32(bound, 0); // patched below
        Put8(bound, 0);  // visible
        Put8(bound, 0);  // worksheet
        bound.append(ShortUnicode(names.at(s)));
        sheetOffsetAt.append(stream.Position() + 4);
        stream.Record(BoundSheet, bound);
    }
    WriteSst(stream, sst);
    stream.Record(Eof, QByteArray());

    for (int s = 0; s < book.sheets.size(); ++s) {
        stream.Patch32(sheetOffsetAt.at(s), quint32(stream.Position()));
        WriteSheet(stream, book.sheets.at(s), s == 0, ids.at(s));
    }
    // Streams under 4096 bytes would go to the OLE mini stream; common writers
    // pad to keep the workbook in regular sectors.
    if (stream.Data().size() < 4096)
        stream.Data().append(QByteArray(4096 - stream.Data().size(), '\0'));
    return stream.Data();
}

bool XlsWriter::Write(const QString &path, const Workbook &book, QString *error)
{
    const QByteArray data = WorkbookStream(book, error);
    return !data.isEmpty() && WriteContainer(path, data, error);
}

bool XlsWriter::WriteContainer(const QString &path, const QByteArray &data, QString *error)
{
    OleContainer::InitGsf();

    GError *gerror = nullptr;
    const QByteArray name = QFile::encodeName(path);
    GsfOutput *sink = gsf_output_stdio_new(name.constData(), &gerror);
    if (!sink) {
        *error = gerror ? QString::fromUtf8(gerror->message) : QStringLiteral("无法创建文件");
        if (gerror)
            g_error_free(gerror);
        return false;
    }
    GsfOutfile *ole = gsf_outfile_msole_new(sink);
    GsfOutput *child = ole ? gsf_outfile_new_child(ole, "Workbook", FALSE) : nullptr;
    bool ok = child != nullptr;
    if (child) {
        ok = gsf_output_write(child, gsize(data.size()), reinterpret_cast<const guint8 *>(data.constData()));
        ok = gsf_output_close(child) && ok;
        g_object_unref(child);
    }
    if (ole) {
        ok = gsf_output_close(GSF_OUTPUT(ole)) && ok;
        g_object_unref(ole);
    }
    if (!gsf_output_is_closed(sink))
        ok = gsf_output_close(sink) && ok;
    g_object_unref(sink);
    if (!ok)
        *error = QStringLiteral("写入 OLE2 容器失败");
    return ok;
}
