#include "resources/resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE declares a function, so it has to be used outside any namespace.
static void RegisterQuillonResources() { Q_INIT_RESOURCE(quillon); }

void InitQuillonResources()
{
    static const bool registered = (RegisterQuillonResources(), true);
    Q_UNUSED(registered);
}
