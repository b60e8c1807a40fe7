#include "resources/resources.h"

#include <QtCore/qglobal.h>
#include <QtCore/QDir>

static void InitQinglanResources() { Q_INIT_RESOURCE(resources); }

namespace ql {

void InitResources() {
    static const bool once = (InitQinglanResources(), true);
    (void)once;
}

}  // namespace ql
