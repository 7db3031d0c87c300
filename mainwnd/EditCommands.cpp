// The edit commands: rename, change icon, change comment and set the Explorer position
// of the selected objects.
#include "mainwnd/DeleteObject.h"

LRESULT CDeleteObject::OnRename(const Message&) {
    return 0; // not built yet: asks for a new name per selected entry
}

LRESULT CDeleteObject::OnChangeIcon(const Message&) {
    return 0; // not built yet: asks for a new icon per selected entry
}

LRESULT CDeleteObject::OnChangeComment(const Message&) {
    return 0; // not built yet: asks for a new comment per selected entry
}

LRESULT CDeleteObject::OnSetExplorerPosition(const Message&) {
    return 0; // not built yet: asks for a sort position per selected entry
}
