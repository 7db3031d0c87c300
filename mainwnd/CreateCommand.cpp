// The create command: runs the wizard and rebuilds the list when it finished.
#include "mainwnd/DeleteObject.h"

LRESULT CDeleteObject::OnCreateNew(const Message&) {
    return 0; // not built yet: runs the creation wizard
}
