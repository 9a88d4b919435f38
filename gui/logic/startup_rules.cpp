#include "startup_rules.h"

#include "message_tables.h"

uint32_t startup_broadcast_address(uint32_t address, uint32_t netmask)
{
    if (address == 0 || netmask == 0)
        return 0xFFFFFFFFu;
    return address | ~netmask;
}

std::string startup_protocol_file_text(int line, int column)
{
    if (column != 0)
        return message_format(MSG_PRO_FILE_ERROR, line, column);
    return message_format(MSG_PRO_FILE_INCONSISTENT, line);
}
