#include "app/pictures.h"

#include <QtGlobal>

// Q_INIT_RESOURCE cannot stand inside a namespace.
static void initResources()
{
    Q_INIT_RESOURCE(trelmo);
}

void registerPictures()
{
    static const bool registered = [] {
        initResources();
        return true;
    }();
    Q_UNUSED(registered);
}
