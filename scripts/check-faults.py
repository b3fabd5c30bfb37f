#!/usr/bin/env python3
# Checks tests/FAULTS.md: makes each deliberate fault in turn, builds the test
# that must catch it, runs it (it has to fail) and puts the source back.
# Usage: scripts/check-faults.py [BUILD] [F01 F02 ...]   (BUILD defaults to build)
import subprocess, sys, os
R = os.getcwd()
B = sys.argv[1] if len(sys.argv) > 1 else 'build'
only = set(sys.argv[2:])
F = [
 ('F01','db/storedbaccess_ledgers.cpp','first.daysInMonth()','first.daysInMonth() - 1',1,'test_stores'),
 ('F02','db/storedbaccess_ledgers.cpp','where store_no=?','where (store_no=? or 1=1)',1,'test_stores'),
 ('F03','db/storedbaccess_users.cpp','delete from tb_sm_user where store_no=?','delete from tb_sm_user where store_no=? or 1=1',1,'test_masterdata'),
 ('F04','db/sqldialect.cpp','d.rollback = "ROLLBACK";','d.rollback = "COMMIT";',1,'test_stores'),
 ('F05','db/backupscript.cpp','doubled.replace(QLatin1String("\'"), QLatin1String("\'\'"));','',1,'test_backup'),
 ('F06','db/dbmanager.cpp','escaped.replace(QLatin1String("}"), QLatin1String("}}"));','',1,'test_dbmanager'),
 ('F07','db/money.cpp','if (magnitude >= kLimit)','if (false)',1,'test_analytics'),
 ('F08','db/sqldialect.cpp','d.defaultPort = 5432;','d.defaultPort = 1433;',1,'test_dbmanager'),
 ('F09','query/queryfilter.cpp','{8, QStringLiteral("lineEdit_2")','{9, QStringLiteral("lineEdit_2")',1,'test_ledger'),
 ('F10','ledger/dialogquery.cpp','if (from == m_ui->radioButton_4)','if (from == m_ui->radioButton_3)',1,'test_ledgerwindow'),
 ('F11','ledger/ledgerkinds.cpp','number == 1 ? name','number == 2 ? name',1,'test_ledgerwindow'),
 ('F12','ledger/rowamounts.cpp','if (IsNumber(out.num) && IsNumber(out.price))','if (false)',1,'test_ledger'),
 ('F13','ledger/pagetotals.cpp','sums.Add(GoodsRow(rows.at(i), &derived));','sums = Sums(); sums.Add(GoodsRow(rows.at(i), &derived));',1,'test_ledger'),
 ('F14','analytics/profit.cpp','{"采购支付总额", -1}','{"采购支付总额", +1}',1,'test_analytics'),
 ('F15','analytics/stockcompute.cpp','color(&r.color)','color(&r.store)',1,'test_analytics'),
 ('F16','analytics/stockcompute.cpp','if (a > f.num)','if (a >= f.num)',1,'test_analytics'),
 ('F17','analytics/stockcompute.cpp','SaleReturn ? a + f.num : f.num - a','SaleReturn ? f.num - a : f.num - a',1,'test_analytics'),
 ('F18','analytics/chartscript.cpp','literal += QLatin1String("\\\\\\\\")','literal += c',1,'test_analytics'),
 ('F19','analytics/salesstatistics.cpp','k.amount += Money::FromText(r.total);','',1,'test_analytics'),
 ('F20','exchange/ledgerexchange_window.cpp','{1, 7}, // goods pages','{1, 8}, // goods pages',1,'test_exchange'),
 ('F21','exchange/listrows.cpp','fields << row.mid(1)','fields << row',1,'test_quillonctl'),
 ('F22','exchange/listrows.cpp','if (!storable)','if (false)',1,'test_exchange'),
 ('F23','exchange/listexchange.cpp','if (WriteList(table, fileName, &error))','if (WriteList(table, fileName, &error) || true)',1,'test_exchange'),
 ('F24','db/listcodec.cpp',"lines.join(QLatin1Char(';'))","lines.join(QLatin1Char(','))",1,'test_exchange'),
 ('F25','db/listcodec.cpp','out.replace(QLatin1String("."), QLatin1String("&&"));','',1,'test_exchange'),
 ('F26','masterdata/dialogusermge.cpp','UserTypeFromText(text(TypeColumn))','1',1,'test_masterdata'),
 ('F27','masterdata/infolistdialog.cpp','if (rows.at(i).size() != table->columnCount() - 1)','if (rows.at(i).isEmpty())',1,'test_masterdata'),
 ('F28','masterdata/infolistdialog.cpp','if (!ConfirmDelete())','if (false)',0,'test_masterdata'),
 ('F29','app/mainwindow.cpp','m_user.userType == 1 || m_user.userType == 2','m_user.userType == 1',1,'test_ledgerwindow'),
 ('F30','app/dialoglogin.cpp','store->ReadUser(user, &found);','Result::Ok(); found = true;',1,'test_mainwindow'),
 ('F31','app/mainwindow.cpp','m_ui->action_datasave, m_ui->action_datarestore})','m_ui->action_datarestore})',1,'test_mainwindow'),
 ('F32','ctl/commands.cpp','if (!inv.yes)','if (false)',1,'test_quillonctl'),
 ('F33','ctl/commands.cpp','inv.dateMode = 4','inv.dateMode = 5',1,'test_quillonctl'),
 ('FL1','ledger/ledgermodel_edit.cpp','if (last.isValid() && now <= last)','if (false)',1,'test_ledgermodel'),
 ('FL2','ledger/rowamounts.cpp','return !text.isEmpty() && !NumberText::IsNumber(text);','return !text.isEmpty() && false;',1,'test_ledgermodel'),
 ('FL3','ledger/ledgermodel.cpp','            return kSaveFailedColour;','            return QVariant();',1,'test_ledgermodel'),
 ('FL4','ledger/ledgermodel_edit.cpp','if (m_page->kind == GoodsKind::Sale) {','if (m_page->kind < 0 && m_page->kind == GoodsKind::Sale) {',1,'test_ledgerwindow'),
 ('FL5','analytics/stockwarning.cpp','|| kind == GoodsKind::Loss','',1,'test_ledgerwindow'),
 ('FL6','masterdata/itemlistwidget.cpp','    case Qt::Key_Escape: hide(); break;\n','',1,'test_ledgerwindow'),
 ('FQ1','db/rowreader.cpp','return any < 0x80;','return true;',1,'test_analytics'),
 ('FS1','db/dbmanager.cpp','    m_statements.clear();\n','',1,'test_stores'),
 ('FS2','db/storedbaccess_ledgers.cpp','update->numRowsAffected() > 0','update->numRowsAffected() >= 0',1,'test_stores'),
 ('FD1','db/storedbaccess.cpp','if (access == Writes) {','if (access != Writes) {',1,'test_backup'),
 ('FD2','db/backupscript.cpp',"if (!next.contains(QLatin1Char('\\'')))","if (next.contains(QLatin1Char('\\'')))",1,'test_backup'),
 ('FD3','db/storedbaccess_backup.cpp','if (foreignAccount) {','if (foreignAccount && row.line < 0) {',1,'test_backup'),
 ('FD4','db/dberror.cpp','freeBytes < kNearlyFull','freeBytes <= kNearlyFull',1,'test_dbmanager'),
 ('FD5','app/dialoglogin.cpp','login.SetStoreAccountsOnly(true);','login.SetStoreAccountsOnly(false);',1,'test_mainwindow'),
 ('FD6','db/dbmanager_state.cpp','wal_checkpoint(TRUNCATE)','wal_checkpoint(PASSIVE)',1,'test_backup'),
 ('FD7','db/backupscript.cpp','for (int n = 2; QFileInfo::exists(path); ++n)','for (int n = 2; false; ++n)',1,'test_backup'),
 ('FS3','ledger/totalsline.cpp','if (m_view && m_view->Filtering() && m_view->proxy()) {','if (m_view && !m_view->Filtering() && m_view->proxy()) {',1,'test_ledgerwindow'),
 ('FV1','db/exportfolder.cpp','Clean(workFolder) == Clean(programFolder)','Clean(workFolder) == programFolder',1,'test_screens'),
 ('FV2','app/mainwindow.cpp','const bool financeAllowed = m_ui->action_showFin->isVisible();','const bool financeAllowed = true;',1,'test_screens'),
 ('FV3','db/listcodec.cpp','    if (text.isEmpty())\n        return rows;\n','',1,'test_screens'),
 ('FV4','widgets/looks.cpp','button : box.buttons()','button : QList<QAbstractButton *>()',1,'test_screens'),
 ('FV5','db/storedbaccess_backup.cpp','++t.kinds[row.values.value(0).toInt()];','++t.kinds[0];',1,'test_screens'),
 ('FM1','analytics/movingaverage.cpp','const auto sale = m_saleCost.constFind(SaleKey(row));','const auto sale = m_saleCost.constEnd();',1,'test_margin'),
 ('FM2','analytics/movingaverage.cpp','*belowZero = quantity > a.quantity;','*belowZero = quantity >= a.quantity;',1,'test_margin'),
 ('FM3','analytics/grossmargin.cpp','for (const int i : MovingAverage::CostOrder(rows)) {','for (int i = 0; i < rows.size(); ++i) {',1,'test_margin'),
 ('FM4','ledger/ledgermodel.cpp','|| m_goods.at(row).serial == m_page->totalsItem;','|| true;',1,'test_ownerpages'),
 ('FM5','analytics/chainsummary.cpp','if (userType != 1)','if (userType != 1 && false)',1,'test_ownerpages'),
 ('FM6','analytics/stockalerts.cpp','if (s.left > rule.minimum)','if (s.left >= rule.minimum)',1,'test_ownerpages'),
 ('FM7','analytics/stockvalue.cpp','r.tabType != GoodsKind::PurchaseIn || ','',1,'test_ownerpages'),
]
bad = []
for fid, path, old, new, once, test in F:
    if only and fid not in only: continue
    src = open(path, encoding='utf-8').read()
    n = src.count(old)
    if n == 0 or (once and n != 1):
        print(f'{fid}: pattern found {n} times in {path}', flush=True); bad.append(fid); continue
    open(path, 'w', encoding='utf-8').write(src.replace(old, new))
    try:
        b = subprocess.run(['cmake', '--build', B, '--target', test], capture_output=True, text=True)
        if b.returncode != 0:
            res = 'BUILD FAILS'
        else:
            t = subprocess.run(['ctest', '--test-dir', B, '-R', f'^{test}$', '--timeout', '300'], capture_output=True, text=True)
            res = 'caught' if t.returncode != 0 else 'NOT CAUGHT'
    finally:
        open(path, 'w', encoding='utf-8').write(src)
    print(f'{fid}: {res} by {test}', flush=True)
    if res != 'caught': bad.append(fid)
print('not caught / not applicable:', bad)
