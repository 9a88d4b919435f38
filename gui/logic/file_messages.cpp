#include "file_messages.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <iterator>
#include <vector>

#include "config_file.h"
#include "message_tables.h"

namespace {

// The reader's fault codes 1 to 16, each with its message, in code order.
constexpr MessageIndex READER_FAULT_MESSAGES[] = {
    MSG_FILE_TOO_MANY_ENTRIES,    MSG_FILE_BAD_ADDRESS,     MSG_FILE_BAD_PHONE,
    MSG_FILE_BAD_PROTOCOL,        MSG_FILE_BAD_TIMEOUT,     MSG_FILE_BAD_MANUAL,
    MSG_FILE_BAD_BUNDLING,        MSG_FILE_BAD_COMPRESSION, MSG_FILE_BAD_PASSWORD,
    MSG_FILE_SYNTAX_ERROR,        MSG_FILE_BAD_MASK,        MSG_FILE_BAD_MATCH,
    MSG_FILE_MASK_MATCH_MISMATCH, MSG_FILE_BAD_GATEWAY,     MSG_FILE_BAD_SERVICE,
    MSG_FILE_BAD_ACTION,
};
static_assert(std::size(READER_FAULT_MESSAGES) == CFG_BAD_ACTION - CFG_TOO_MANY_ENTRIES + 1,
              "one message for every fault code of the reader");

bool reader_fault(int code)
{
    return code >= CFG_TOO_MANY_ENTRIES && code <= CFG_BAD_ACTION;
}

MessageIndex reader_fault_message(int code)
{
    return READER_FAULT_MESSAGES[code - CFG_TOO_MANY_ENTRIES];
}

std::string working_directory()
{
    std::vector<char> buffer(256);
    while (buffer.size() <= 65536) {
        if (getcwd(buffer.data(), buffer.size()) != nullptr)
            return buffer.data();
        if (errno != ERANGE)
            break;
        buffer.resize(buffer.size() * 2);
    }
    return std::string();
}

}  // namespace

const char* file_dialog_extension(int mode)
{
    return mode == FILE_SAVE_ACCOUNTING ? "acc" : "cfg";
}

std::string file_dialog_directory()
{
    // An empty value names no directory (it would make "/*.cfg" of the
    // pattern): it counts as unset, as for the data files.
    const char* path = std::getenv("QORVEL_PATH");
    if (path != nullptr && *path != '\0')
        return path;
    return working_directory();
}

FileDialogNames file_dialog_names(const char* name, const char* extension)
{
    FileDialogNames names;
    const std::string ext = extension != nullptr ? extension : "";
    names.directory = file_dialog_directory();
    names.pattern = names.directory + "/*." + ext;
    names.has_selection = name != nullptr;
    if (names.has_selection)
        names.selection = names.directory + "/" + name + "." + ext;
    return names;
}

std::string callback_create_message(int code, int line, int column)
{
    const char* reason = reader_fault(code) ? message_text(reader_fault_message(code)) : "";
    return message_format(MSG_FILE_ERROR_AT, reason, line, column);
}

int file_load_message_index(int code)
{
    if (code == CFG_OK)
        return -1;
    return reader_fault(code) ? reader_fault_message(code) : MSG_CANNOT_READ_FILE;
}

std::string file_load_message(int code, int line, int column)
{
    if (code == CFG_OK)
        return std::string();
    if (reader_fault(code))
        return callback_create_message(code, line, column);
    return message_text(MSG_CANNOT_READ_FILE);
}
