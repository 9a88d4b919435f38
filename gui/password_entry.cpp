#include "password_entry.h"

#include <cstring>

#include "password_buffer.h"

void helpfunc_hide_typed(XmTextVerifyCallbackStruct* change, char* buffer, size_t size)
{
    if (change == nullptr || buffer == nullptr)
        return;
    const char* inserted = nullptr;
    long length = 0;
    if (change->text != nullptr && change->text->ptr != nullptr) {
        inserted = change->text->ptr;
        length = change->text->length;
    }
    PasswordEdit edit = password_buffer_edit(buffer, size, static_cast<long>(change->startPos),
                                             static_cast<long>(change->endPos), inserted, length);
    change->doit = edit.allowed ? True : False;
    if (edit.allowed && length > 0)
        std::memset(change->text->ptr, 'X', static_cast<size_t>(length));
}
