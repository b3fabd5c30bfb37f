// Fuzz target for the workbook readers. Built two ways (tests/CMakeLists.txt):
// with libFuzzer (`make fuzz`, clang), or as a plain driver under ASan and
// UBSan that makes a seed corpus with the project's own writers and reads
// every seed and a run of mutations of them (`make test`). Each run takes a
// new random seed and prints it first; --seed replays a run.
//   fuzz_workbook [--mutations N] [--seed S] [--write-corpus DIR]
#include "exchange/workbook.h"
#include "exchange/xlsreader.h"
#include "exchange/xlswriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <cstdio>
#include <cstring>
#include <random>

namespace {

QString Scratch(const QString &name)
{
    static QTemporaryDir dir;
    return dir.filePath(name);
}

QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

// Reads the input as a file (format by content) and as a bare BIFF8 stream,
// the first sheet alone as an import does and every sheet as an .xls rewrite does.
void ReadOne(const QByteArray &data)
{
    QString error;
    const bool written = WriteFile(Scratch(QStringLiteral("input")), data);
    for (const int only : {1, 0}) {
        Workbook book, stream;
        if (written && WorkbookFile::Read(Scratch(QStringLiteral("input")), &book, &error, only)) {
            for (const WorkbookSheet &sheet : qAsConst(book.sheets))
                (void)WorkbookFile::SheetProblem(sheet);
        }
        (void)XlsReader::ReadStream(data, &stream, &error, only);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ReadOne(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    return 0;
}

#ifdef QUILLON_FUZZ_DRIVER
namespace {

// Texts, numbers, dates, truth values, blanks, an empty sheet, a text over
// CONTINUE records, and further sheets holding cells (a multi-sheet book).
QList<QPair<QString, QByteArray>> MakeSeeds()
{
    Workbook book;
    book.sheets.resize(4);
    WorkbookSheet &sheet = book.sheets[0];
    sheet.name = QStringLiteral("商品");
    book.sheets[1].name = QStringLiteral("空");
    for (int s = 2; s < book.sheets.size(); ++s) {
        book.sheets[s].name = QStringLiteral("表%1").arg(s);
        for (int r = 0; r < 5; ++r)
            book.sheets[s].SetText(r + s, r, QStringLiteral("第%1表 %2").arg(s).arg(r));
        book.sheets[s].SetTyped(0, 3, QStringLiteral("2.5"), TypedCell{TypedCell::Number, 2.5});
    }
    for (int r = 0; r <= 12; ++r) {
        for (int c = 0; c < 19; ++c) {
            const TypedCell cell{TypedCell::Kind((r + c) % 4),
                                 (r + c) % 4 == TypedCell::Boolean ? r % 2 : 45413 + r * 2.5};
            if (r == 0 || (r + c) % 5 == 4)
                sheet.SetText(r, c, QStringLiteral("商品%1 a+b <&>").arg(r));
            else if ((r + c) % 5 != 3) // else blank
                sheet.SetTyped(r, c, WorkbookFile::NumberToText(cell.value), cell);
        }
    }
    sheet.SetText(14, 0, QStringLiteral("长").repeated(9000));
    QString error;
    QList<QPair<QString, QByteArray>> seeds{
        {QStringLiteral("seed.biff"), XlsWriter::WorkbookStream(book, &error)}};
    for (const auto format : {WorkbookFile::Format::Xls, WorkbookFile::Format::Xlsx}) {
        const QString name =
            format == WorkbookFile::Format::Xls ? QStringLiteral("seed.xls") : QStringLiteral("seed.xlsx");
        if (WorkbookFile::Write(Scratch(name), format, book, &error))
            seeds.append({name, FileBytes(Scratch(name))});
    }
    return seeds;
}

struct Random
{
    std::mt19937 engine;
    int Below(int n) { return n <= 0 ? 0 : int(engine() % unsigned(n)); }
};

// Flipped bits, record lengths and ids set to edge values, cut, repeated or removed pieces.
void MutateBytes(QByteArray &data, Random &rng)
{
    static const quint16 edges[] = {0,      1,    0x7F,  0x80, 0xFF,  0x100, 0x2020, 0x7FFF, 0x8000,
                                    0xFFFF, 0xFD, 0x204, 0x6,  0x207, 0x3C,  0xFC,   0x809,  0xA};
    for (int s = 1 + rng.Below(4); s > 0 && !data.isEmpty(); --s) {
        const int at = rng.Below(data.size());
        const quint16 edge = edges[rng.Below(int(sizeof edges / sizeof *edges))];
        switch (rng.Below(5)) {
        case 0: data[at] = char(data.at(at) ^ (1 << rng.Below(8))); break;
        case 1: data.replace(at, 2, QByteArray(reinterpret_cast<const char *>(&edge), 2)); break;
        case 2: data.truncate(at); break;
        case 3: data.insert(at, data.mid(rng.Below(data.size()), 1 + rng.Below(64))); break;
        default: data.remove(at, 1 + rng.Below(64)); break;
        }
    }
}

// One part damaged inside a sound zip, so the XML readers are reached past the checksums.
QByteArray MutateZip(const QByteArray &zipped, Random &rng)
{
    static const char *const inserts[] = {"<c r=\"XFD1048576\"><v>1</v></c>",
                                          "<c r=\"A1048576\" t=\"s\"><v>0</v></c>",
                                          "<c t=\"s\"><v>99999999</v></c>",
                                          "<row r=\"0\"><c r=\"$$\"/></row>",
                                          "<c r=\"BZ7\" s=\"-5\"><v>1e308</v></c>",
                                          "_x00_",
                                          "&#0;",
                                          "<![CDATA[",
                                          "<si><r><t>x</t></r><rPh><t>y</t></rPh></si>",
                                          "</sheetData>",
                                          "<c t=\"b\"><v>maybe</v></c>",
                                          "<f>A1*2</f>"};
    QuaZip source(Scratch(QStringLiteral("unzip.xlsx")));
    QList<QPair<QString, QByteArray>> parts;
    if (!WriteFile(source.getZipName(), zipped) || !source.open(QuaZip::mdUnzip))
        return zipped;
    for (bool more = source.goToFirstFile(); more; more = source.goToNextFile()) {
        QuaZipFile file(&source);
        if (file.open(QIODevice::ReadOnly))
            parts.append({source.getCurrentFileName(), file.readAll()});
    }
    QByteArray &part = parts[rng.Below(parts.size())].second;
    if (rng.Below(2) == 0)
        part.insert(rng.Below(part.size() + 1), inserts[rng.Below(int(sizeof inserts / sizeof *inserts))]);
    else
        MutateBytes(part, rng);
    QuaZip target(Scratch(QStringLiteral("rezip.xlsx")));
    if (!target.open(QuaZip::mdCreate))
        return zipped;
    for (const auto &entry : qAsConst(parts)) {
        QuaZipFile file(&target);
        if (file.open(QIODevice::WriteOnly, QuaZipNewInfo(entry.first)))
            file.write(entry.second);
    }
    target.close();
    return FileBytes(target.getZipName());
}

} // namespace

int main(int argc, char **argv)
{
    int mutations = 300;
    unsigned seed = std::random_device()();
    QString corpus;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--mutations"))
            mutations = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--seed"))
            seed = unsigned(std::strtoul(argv[i + 1], nullptr, 10));
        else if (!std::strcmp(argv[i], "--write-corpus"))
            corpus = QString::fromLocal8Bit(argv[i + 1]);
    }
    // First, so that a run that crashes has already told how to replay it.
    std::printf("seed: %u (replay: fuzz_workbook --mutations %d --seed %u)\n", seed, mutations, seed);
    std::fflush(stdout);
    Random rng{std::mt19937(seed)};
    const auto seeds = MakeSeeds();
    bool written = seeds.size() == 3 && !seeds.first().second.isEmpty();
    for (const auto &s : seeds)
        written = written
            && (corpus.isEmpty()
                || (QDir().mkpath(corpus) && WriteFile(QDir(corpus).filePath(s.first), s.second)));
    if (!written || !corpus.isEmpty())
        return std::printf("%d seeds %s\n", int(seeds.size()), written ? "written" : "could not be written")
            < 0
            || !written;
    // Every seed, then mutations of them; a crash or undefined behaviour ends the run.
    for (int i = 0; i < seeds.size() + mutations; ++i) {
        const auto &s = seeds.at(i < seeds.size() ? i : rng.Below(seeds.size()));
        QByteArray input = s.second;
        if (i >= seeds.size() && s.first.endsWith(QLatin1String("x")) && rng.Below(3) != 0)
            input = MutateZip(input, rng);
        else if (i >= seeds.size())
            MutateBytes(input, rng);
        ReadOne(input);
    }
    std::printf("inputs: %d (seeds %d, mutations %d)\n", int(seeds.size()) + mutations, int(seeds.size()),
                mutations);
    return 0;
}
#endif
