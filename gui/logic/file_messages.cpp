#include "file_messages.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "config_file.h"
#include "messages.h"

namespace {

constexpr int kReaderMessageBase = 56;  // message of reader code 1 is 57
constexpr int kLoadErrorFormat = 35;
constexpr int kCannotRead = 36;

bool reader_fault(int code)
{
    return code >= CFG_TOO_MANY_ENTRIES && code <= CFG_BAD_ACTION;
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
    const char* reason = reader_fault(code) ? message_text(kReaderMessageBase + code) : "";
    return message_format(kLoadErrorFormat, reason, line, column);
}

int file_load_message_index(int code)
{
    if (code == CFG_OK)
        return -1;
    return reader_fault(code) ? kReaderMessageBase + code : kCannotRead;
}

std::string file_load_message(int code, int line, int column)
{
    if (code == CFG_OK)
        return std::string();
    if (reader_fault(code))
        return callback_create_message(code, line, column);
    return message_text(kCannotRead);
}
