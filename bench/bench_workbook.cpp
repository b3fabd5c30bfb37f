// Export and import of a 10,000-row goods page (19 columns) through the
// workbook engine, in both formats.
#include "exchange/excelengine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace {

QVector<QStringList> GoodsRows(int count)
{
    QVector<QStringList> rows;
    rows.reserve(count);
    for (int r = 0; r < count; ++r) {
        QStringList row;
        row << QStringLiteral("2024-05-01 10:00:00:%1").arg(r % 1000, 3, 10, QLatin1Char('0'))
            << QStringLiteral("服装") << QStringLiteral("商品%1").arg(r % 500) << QStringLiteral("M%1").arg(r % 40)
            << QStringLiteral("红色") << QStringLiteral("6900%1").arg(r) << QStringLiteral("XL")
            << QStringLiteral("2024K05K01") << QStringLiteral("一号库") << QString::number(r % 90 + 1)
            << QStringLiteral("25.5") << QString::number((r % 90 + 1) * 25.5) << QStringLiteral("0")
            << QStringLiteral("0") << QStringLiteral("供应商%1").arg(r % 30) << QStringLiteral("张三")
            << QStringLiteral("NO%1").arg(r) << QStringLiteral("李四") << (r % 3 ? QString() : QStringLiteral("备注"));
        rows.append(row);
    }
    return rows;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const int count = 10000;
    const QVector<QStringList> rows = GoodsRows(count);
    QStringList header;
    for (int c = 0; c < 19; ++c)
        header << QStringLiteral("列%1").arg(c + 1);

    std::printf("workbook engine, %d goods rows x 19 columns\n", count);
    for (const QString &suffix : {QStringLiteral("xls"), QStringLiteral("xlsx")}) {
        const QString path = dir.filePath(QStringLiteral("goods.") + suffix);
        QElapsedTimer timer;
        timer.start();
        {
            ExcelEngine engine(path);
            if (!engine.Open(1, false) || !engine.WriteRows(header, rows)) {
                std::printf("%s: write failed: %s\n", qPrintable(suffix), qPrintable(engine.ErrorString()));
                return 1;
            }
            engine.Close();
        }
        const qint64 writeMs = timer.restart();
        QStringList read;
        {
            ExcelEngine engine(path);
            if (!engine.Open(1, false) || !engine.ReadRowsAsText(&read)) {
                std::printf("%s: read failed: %s\n", qPrintable(suffix), qPrintable(engine.ErrorString()));
                return 1;
            }
            engine.Close();
        }
        const qint64 readMs = timer.elapsed();
        std::printf("%-5s write %6lld ms, read %6lld ms, %d rows back, file %lld KiB\n", qPrintable(suffix),
                    static_cast<long long>(writeMs), static_cast<long long>(readMs), int(read.size()),
                    static_cast<long long>(QFileInfo(path).size() / 1024));
    }
    return 0;
}
