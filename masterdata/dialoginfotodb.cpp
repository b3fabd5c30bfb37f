#include "masterdata/dialoginfotodb.h"
#include "ui_dialoginfotodb.h"

DialogInfoToDb::DialogInfoToDb(QWidget *parent)
    : InfoListDialog(InfoStore::MasterData, ListTables::MasterData(), parent), m_ui(new Ui::DialogInfoToDb)
{
    m_ui->setupUi(this);
    Setup(m_ui->tabWidget);
}

DialogInfoToDb::~DialogInfoToDb() { delete m_ui; }
