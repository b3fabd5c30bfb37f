// Work that belongs to the page, query, exchange, backup and side-dialog code.
// Each body is replaced where that work is written; until then they do nothing
// and report nothing.
#include "app/mainwindow.h"

void MainWindow::ShowTabData() {}
void MainWindow::ActionAdd() {}
void MainWindow::ActionDelete() {}
void MainWindow::ActionClear() {}
void MainWindow::ActionQuery() {}
void MainWindow::QueryProcess() {}
void MainWindow::ShowQueryResultData(int) {}
void MainWindow::InportProcess() {}
void MainWindow::ExportProcess() {}
void MainWindow::PrintActionProcess() {}
void MainWindow::TotalProcess() {}
void MainWindow::TabCellChanged(int, int) {}
void MainWindow::CellChoseProcess(int, int) {}
void MainWindow::SaveDbDate() {}
void MainWindow::RestoreDbDate() {}
void MainWindow::EnableAction() {}

void MainWindow::WaitForBackup() {}

void MainWindow::StartFirstLoad() {}
void MainWindow::HideQueryDialog() {}
void MainWindow::CreateQueryDialog() {}
void MainWindow::ReloadQueryChoices() {}
void MainWindow::RefillModelCombo() {}
