#include "exchange/olecontainer.h"

#include "exchange/workbook.h"

#include <QFile>

// glib names a struct field "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>
#pragma pop_macro("signals")

#include <mutex>

namespace OleContainer {

void InitGsf()
{
    static std::once_flag initialised;
    std::call_once(initialised, [] {
        gsf_init();
        // A damaged container or a failed write is reported through the
        // result; the libraries' own complaints about it would only put a
        // second, unexplained line beside the one failure message.
        for (const char *domain :
             {"libgsf", "libgsf:msole", "libgsf:zip", "GLib", "GLib-GObject", "GLib-GIO"})
            g_log_set_handler(
                domain,
                GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE
                               | G_LOG_LEVEL_INFO | G_LOG_LEVEL_DEBUG),
                [](const gchar *, GLogLevelFlags, const gchar *, gpointer) {}, nullptr);
    });
}

QByteArray WorkbookStream(const QString &path, QString *error)
{
    InitGsf();
    QByteArray data;
    const QByteArray name = QFile::encodeName(path);
    GsfInput *input = gsf_input_stdio_new(name.constData(), nullptr);
    if (!input) {
        *error = QStringLiteral("无法打开文件");
        return data;
    }
    GsfInfile *ole = gsf_infile_msole_new(input, nullptr);
    GsfInput *stream = ole ? gsf_infile_child_by_name(ole, "Workbook") : nullptr;
    if (!ole) {
        *error = QStringLiteral("OLE2 容器已损坏");
    } else if (!stream) {
        *error = gsf_infile_child_by_name(ole, "Book")
            ? QStringLiteral("只能读取 Excel 97-2003（BIFF8）格式的工作簿，这是更早的格式")
            : QStringLiteral("文件中没有工作簿数据");
    } else {
        const gsf_off_t size = gsf_input_size(stream);
        if (size <= 0 || size > WorkbookFile::MaxPartSize) {
            *error = size <= 0
                ? QStringLiteral("工作簿数据是空的")
                : QStringLiteral("工作簿数据超过 %1 MB，不予读取").arg(WorkbookFile::MaxPartSize >> 20);
        } else {
            data.resize(int(size));
            if (!gsf_input_read(stream, size_t(size), reinterpret_cast<guint8 *>(data.data()))) {
                data.clear();
                *error = QStringLiteral("无法读出工作簿数据");
            }
        }
        g_object_unref(stream);
    }
    if (ole)
        g_object_unref(ole);
    g_object_unref(input);
    return data;
}

} // namespace OleContainer
