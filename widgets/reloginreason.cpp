#include "widgets/reloginreason.h"

namespace {
QString &Slot()
{
    static QString why;
    return why;
}
} // namespace

ReloginReason::ReloginReason(const QString &why) : m_previous(Slot()) { Slot() = why; }

ReloginReason::~ReloginReason() { Slot() = m_previous; }

QString ReloginReason::Current() { return Slot(); }
