// Fuzz target for the workbook readers. Built two ways (tests/CMakeLists.txt):
// with libFuzzer (`make fuzz`, clang), or as a plain driver under ASan and
// UBSan that makes a seed corpus with the project's own writers and reads
// every seed and a run of deterministic mutations of them (`make test`).
//   fuzz_workbook [--mutations N] [--seed S] [--write-corpus DIR]
#include "exchange/workbook.h"
#include "exchange/xlsreader.h"
#include "exchange/xlswriter.h"
#include "exchange/xlsxfilewriter.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstring>

namespace {

QTemporaryDir &Scratch()
{
    static QTemporaryDir dir;
    return dir;
}

// Reads the input as a file (format by content, as the program does) and
// as a bare BIFF8 stream, so record parsing is reached without a container.
void ReadOne(const QByteArray &data)
{
    const QString path = Scratch().filePath(QStringLiteral("input"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return;
        file.write(data);
    }
    Workbook book;
    QString error;
    if (WorkbookFile::Read(path, &book, &error)) {
        for (const WorkbookSheet &sheet : qAsConst(book.sheets))
            (void)WorkbookFile::SheetProblem(sheet);
    }
    Workbook stream;
    (void)XlsReader::ReadStream(data, &stream, &error);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ReadOne(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    return 0;
}

#ifdef QUILLON_FUZZ_DRIVER
namespace {

struct Seed
{
    QString name;
    QByteArray data;
    bool zip = false;
};

WorkbookSheet Sheet(const QString &name, int rows, int columns, int longText)
{
    WorkbookSheet sheet;
    sheet.name = name;
    for (int c = 0; c < columns; ++c)
        sheet.SetText(0, c, QStringLiteral("列%1").arg(c + 1));
    for (int r = 1; r <= rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            TypedCell cell;
            switch ((r + c) % 5) {
            case 0:
                cell.value = r * 2.5;
                sheet.SetTyped(r, c, WorkbookFile::NumberToText(cell.value), cell);
                break;
            case 1:
                cell.kind = TypedCell::Date;
                cell.value = 45413 + r;
                sheet.SetTyped(r, c, QStringLiteral("2024-05-%1").arg(r % 28 + 1), cell);
                break;
            case 2:
                cell.kind = TypedCell::Boolean;
                cell.value = r % 2;
                sheet.SetTyped(r, c, r % 2 ? QStringLiteral("TRUE") : QStringLiteral("FALSE"), cell);
                break;
            case 3:
                break; // blank
            default:
                sheet.SetText(r, c, QStringLiteral("商品%1 a+b <&>").arg(r));
            }
        }
    }
    if (longText > 0)
        sheet.SetText(rows + 2, 0, QStringLiteral("长").repeated(longText));
    return sheet;
}

QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QVector<Seed> MakeSeeds()
{
    QVector<Workbook> books(3);
    books[0].sheets << Sheet(QStringLiteral("Sheet1"), 3, 4, 0);
    books[1].sheets << Sheet(QStringLiteral("商品"), 12, 19, 0) << Sheet(QStringLiteral("空"), 0, 0, 0);
    books[2].sheets << Sheet(QStringLiteral("长"), 2, 3, 9000);
    QVector<Seed> seeds;
    for (int b = 0; b < books.size(); ++b) {
        QString error;
        const QString xls = Scratch().filePath(QStringLiteral("seed%1.xls").arg(b));
        const QString xlsx = Scratch().filePath(QStringLiteral("seed%1.xlsx").arg(b));
        if (WorkbookFile::Write(xls, WorkbookFile::Format::Xls, books.at(b), &error))
            seeds.append({QStringLiteral("seed%1.xls").arg(b), FileBytes(xls), false});
        if (WorkbookFile::Write(xlsx, WorkbookFile::Format::Xlsx, books.at(b), &error))
            seeds.append({QStringLiteral("seed%1.xlsx").arg(b), FileBytes(xlsx), true});
        const QByteArray stream = XlsWriter::WorkbookStream(books.at(b), &error);
        if (!stream.isEmpty())
            seeds.append({QStringLiteral("seed%1.biff").arg(b), stream, false});
    }
    return seeds;
}

class Random
{
public:
    explicit Random(quint64 seed) : m_state(seed * 2654435761u + 1) {}
    quint32 Next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return quint32(m_state >> 11);
    }
    int Below(int n) { return n <= 0 ? 0 : int(Next() % quint32(n)); }

private:
    quint64 m_state;
};

// Byte-level damage: flipped bits, record lengths and ids set to edge
// values, cut, repeated or removed pieces.
void MutateBytes(QByteArray &data, Random &rng)
{
    if (data.isEmpty())
        return;
    static const quint16 edges[] = {0, 1, 0x7F, 0x80, 0xFF, 0x100, 0x2020, 0x7FFF, 0x8000, 0xFFFF,
                                    0x00FD, 0x0204, 0x0006, 0x0207, 0x003C, 0x00FC, 0x0809, 0x000A};
    const int steps = 1 + rng.Below(4);
    for (int s = 0; s < steps && !data.isEmpty(); ++s) {
        const int at = rng.Below(data.size());
        switch (rng.Below(7)) {
        case 0:
            data[at] = char(data.at(at) ^ (1 << rng.Below(8)));
            break;
        case 1:
            data[at] = char(rng.Below(256));
            break;
        case 2:
            if (at + 1 < data.size()) {
                const quint16 v = edges[rng.Below(int(sizeof edges / sizeof *edges))];
                data[at] = char(v & 0xFF);
                data[at + 1] = char(v >> 8);
            }
            break;
        case 3:
            data.truncate(at);
            break;
        case 4:
            data.insert(at, data.mid(rng.Below(data.size()), 1 + rng.Below(64)));
            break;
        case 5:
            data.remove(at, 1 + rng.Below(64));
            break;
        default:
            data[at] = 0;
            break;
        }
    }
}

// An .xlsx whose zip is sound but whose parts are damaged or swollen, so the
// XML readers are reached rather than the zip's checksums.
QByteArray MutateZip(const QByteArray &zipped, Random &rng)
{
    const QString in = Scratch().filePath(QStringLiteral("unzip.xlsx"));
    const QString out = Scratch().filePath(QStringLiteral("rezip.xlsx"));
    QFile f(in);
    if (!f.open(QIODevice::WriteOnly))
        return zipped;
    f.write(zipped);
    f.close();
    QuaZip source(in);
    if (!source.open(QuaZip::mdUnzip))
        return zipped;
    QList<QPair<QString, QByteArray>> entries;
    for (bool more = source.goToFirstFile(); more; more = source.goToNextFile()) {
        QuaZipFile file(&source);
        if (!file.open(QIODevice::ReadOnly))
            return zipped;
        entries.append({source.getCurrentFileName(), file.readAll()});
    }
    source.close();
    if (entries.isEmpty())
        return zipped;
    QByteArray &part = entries[rng.Below(entries.size())].second;
    static const char *const inserts[] = {
        "<c r=\"XFD1048576\"><v>1</v></c>", "<c r=\"A1048576\" t=\"s\"><v>0</v></c>",
        "<c t=\"s\"><v>99999999</v></c>", "<row r=\"0\"><c r=\"$$\"/></row>", "<c r=\"BZ7\" s=\"-5\"><v>1e308</v></c>",
        "_x00_", "&#0;", "<si><r><t>x</t></r><rPh><t>y</t></rPh></si>", "<![CDATA[", "</sheetData>",
        "<c t=\"d\"><v>2024-13-45T99:99</v></c>", "<c t=\"b\"><v>maybe</v></c>", "<f>A1*2</f>",
    };
    if (rng.Below(2) == 0) {
        const int at = part.isEmpty() ? 0 : rng.Below(part.size());
        part.insert(at, inserts[rng.Below(int(sizeof inserts / sizeof *inserts))]);
    } else {
        MutateBytes(part, rng);
    }
    QuaZip target(out);
    if (!target.open(QuaZip::mdCreate))
        return zipped;
    for (const auto &entry : qAsConst(entries)) {
        QuaZipFile file(&target);
        if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(entry.first)))
            return zipped;
        file.write(entry.second);
        file.close();
    }
    target.close();
    return FileBytes(out);
}

long PeakMb()
{
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

} // namespace

int main(int argc, char **argv)
{
    int mutations = 300;
    quint64 seed = 1;
    QString corpus;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--mutations"))
            mutations = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--seed"))
            seed = quint64(std::atoll(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--write-corpus"))
            corpus = QString::fromLocal8Bit(argv[i + 1]);
    }
    const QVector<Seed> seeds = MakeSeeds();
    if (seeds.size() != 9) {
        std::fprintf(stderr, "only %d of 9 seeds could be written\n", int(seeds.size()));
        return 1;
    }
    if (!corpus.isEmpty()) {
        QDir().mkpath(corpus);
        for (const Seed &s : seeds) {
            QFile file(QDir(corpus).filePath(s.name));
            if (!file.open(QIODevice::WriteOnly) || file.write(s.data) != s.data.size())
                return 1;
        }
        std::printf("%d seeds written to %s\n", int(seeds.size()), qPrintable(corpus));
        return 0;
    }

    Random rng(seed);
    qint64 slowest = 0;
    int slow = 0;
    QElapsedTimer total;
    total.start();
    for (int i = 0; i < seeds.size() + mutations; ++i) {
        QByteArray input;
        if (i < seeds.size()) {
            input = seeds.at(i).data;
        } else {
            const Seed &s = seeds.at(rng.Below(seeds.size()));
            input = s.data;
            if (s.zip && rng.Below(3) != 0)
                input = MutateZip(input, rng);
            else
                MutateBytes(input, rng);
        }
        QElapsedTimer timer;
        timer.start();
        ReadOne(input);
        const qint64 ms = timer.elapsed();
        slowest = qMax(slowest, ms);
        if (ms > 5000) {
            ++slow;
            const QString kept = Scratch().filePath(QStringLiteral("slow-%1").arg(i));
            QFile file(kept);
            if (file.open(QIODevice::WriteOnly))
                file.write(input);
            std::fprintf(stderr, "input %d took %lld ms\n", i, static_cast<long long>(ms));
        }
    }
    std::printf("inputs: %d (seeds %d, mutations %d), hangs over 5 s: %d, slowest: %lld ms, "
                "peak memory: %ld MB, time: %lld s\n",
                int(seeds.size()) + mutations, int(seeds.size()), mutations, slow,
                static_cast<long long>(slowest), PeakMb(), static_cast<long long>(total.elapsed() / 1000));
    return slow == 0 ? 0 : 1;
}
#endif
