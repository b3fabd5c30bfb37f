#include "exchange/xlsxfilewriter.h"

#include <QFile>

#include <xlsxwriter.h>

#include <dlfcn.h>

namespace {

// libxlsxwriter zips through the system minizip, whose functions QuaZip
// (the reader) exports again with other signatures. Linked side by side,
// one of them calls the other's and crashes. So the writer is loaded on its
// own with RTLD_DEEPBIND: it and its minizip bind to each other first.
// Nothing else may link it (see exchange/CMakeLists.txt).
struct XlsxWriterLibrary
{
    decltype(&workbook_new_opt) newWorkbook = nullptr;
    decltype(&workbook_add_format) addFormat = nullptr;
    decltype(&workbook_add_worksheet) addWorksheet = nullptr;
    decltype(&worksheet_write_string) writeString = nullptr;
    decltype(&worksheet_write_blank) writeBlank = nullptr;
    decltype(&workbook_close) close = nullptr;
    decltype(&lxw_strerror) errorText = nullptr;
    QString failure;
};

template<typename F>
void Resolve(void *handle, const char *name, F *function, QString *failure)
{
    *function = reinterpret_cast<F>(dlsym(handle, name));
    if (!*function && failure->isEmpty())
        *failure = QStringLiteral("libxlsxwriter 缺少函数 %1").arg(QString::fromLatin1(name));
}

const XlsxWriterLibrary &Library()
{
    static const XlsxWriterLibrary library = [] {
        XlsxWriterLibrary lib;
        void *handle = nullptr;
        for (const char *name : {"libxlsxwriter.so.4", "libxlsxwriter.so"}) {
            handle = dlopen(name, RTLD_NOW | RTLD_LOCAL | RTLD_DEEPBIND);
            if (handle)
                break;
        }
        if (!handle) {
            lib.failure = QStringLiteral("无法加载 libxlsxwriter：%1").arg(QString::fromLocal8Bit(dlerror()));
            return lib;
        }
        Resolve(handle, "workbook_new_opt", &lib.newWorkbook, &lib.failure);
        Resolve(handle, "workbook_add_format", &lib.addFormat, &lib.failure);
        Resolve(handle, "workbook_add_worksheet", &lib.addWorksheet, &lib.failure);
        Resolve(handle, "worksheet_write_string", &lib.writeString, &lib.failure);
        Resolve(handle, "worksheet_write_blank", &lib.writeBlank, &lib.failure);
        Resolve(handle, "workbook_close", &lib.close, &lib.failure);
        Resolve(handle, "lxw_strerror", &lib.errorText, &lib.failure);
        return lib;
    }();
    return library;
}

} // namespace

bool XlsxFileWriter::Write(const QString &path, const Workbook &book, QString *error)
{
    const XlsxWriterLibrary &lib = Library();
    if (!lib.failure.isEmpty()) {
        *error = lib.failure;
        return false;
    }
    lxw_workbook_options options;
    options.constant_memory = LXW_FALSE;
    options.tmpdir = nullptr;
    options.use_zip64 = LXW_FALSE;
    const QByteArray name = QFile::encodeName(path);
    lxw_workbook *workbook = lib.newWorkbook(name.constData(), &options);
    if (!workbook) {
        *error = QStringLiteral("无法创建工作簿");
        return false;
    }
    // A blank cell needs a format, or the library leaves it out.
    lxw_format *blank = lib.addFormat(workbook);
    const QStringList names = WorkbookFile::SafeSheetNames(book);
    QString failure;
    for (int s = 0; s < book.sheets.size() && failure.isEmpty(); ++s) {
        const WorkbookSheet &sheet = book.sheets.at(s);
        const QByteArray sheetName = names.at(s).toUtf8();
        lxw_worksheet *worksheet = lib.addWorksheet(workbook, sheetName.constData());
        if (!worksheet) {
            failure = QStringLiteral("无法添加工作表“%1”").arg(names.at(s));
            break;
        }
        if (sheet.IsEmpty())
            continue;
        if (sheet.lastRow >= WorkbookFile::XlsxMaxRows || sheet.lastColumn >= WorkbookFile::XlsxMaxColumns) {
            failure = QStringLiteral("工作表“%1”超出 .xlsx 的行列上限").arg(names.at(s));
            break;
        }
        for (int r = sheet.firstRow; r <= sheet.lastRow && failure.isEmpty(); ++r) {
            for (int c = sheet.firstColumn; c <= sheet.lastColumn; ++c) {
                const QString text = sheet.Text(r, c);
                lxw_error result;
                if (text.isEmpty()) {
                    result = lib.writeBlank(worksheet, lxw_row_t(r), lxw_col_t(c), blank);
                } else {
                    const QByteArray utf8 = text.toUtf8();
                    result = lib.writeString(worksheet, lxw_row_t(r), lxw_col_t(c),
                                                    utf8.constData(), nullptr);
                }
                if (result != LXW_NO_ERROR) {
                    failure = QStringLiteral("工作表“%1”第 %2 行第 %3 列无法写入：%4")
                                  .arg(names.at(s)).arg(r + 1).arg(c + 1)
                                  .arg(QString::fromUtf8(lib.errorText(result)));
                    break;
                }
            }
        }
    }
    // Closing writes the file and frees the workbook, also after a failure.
    const lxw_error closed = lib.close(workbook);
    if (!failure.isEmpty()) {
        *error = failure;
        return false;
    }
    if (closed != LXW_NO_ERROR) {
        *error = QString::fromUtf8(lib.errorText(closed));
        return false;
    }
    return true;
}
