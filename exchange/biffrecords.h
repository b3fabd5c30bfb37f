#pragma once

// The record layer of the .xls (BIFF8) reader: record ids, a bounds-checked
// cursor over one record, the record stream, and pieces of text that run on
// into CONTINUE records. Shared by exchange/xlsreader.cpp and nothing else.

#include <QByteArray>
#include <QString>
#include <QVector>

#include <cstring>

namespace Biff {

enum RecordId : quint16 {
    Formula = 0x0006,
    Eof = 0x000A,
    FilePass = 0x002F,
    DateMode = 0x0022,
    Continue = 0x003C,
    Codepage = 0x0042,
    BoundSheet = 0x0085,
    MulRk = 0x00BD,
    MulBlank = 0x00BE,
    Xf = 0x00E0,
    Sst = 0x00FC,
    LabelSst = 0x00FD,
    Dimensions = 0x0200,
    Blank = 0x0201,
    Number = 0x0203,
    Label = 0x0204,
    BoolErr = 0x0205,
    String = 0x0207,
    Rk = 0x027E,
    Format = 0x041E,
    Bof = 0x0809,
};

// Reads little-endian values inside one record's data; every read is
// checked, and a read past the end sets failed and gives 0.
class Cursor
{
public:
    Cursor(const char *data, int size) : m_data(data), m_size(size) {}
    bool Has(int n) const { return n >= 0 && m_at <= m_size - n; }
    quint32 Get(int n)
    {
        if (!Has(n)) {
            m_failed = true;
            m_at = m_size;
            return 0;
        }
        quint32 v = 0;
        for (int i = 0; i < n; ++i)
            v |= quint32(quint8(m_data[m_at + i])) << (8 * i);
        m_at += n;
        return v;
    }
    quint8 U8() { return quint8(Get(1)); }
    quint16 U16() { return quint16(Get(2)); }
    quint32 U32() { return Get(4); }
    double F64()
    {
        const quint64 low = U32();
        const quint64 high = U32();
        const quint64 bits = low | high << 32;
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    void Skip(qint64 n)
    {
        if (n < 0 || n > m_size - m_at) {
            m_failed = true;
            m_at = m_size;
        } else {
            m_at += int(n);
        }
    }
    // Characters of a string: 8-bit (the low byte of UTF-16) or UTF-16LE.
    void Chars(int count, bool wide, QString *out)
    {
        const int bytes = wide ? count * 2 : count;
        if (!Has(bytes)) {
            m_failed = true;
            m_at = m_size;
            return;
        }
        const char *p = m_data + m_at;
        const int start = out->size();
        out->resize(start + count);
        QChar *dst = out->data() + start;
        for (int i = 0; i < count; ++i)
            dst[i] = wide ? QChar(ushort(quint8(p[2 * i]) | quint8(p[2 * i + 1]) << 8))
                          : QChar(ushort(quint8(p[i])));
        m_at += bytes;
    }
    int Left() const { return m_size - m_at; }
    bool Failed() const { return m_failed; }

private:
    const char *m_data;
    int m_size;
    int m_at = 0;
    bool m_failed = false;
};

struct Record
{
    quint16 id = 0;
    const char *data = nullptr;
    int size = 0;
    Cursor At() const { return Cursor(data, size); }
};

// The records of the stream from an offset; false at the end or when a
// record's length runs past the stream.
class Records
{
public:
    explicit Records(const QByteArray &stream) : m_stream(stream) {}
    void Seek(int at) { m_at = at; }
    bool Next(Record *record, bool *damaged)
    {
        if (m_at < 0 || m_at > m_stream.size() - 4)
            return false;
        const auto *p = reinterpret_cast<const quint8 *>(m_stream.constData() + m_at);
        record->id = quint16(p[0] | p[1] << 8);
        record->size = p[2] | p[3] << 8;
        if (m_at + 4 + record->size > m_stream.size()) {
            *damaged = true;
            return false;
        }
        record->data = m_stream.constData() + m_at + 4;
        m_at += 4 + record->size;
        return true;
    }
    // The data of the CONTINUE records that follow, each as its own piece.
    void Continues(QVector<QByteArray> *pieces, bool *damaged)
    {
        Record next;
        int at = m_at;
        while (Next(&next, damaged) && next.id == Continue) {
            pieces->append(QByteArray::fromRawData(next.data, next.size));
            at = m_at;
        }
        m_at = at;
    }

private:
    const QByteArray &m_stream;
    int m_at = 0;
};

// A string that may run on over the pieces of a record and its CONTINUEs: a
// continued part starts with its own flags byte (8-bit or UTF-16).
class PieceReader
{
public:
    explicit PieceReader(const QVector<QByteArray> &pieces) : m_pieces(pieces) {}
    bool Failed() const { return m_failed; }
    bool AtEnd()
    {
        while (m_piece < m_pieces.size() && m_at >= m_pieces.at(m_piece).size()) {
            ++m_piece;
            m_at = 0;
        }
        return m_piece >= m_pieces.size();
    }
    quint32 Get(int n)
    {
        // Headers never split across pieces.
        if (AtEnd() || m_at + n > m_pieces.at(m_piece).size()) {
            m_failed = true;
            return 0;
        }
        Cursor c(m_pieces.at(m_piece).constData() + m_at, n);
        m_at += n;
        return c.Get(n);
    }
    // XLUnicodeRichExtendedString: 16-bit count, flags, runs, phonetics, chars.
    QString String()
    {
        const int count = int(Get(2));
        const quint8 flags = quint8(Get(1));
        if (m_failed || (flags & ~0x0D)) {
            m_failed = true;
            return QString();
        }
        qint64 extra = 0;
        if (flags & 0x08)
            extra += 4 * qint64(Get(2));
        if (flags & 0x04)
            extra += Get(4);
        bool wide = flags & 0x01;
        QString text;
        int left = count;
        while (left > 0 && !m_failed) {
            const QByteArray &piece = m_pieces.at(m_piece);
            const int room = (piece.size() - m_at) / (wide ? 2 : 1);
            const int n = qMin(left, room);
            Cursor c(piece.constData() + m_at, piece.size() - m_at);
            c.Chars(n, wide, &text);
            m_at += n * (wide ? 2 : 1);
            left -= n;
            if (left == 0)
                break;
            // The rest goes on in the next piece, after its flags byte.
            if (++m_piece >= m_pieces.size() || m_pieces.at(m_piece).isEmpty()) {
                m_failed = true;
                break;
            }
            m_at = 0;
            const quint8 next = quint8(m_pieces.at(m_piece).at(0));
            if (next & ~0x01) {
                m_failed = true;
                break;
            }
            wide = next & 0x01;
            m_at = 1;
        }
        // Formatting runs and phonetic data are skipped, across pieces too.
        while (extra > 0 && !m_failed) {
            if (AtEnd()) {
                m_failed = true;
                break;
            }
            const int n = int(qMin<qint64>(extra, m_pieces.at(m_piece).size() - m_at));
            m_at += n;
            extra -= n;
        }
        return text;
    }

private:
    const QVector<QByteArray> &m_pieces;
    int m_piece = 0;
    int m_at = 0;
    bool m_failed = false;
};

// A short or long XLUnicodeString inside one record (LABEL, FORMAT, sheet names).
inline QString UnicodeString(Cursor &c, bool shortLength)
{
    const int count = int(shortLength ? c.U8() : c.U16());
    const quint8 flags = c.U8();
    QString text;
    c.Chars(count, flags & 0x01, &text);
    return text;
}

} // namespace Biff
