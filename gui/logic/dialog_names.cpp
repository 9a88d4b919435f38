#include "dialog_names.h"

#include <cstring>

namespace {

const char* const NAMES[WINDOW_COUNT] = {"MainForm",
#define QORVEL_DIALOG_NAME(id, ...) #id,
                                         QORVEL_DIALOGS(QORVEL_DIALOG_NAME)
#undef QORVEL_DIALOG_NAME
};

const Dialog TABLE_ORDER[DIALOG_COUNT] = {
#define QORVEL_DIALOG_VALUE(id, ...) Dialog::id,
    QORVEL_DIALOGS(QORVEL_DIALOG_VALUE)
#undef QORVEL_DIALOG_VALUE
};

}  // namespace

const char* dialog_name(Dialog dialog)
{
    int n = static_cast<int>(dialog);
    if (n < 0 || n >= WINDOW_COUNT)
        return "";
    return NAMES[n];
}

bool dialog_by_name(const char* name, Dialog* dialog)
{
    if (name == nullptr)
        return false;
    for (int n = 0; n < WINDOW_COUNT; ++n) {
        if (std::strcmp(NAMES[n], name) == 0) {
            *dialog = static_cast<Dialog>(n);
            return true;
        }
    }
    return false;
}

const Dialog* dialogs_in_table_order()
{
    return TABLE_ORDER;
}
