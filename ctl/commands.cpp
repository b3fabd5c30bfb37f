#include "ctl/commands.h"

#include "analytics/salesstatistics.h"
#include "ctl/command_history.h"
#include "ctl/ctlpages.h"
#include "db/backupscript.h"
#include "db/changelog.h"
#include "db/dbmanager.h"
#include "db/healthcheck.h"
#include "db/storedbaccess.h"
#include "db/workfolder.h"
#include "exchange/ledgerexchange.h"
#include "exchange/listrows.h"
#include "exchange/rowspdf.h"
#include "ledger/ledgerkinds.h"
#include "query/reports.h"

#include <QCommandLineParser>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextCodec>
#include <QTextStream>

#include <cstdio>

namespace Ctl {
namespace {

void Write(FILE *to, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
    std::fflush(to);
}

void Out(const QString &line) { Write(stdout, (line + QLatin1Char('\n')).toUtf8()); }

int Fail(const QString &why)
{
    // Driver messages come in several lines; a log keeps one per failure.
    QStringList parts = why.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString &part : parts)
        part = part.trimmed();
    Write(stderr,
          (QStringLiteral("quillonctl: ") + parts.join(QLatin1Char(' ')) + QLatin1Char('\n')).toUtf8());
    return Failed;
}

int Usage(const QString &why)
{
    Write(stderr, (QStringLiteral("quillonctl: %1 (quillonctl --help 列出命令和用法)\n").arg(why)).toUtf8());
    return WrongUsage;
}

// What a command gets once its command line has been checked.
struct Invocation
{
    QStringList args; // after the command word; file arguments made absolute
    bool yes = false;
    int dateMode = 5; // every row unless --from or --to is given
    QString from;
    QString to;
    QString user; // history: --user
    QString page; // history: --page
};

struct Command
{
    const char *name;
    const char *synopsis;
    const char *summary;
    const char *details;
    int minArgs;
    int maxArgs;
    int fileArg;  // index of the argument naming a file, -1 for none
    bool period;  // takes --from and --to
    bool confirm; // takes --yes
    int (*run)(const Invocation &);
};

// ---- commands -------------------------------------------------------------

int RunCheck(const Invocation &)
{
    StoreDbAccess *store = StoreDbAccess::Instance();
    const HealthReport report = DbHealth::Check(store->dbManager(), store->storeNo());
    if (!report.ok)
        return Fail(QStringLiteral("数据库检查失败: %1").arg(report.reason));
    Out(QStringLiteral("driver: %1").arg(report.driver));
    Out(QStringLiteral("store: %1").arg(report.storeNo));
    for (const auto &count : report.rowCounts)
        Out(QStringLiteral("%1: %2").arg(count.first).arg(count.second));
    Out(QStringLiteral("ok"));
    return Ok;
}

int CountStatements(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    QTextStream in(&file);
    in.setCodec(QTextCodec::codecForName("UTF-8"));
    int n = 0;
    for (const BackupScript::ScriptLine &line : BackupScript::Statements(in.readAll()))
        n += line.text.trimmed().isEmpty() ? 0 : 1;
    return n;
}

int RunBackup(const Invocation &inv)
{
    QString path = inv.args.value(0);
    if (path.isEmpty()) {
        // The window makes the folder at start-up; here nothing has yet.
        const QString folder = BackupScript::DefaultFolder();
        if (!QDir().mkpath(folder))
            return Fail(QStringLiteral("备份失败: 无法创建目录 %1").arg(folder));
        path = BackupScript::FreePath(folder, QDateTime::currentDateTime(), QStringLiteral(".sql"));
    }
    StoreDbAccess *store = StoreDbAccess::Instance();
    // A damaged database still gives what it can: the file is written and the
    // failure names the tables that could not be read.
    const Result written = store->DumpStoreTables(path);
    if (!written)
        return Fail(QStringLiteral("备份失败: %1").arg(written.error()));
    Out(QStringLiteral("备份完成: %1 (%2 行)")
            .arg(QDir::toNativeSeparators(path))
            .arg(CountStatements(path)));
    return Ok;
}

void PrintRefusedLines(const QList<RestoreLine> &lines)
{
    for (const RestoreLine &line : lines)
        Out(QStringLiteral("  拒绝 第%1行: %2").arg(line.line).arg(line.reason));
}

int RunRestore(const Invocation &inv)
{
    const QString path = inv.args.at(0);
    if (!QFileInfo(path).isFile())
        return Fail(QStringLiteral("备份文件不存在: %1").arg(path));
    StoreDbAccess *store = StoreDbAccess::Instance();
    if (!inv.yes) {
        const RestorePreview preview = store->PreviewRestore(path);
        if (!preview.ok)
            return Fail(QStringLiteral("不能还原: %1").arg(preview.error));
        Out(QStringLiteral("还原 %1 到店号 %2 将会:").arg(path, store->storeNo()));
        for (const RestorePreview::Table &t : preview.tables) {
            Out(QStringLiteral("  %1: 文件中 %2 行 (其中 %3 行带其他店号)，替换本店现有 %4 行")
                    .arg(t.name)
                    .arg(t.inFile)
                    .arg(t.otherStore)
                    .arg(t.replaced));
        }
        if (preview.foreignAccounts > 0)
            Out(QStringLiteral("  %1: 另有 %2 行是其他店的账户，不会还原")
                    .arg(QLatin1String("tb_sm_user"))
                    .arg(preview.foreignAccounts));
        Out(QStringLiteral("合计: 还原 %1 行 (其中 %2 行带其他店号)，替换本店现有 %3 行，拒绝 %4 行")
                .arg(preview.RowsInFile())
                .arg(preview.RowsOfOtherStores())
                .arg(preview.RowsReplaced())
                .arg(preview.refused));
        PrintRefusedLines(preview.refusedLines);
        Out(QStringLiteral("还原前会先把本店数据备份到 %1")
                .arg(QDir::toNativeSeparators(BackupScript::DefaultFolder())));
        DbManager *manager = DbManager::Instance();
        if (!manager->damage().isEmpty() && !manager->DatabaseFile().isEmpty())
            Out(QStringLiteral(
                    "数据库文件已损坏：还原会把它保留为 %1.damaged-<时间>，数据还原到新的数据库文件")
                    .arg(QDir::toNativeSeparators(manager->DatabaseFile())));
        Out(QStringLiteral("没有做任何改动；加 --yes 才会还原"));
        return Ok;
    }
    // The same safety copy and list of refused lines as the window's restore.
    const QString folder = BackupScript::DefaultFolder();
    if (!QDir().mkpath(folder))
        return Fail(QStringLiteral("还原失败，数据未改动：无法创建目录 %1").arg(folder));
    const RestoreResult result =
        store->RestoreStoreTables(path, RestoreFiles::For(folder, path, QDateTime::currentDateTime()));
    if (!result.ok)
        return Fail(QStringLiteral("还原失败，数据未改动：%1").arg(result.error));
    Out(QStringLiteral("数据还原完成：还原 %1 行，拒绝 %2 行").arg(result.restored).arg(result.refused));
    PrintRefusedLines(result.refusedLines);
    if (!result.refusedList.isEmpty())
        Out(QStringLiteral("未还原的行见 %1").arg(QDir::toNativeSeparators(result.refusedList)));
    if (!result.damagedFile.isEmpty())
        Out(QStringLiteral("损坏的数据库文件保留为 %1").arg(QDir::toNativeSeparators(result.damagedFile)));
    if (!result.safetyBackup.isEmpty())
        Out(QStringLiteral("原数据已备份到 %1").arg(QDir::toNativeSeparators(result.safetyBackup)));
    return Ok;
}

int ImportList(const ListRows::ListPage &list, const QString &file)
{
    if (list.storeKind == InfoStore::People && list.def->infoType == ListNo::Users)
        return Fail(QStringLiteral("用户信息(账号和密码)只能在窗口中导入"));
    QVector<QStringList> sheet;
    QString error;
    if (!ListRows::ReadSheet(file, &sheet, &error))
        return Fail(QStringLiteral("导入失败: 无法读取工作簿 %1 (%2)，列表没有改动")
                        .arg(QFileInfo(file).fileName(), error));
    StoreDbAccess *store = StoreDbAccess::Instance();
    InfoList stored;
    stored.infoType = list.def->infoType;
    const Result read = store->ReadInfoList(list.storeKind, stored);
    if (!read)
        return Fail(QStringLiteral("导入失败: 读取数据库失败: %1").arg(read.error()));
    const ListRows::Merge merge =
        ListRows::PutOnTop(sheet, list.def->columns.size() + 1, ListRows::FromText(stored.list, *list.def));
    const Result saved = merge.inserted > 0
        ? store->SaveInfoList(list.storeKind, ListRows::ToList(list.def->infoType, merge.rows))
        : Result::Ok();
    if (!saved)
        return Fail(QStringLiteral("导入失败: 无法保存列表: %1").arg(saved.error()));
    QString text = QStringLiteral("已导入%1行").arg(merge.inserted);
    if (merge.refused > 0)
        text += QStringLiteral("；%1行的内容含有分号\";\"，没有导入").arg(merge.refused);
    Out(text);
    return Ok;
}

int RunImport(const Invocation &inv)
{
    const Page page = FindPage(inv.args.at(0));
    const QString file = inv.args.at(1);
    if (!QFileInfo(file).isFile())
        return Fail(QStringLiteral("文件不存在: %1").arg(file));
    if (page.IsList())
        return ImportList(page.list, file);
    const LedgerExchange::ImportResult result =
        LedgerExchange::ReadAndStore(ExchangeKind(page.ledger), file, nullptr, page.ledger->tableName);
    // Every data row refused is a failure too, with the counts of why.
    if (result.Failed())
        return Fail(LedgerExchange::ImportStatusText(result));
    Out(LedgerExchange::ImportStatusText(result));
    return Ok;
}

// Writes the page into a workbook.
int ExportWorkbook(const Page &page, const Invocation &inv, const QString &file)
{
    if (page.IsList()) {
        StoreDbAccess *store = StoreDbAccess::Instance();
        InfoList stored;
        stored.infoType = page.list.def->infoType;
        const Result read = store->ReadInfoList(page.list.storeKind, stored);
        if (!read)
            return Fail(QStringLiteral("导出失败: 读取数据库失败: %1").arg(read.error()));
        const QVector<QStringList> rows = ListRows::FromText(stored.list, *page.list.def);
        QString error;
        if (!ListRows::WriteSheet(ListRows::Header(*page.list.def), rows, file, &error))
            return Fail(QStringLiteral("导出失败: 无法写入工作簿 %1 (%2)").arg(file, error));
        Out(QStringLiteral("导出完成: %1 (%2行)").arg(file).arg(rows.size()));
        return Ok;
    }
    LedgerExchange::ExportResult result;
    Reports::Kind report;
    if (ReportOfPage(page.ledger, &report)) {
        const Reports::Table table = Reports::Compute(report, inv.dateMode, inv.from, inv.to);
        if (!table.ok)
            return Fail(table.error);
        result = LedgerExchange::WriteLedgerRows(table.titles, table.rows, file);
    } else {
        result =
            LedgerExchange::ExportStoredPage(page.ledger->tableName, inv.dateMode, inv.from, inv.to, file);
    }
    if (!result.ok)
        return Fail(result.error.startsWith(QStringLiteral("读取数据库失败"))
                        ? result.error
                        : LedgerExchange::ExportStatusText(result));
    Out(LedgerExchange::ExportStatusText(result));
    return Ok;
}

// Writes the page's rows as a paginated PDF, the same one the page's print
// button writes.
int ExportPdf(const Page &page, const Invocation &inv, const QString &file)
{
    if (page.IsList())
        return Fail(QStringLiteral("导出失败: 列表只能导出为 .xls 或 .xlsx"));
    RowsPdf::Table table;
    table.title = LedgerExchange::PageTitle(page.ledger->tableName);
    Reports::Kind report;
    if (ReportOfPage(page.ledger, &report)) {
        const Reports::Table computed = Reports::Compute(report, inv.dateMode, inv.from, inv.to);
        if (!computed.ok)
            return Fail(computed.error);
        table.headers = computed.titles;
        table.rows = computed.rows;
    } else {
        QString error;
        if (!LedgerExchange::StoredPageRows(page.ledger->tableName, inv.dateMode, inv.from, inv.to,
                                            &table.rows, &error))
            return Fail(QStringLiteral("导出失败: %1").arg(error));
        table.headers = page.ledger->columnTitles;
    }
    QString error;
    if (!RowsPdf::WritePdf(file, table, &error))
        return Fail(QStringLiteral("导出失败: 无法写入PDF文件 %1 (%2)").arg(file, error));
    Out(QStringLiteral("导出完成: %1 (%2行)").arg(file).arg(table.rows.size()));
    return Ok;
}

// The one place where the file name of an export picks its format.
int RunExport(const Invocation &inv)
{
    const Page page = FindPage(inv.args.at(0));
    const QString file = inv.args.at(1);
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix == QLatin1String("xls") || suffix == QLatin1String("xlsx"))
        return ExportWorkbook(page, inv, file);
    if (suffix == QLatin1String("pdf"))
        return ExportPdf(page, inv, file);
    if (suffix.isEmpty())
        return Fail(
            QStringLiteral("导出失败: 文件名 %1 没有扩展名，无法确定格式: 可导出为 .xls、.xlsx 或 .pdf")
                .arg(file));
    return Fail(QStringLiteral("不支持的文件类型“.%1”: 可导出为 .xls、.xlsx 或 .pdf").arg(suffix));
}

int RunReport(const Invocation &inv)
{
    Reports::Kind kind = Reports::Kind::Stock;
    Reports::KindFromName(inv.args.at(0), &kind);
    const Reports::Table table = Reports::Compute(kind, inv.dateMode, inv.from, inv.to, true);
    if (!table.ok)
        return Fail(table.error);
    Write(stdout, Reports::Csv(table));
    return Ok;
}

int RunHistory(const Invocation &inv)
{
    QString csv;
    const Result listed = HistoryCsv(inv.from, inv.to, inv.user, inv.page, &csv);
    if (!listed)
        return Fail(listed.error());
    Write(stdout, csv.toUtf8());
    return Ok;
}

// Names of pages and reports are checked before the database is opened:
// wrong usage touches nothing.
int CheckNames(const QString &word, const Invocation &inv)
{
    Reports::Kind kind;
    if (word == QLatin1String("report") && !Reports::KindFromName(inv.args.at(0), &kind))
        return Usage(
            QStringLiteral("没有名为“%1”的报表 (stock、sales、profit、daily、employee、customer、debts、"
                           "margin、value、alerts 或 stores)")
                .arg(inv.args.at(0)));
    if (word != QLatin1String("import") && word != QLatin1String("export"))
        return Ok;
    const Page page = FindPage(inv.args.at(0));
    if (!page.IsLedger() && !page.IsList())
        return Usage(QStringLiteral("没有名为“%1”的账页或列表").arg(inv.args.at(0)));
    if (word == QLatin1String("import") && !page.IsList() && !IsStoredLedger(page.ledger))
        return Usage(QStringLiteral("不能导入到“%1”: 这是计算页").arg(inv.args.at(0)));
    return Ok;
}

const Command kCommands[] = {
    {"check", "check", "检查数据库能否读写，打印驱动、店号、本店各表行数和 ok",
     "打开数据库，读取各表，在回滚的事务中写入一行；SQLite 还做 pragma quick_check。", 0, 0, -1, false, false,
     RunCheck},
    {"backup", "backup [FILE]", "备份本店数据，与“数据备份”相同",
     "不给 FILE 时写入 "
     "DbDateSave/record_yyyyMMdd_hhmmss_zzz.sql；已有的文件不会被覆盖。打印路径和写入的行数；"
     "数据库损坏时写入能读出的数据，说明哪些表无法读取，退出状态为 1。",
     0, 1, 0, false, false, RunBackup},
    {"restore", "restore FILE [--yes]", "用备份文件替换本店数据，与“数据还原”相同",
     "不加 --yes 只显示将做什么（文件中的行数、带其他店号的行数、将被替换的本店行数），"
     "不做任何改动。还原要么全部完成，要么什么也不改。",
     1, 1, 0, false, true, RunRestore},
    {"import", "import PAGE FILE", "从工作簿导入账页或列表，与页面的“导入”相同",
     "PAGE 是账页表格的对象名或列表名。", 2, 2, 1, false, false, RunImport},
    {"export", "export PAGE FILE [--from D] [--to D]",
     "把账页或列表导出到工作簿，与“导出”相同；FILE 以 .pdf 结尾时写出账页的PDF，与“打印”相同",
     "账页导出期间内存储的行（不给日期时全部）；计算页导出计算结果；列表导出存储的列表。", 2, 2, 1, true,
     false, RunExport},
    {"report",
     "report stock|sales|profit|daily|employee|customer|debts|margin|value|alerts|stores [--from D] [--to D]",
     "以 UTF-8 CSV 打印当前库存、销售统计、日/员工/客户销售统计、欠款统计、财务汇总和经营利润、"
     "毛利统计、库存金额、库存预警或全店汇总",
     "与页面的查询用同一段计算；第一行是页面的列标题。欠款统计以应收合计、应付合计、净额三行结束；"
     "毛利统计、库存金额和全店汇总以合计行结束。库存金额按期末(--to)的移动平均成本计。"
     "全店汇总只在 dBConfig.ini 的 [Chain] Stores 列出店号时可用。",
     1, 1, -1, true, false, RunReport},
    {"history", "history [--from D] [--to D] [--user NAME] [--page PAGE]", "以 CSV 打印本店的修改记录",
     "每行一次修改：时间、账号、账页、行号、列、原值、新值、操作、行数；PAGE 是账页表格的对象名或标题。", 0,
     0, -1, true, false, RunHistory},
};

const Command *FindCommand(const QString &name)
{
    for (const Command &c : kCommands) {
        if (name == QLatin1String(c.name))
            return &c;
    }
    return nullptr;
}

QString GeneralHelp()
{
    QString text =
        QStringLiteral("用法: quillonctl [--dir DIR] 命令 [参数] [选项]\n\n"
                       "在工作目录（含 InitParam/dBConfig.ini 的目录；默认与窗口程序相同：程序所在目录\n"
                       "含 InitParam/ 时用它（不可写时只读），否则用 ~/.local/share/Quillon）的数据库上，\n"
                       "以设置中的店号运行程序的数据操作，不需要窗口。\n\n命令:\n");
    for (const Command &c : kCommands)
        text +=
            QStringLiteral("  %1\n      %2\n").arg(QLatin1String(c.synopsis), QString::fromUtf8(c.summary));
    text +=
        QStringLiteral("\n日期写作 yyyy-MM-dd。每个命令都有 --help。\n"
                       "退出状态: 0 成功；1 失败（原因在标准错误的一行里，数据没有改动）；2 用法错误。\n");
    return text;
}

// The command word: the first argument that is neither an option nor the value of --dir.
QString CommandWord(const QStringList &arguments)
{
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QLatin1String("--dir") || a == QLatin1String("-d")) {
            ++i;
            continue;
        }
        if (!a.startsWith(QLatin1Char('-')))
            return a;
    }
    return QString();
}

bool ReadDate(const QCommandLineParser &parser, const QString &option, QString *date, QString *error)
{
    if (!parser.isSet(option))
        return true;
    const QString text = parser.value(option);
    if (!QDate::fromString(text, QStringLiteral("yyyy-MM-dd")).isValid()) {
        *error = QStringLiteral("日期无效: --%1 %2 (应写作 yyyy-MM-dd)").arg(option, text);
        return false;
    }
    *date = text;
    return true;
}

// Moves into the working folder: the one named with --dir, else the one the
// window uses (db/workfolder.h); false with the reason when it is none. A
// folder that cannot be written is read as it is; writes then fail with why.
bool EnterWorkFolder(const QString &given, QString *error)
{
    QString readOnly;
    if (WorkFolder::Enter(given, error, &readOnly).isEmpty())
        return false;
    DbManager::Instance()->SetReadOnly(readOnly);
    return true;
}

} // namespace

int Run(const QStringList &arguments)
{
    const QString word = CommandWord(arguments);
    const bool helpAsked =
        arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"));
    if (word.isEmpty()) {
        if (helpAsked) {
            Out(GeneralHelp());
            return Ok;
        }
        return Usage(QStringLiteral("缺少命令"));
    }
    const Command *command = FindCommand(word);
    if (!command)
        return Usage(QStringLiteral("未知命令“%1”").arg(word));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(command->summary) + QStringLiteral("。\n")
                                     + QString::fromUtf8(command->details));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("显示本帮助"));
    const QCommandLineOption dir({QStringLiteral("d"), QStringLiteral("dir")},
                                 QStringLiteral("工作目录（默认与窗口程序相同）"), QStringLiteral("DIR"));
    const QCommandLineOption from(QStringLiteral("from"), QStringLiteral("期间的第一天"),
                                  QStringLiteral("yyyy-MM-dd"));
    const QCommandLineOption to(QStringLiteral("to"), QStringLiteral("期间的最后一天"),
                                QStringLiteral("yyyy-MM-dd"));
    const QCommandLineOption yes(QStringLiteral("yes"), QStringLiteral("确实还原"));
    parser.addOption(help);
    parser.addOption(dir);
    if (command->period) {
        parser.addOption(from);
        parser.addOption(to);
    }
    if (command->confirm)
        parser.addOption(yes);
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("只列此账号的修改"),
                                  QStringLiteral("NAME"));
    const QCommandLineOption page(QStringLiteral("page"), QStringLiteral("只列此账页的修改"),
                                  QStringLiteral("PAGE"));
    if (command->run == RunHistory)
        parser.addOptions({user, page});
    parser.addPositionalArgument(
        QLatin1String(command->name),
        QStringLiteral("命令，写作: quillonctl %1").arg(QLatin1String(command->synopsis)),
        QLatin1String(command->synopsis));
    if (!parser.parse(arguments))
        return Usage(parser.errorText());
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        if (word == QLatin1String("import") || word == QLatin1String("export"))
            text += QLatin1Char('\n') + PageNamesHelp() + QLatin1Char('\n');
        Write(stdout, text.toUtf8());
        return Ok;
    }

    Invocation inv;
    inv.args = parser.positionalArguments().mid(1);
    if (inv.args.size() < command->minArgs || inv.args.size() > command->maxArgs)
        return Usage(QStringLiteral("用法: quillonctl %1").arg(QLatin1String(command->synopsis)));
    QString error;
    if (command->period) {
        if (!ReadDate(parser, QStringLiteral("from"), &inv.from, &error)
            || !ReadDate(parser, QStringLiteral("to"), &inv.to, &error))
            return Fail(error);
        if (parser.isSet(from) || parser.isSet(to)) {
            inv.dateMode = 4;
            if (inv.from.isEmpty())
                inv.from = QStringLiteral("0000-01-01");
            if (inv.to.isEmpty())
                inv.to = QStringLiteral("9999-12-31");
            if (inv.from > inv.to)
                return Fail(QStringLiteral("日期无效: --from %1 在 --to %2 之后").arg(inv.from, inv.to));
        }
    }
    inv.yes = command->confirm && parser.isSet(yes);
    inv.user = parser.value(user);
    inv.page = parser.value(page);
    // File names are the caller's, from where quillonctl was started.
    if (command->fileArg >= 0 && command->fileArg < inv.args.size())
        inv.args[command->fileArg] = QFileInfo(inv.args.at(command->fileArg)).absoluteFilePath();

    const int named = CheckNames(word, inv);
    if (named != Ok)
        return named;
    if (!EnterWorkFolder(parser.value(dir), &error))
        return Fail(error);
    const Result connected = StoreDbAccess::ConnectFromSettings();
    if (!connected)
        return Fail(QStringLiteral("无法打开数据库: %1").arg(connected.error()));
    // Changes made from a shell are logged under the tool's name.
    ChangeLog::SetAccount(QStringLiteral("quillonctl"));
    return command->run(inv);
}

} // namespace Ctl
