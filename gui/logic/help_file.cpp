#include "help_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "message_tables.h"
#include "myutil.h"
#include "records.h"

namespace {

// Every section belongs to one window: the help file holds them in this
// order, and a section without a window would never be shown.
constexpr bool each_section_once()
{
    for (int section = 0; section < HELP_SECTION_COUNT; ++section) {
        int owners = 0;
        for (const DialogRow& row : DIALOG_ROWS)
            if (row.help_section == section)
                ++owners;
        if (owners != 1)
            return false;
    }
    for (const DialogRow& row : DIALOG_ROWS)
        if (row.help_section < HELP_NONE || row.help_section >= HELP_SECTION_COUNT)
            return false;
    return true;
}
static_assert(each_section_once(), "each help section belongs to exactly one window");

HelpSections all_sections(const char* text)
{
    HelpSections sections;
    for (std::string& section : sections.text)
        section = text;
    return sections;
}

struct Fd {
    explicit Fd(int value) : fd(value) {}
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int fd;
};

bool read_whole(const std::string& path, std::string* contents)
{
    // Without blocking, so a FIFO named like the help file cannot hang the
    // program; only a regular file is help.
    Fd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.fd < 0)
        return false;
    struct stat info;
    if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0)
        return false;
    size_t size = static_cast<size_t>(info.st_size);
    contents->assign(size, '\0');
    size_t got = 0;
    while (got < size) {
        ssize_t n = ::read(file.fd, &(*contents)[got], size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

struct RunTable {
    bool loaded = false;
    HelpSections sections;
};

RunTable& run_table()
{
    static RunTable table;
    return table;
}

}  // namespace

const char* helpfunc_find_string(const char* text, const char* pattern)
{
    if (text == nullptr || pattern == nullptr)
        return nullptr;
    return std::strstr(text, pattern);
}

HelpSections help_cut_sections(const std::string& whole)
{
    // The file is text: what follows a NUL byte is never shown.
    const std::string contents = whole.substr(0, whole.find('\0'));
    const size_t marker_length = std::strlen(HELP_MARKER);

    HelpSections sections;
    bool found[HELP_SECTION_COUNT] = {true};
    int k = 0;
    size_t start = 0;
    while (k < HELP_SECTION_COUNT) {
        size_t marker = contents.find(HELP_MARKER, start);
        if (marker == std::string::npos) {
            sections.text[k] = contents.substr(start);
            break;
        }
        sections.text[k] = contents.substr(start, marker - start);
        size_t newline = contents.find('\n', marker + marker_length);
        if (newline == std::string::npos)
            break;
        ++k;
        start = newline + 1;
        if (k < HELP_SECTION_COUNT)
            found[k] = true;
    }
    for (int n = 0; n < HELP_SECTION_COUNT; ++n)
        if (!found[n])
            sections.text[n] = message_text(MSG_NO_HELP_SECTION);
    return sections;
}

std::string help_file_path()
{
    const char* dir = std::getenv("QORVEL_PATH");
    if (dir == nullptr || *dir == '\0')  // empty: no directory, not the root
        return HELP_FILE_NAME;
    return std::string(dir) + "/" + HELP_FILE_NAME;
}

HelpSections help_read_file(const std::string& path)
{
    std::string contents;
    if (!read_whole(path, &contents))
        return all_sections(message_text(MSG_NO_HELP_FILE));
    return help_cut_sections(contents);
}

bool helpfunc_helptext_loaded()
{
    return run_table().loaded;
}

void helpfunc_read_helpfile()
{
    RunTable& table = run_table();
    if (table.loaded)
        return;
    table.sections = help_read_file(help_file_path());
    table.loaded = true;
}

const std::string& helpfunc_helptext(int section)
{
    static const std::string none;
    const RunTable& table = run_table();
    if (!table.loaded || section < 0 || section >= HELP_SECTION_COUNT)
        return none;
    return table.sections.text[section];
}

void helpfunc_forget_helptext()
{
    run_table() = RunTable();
}

std::string help_header_text(const char* host, const char* netmask, int resolving)
{
    return message_format(MSG_HELP_HEADER, host ? host : "", netmask ? netmask : "",
                          resolving ? "on" : "off");
}

std::string help_header()
{
    char host[HOST_LEN + 1];
    char netmask[HOST_LEN + 1];
    myutil_get_host_name(myutil_get_my_ip(), host);
    myutil_get_host_name(myutil_get_my_netmask(), netmask);
    return help_header_text(host, netmask, myutil_get_my_nameres());
}

std::string help_window_text(int section)
{
    if (section < 0 || section >= HELP_SECTION_COUNT)
        return std::string();
    return help_header() + helpfunc_helptext(section);
}

int help_section_of_dialog(const char* dialog)
{
    Dialog window;
    if (!dialog_by_name(dialog, &window))
        return HELP_NONE;
    return dialog_row(window)->help_section;
}
