// Line reader, tokenizer, echo of a faulty line and data-file paths.
#include "textfile.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "printable.h"

char read_line[FILE_LINE_SIZE];
int file_echo_errors = 0;

namespace {

bool is_blank(char c)
{
    return c == ' ' || c == '\t';
}

bool ends_token(char c)
{
    return c == '\0' || c == ' ' || c == '\t' || c == '\n';
}

}  // namespace

char* file_read_line(FILE* file, int* nul_column)
{
    if (nul_column != nullptr)
        *nul_column = 0;
    read_line[0] = '\0';
    if (file == nullptr)
        return nullptr;
    // Character by character rather than fgets, which cannot tell a NUL in
    // the text from the end of what it read.
    size_t length = 0;
    int first_nul = 0;
    while (length < static_cast<size_t>(FILE_LINE_MAX)) {
        int c = std::getc(file);
        if (c == EOF)
            break;
        if (c == '\0' && first_nul == 0)
            first_nul = static_cast<int>(length) + 1;
        read_line[length++] = c == '\t' ? ' ' : static_cast<char>(c);
        if (c == '\n')
            break;
    }
    // A CR before the line end (or before the end of the file) belongs to
    // the line end: a file written with CRLF line ends reads as it shows in
    // an editor, with its columns and line numbers unchanged.
    if (length > 1 && read_line[length - 1] == '\n' && read_line[length - 2] == '\r') {
        read_line[length - 2] = '\n';
        --length;
    } else if (length > 0 && read_line[length - 1] == '\r') {
        const int next = std::getc(file);  // a full piece may end between CR and LF
        if (next == '\n')
            read_line[length - 1] = '\n';
        else if (next == EOF)
            --length;
        else
            std::ungetc(next, file);
    }
    read_line[length] = '\0';
    if (length == 0)
        return nullptr;
    if (nul_column != nullptr)
        *nul_column = first_nul;
    return read_line;
}

FILE* file_open_text(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        int error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        errno = error;
        return nullptr;
    }
    FILE* file = ::fdopen(fd, "r");
    if (file == nullptr) {
        int error = errno;
        ::close(fd);
        errno = error;
    }
    return file;
}

const char* file_get_token(const char* text, char* token, size_t size, const char** start)
{
    if (token != nullptr && size > 0)
        token[0] = '\0';
    if (text == nullptr) {
        if (start != nullptr)
            *start = nullptr;
        return nullptr;
    }
    while (is_blank(*text))
        ++text;
    if (start != nullptr)
        *start = text;
    if (*text == '\0' || *text == '\n')
        return nullptr;

    const char* end = text;
    while (!ends_token(*end))
        ++end;
    if (token != nullptr && size > 0) {
        size_t len = static_cast<size_t>(end - text);
        if (len > size - 1)
            len = size - 1;
        std::memcpy(token, text, len);
        token[len] = '\0';
    }
    return end;
}

int file_column(const char* line, const char* position)
{
    if (line == nullptr || position == nullptr || position < line)
        return 0;
    return static_cast<int>(position - line) + 1;
}

void file_lower(char* text)
{
    if (text == nullptr)
        return;
    for (; *text != '\0'; ++text) {
        *text = static_cast<char>(std::tolower(static_cast<unsigned char>(*text)));
    }
}

void file_echo_fault(const char* line, int column, char marker)
{
    if (!file_echo_errors)
        return;
    std::string text = line != nullptr ? line : "";
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    // The line is shown as router text is: a data file may hold anything,
    // and its bytes must not reach the terminal as control sequences.
    if (line != nullptr && *line != '\0') {
        std::fputs(ASCIIPrintable(text).c_str(), stdout);
        std::fputc('\n', stdout);  // a last line or a cut piece has none of its own
    }
    // The marker goes under the column as shown, where an escaped byte
    // takes several places; a column past the text (a missing token) stays
    // as far past it.
    const size_t before = column > 1 ? static_cast<size_t>(column - 1) : 0;
    const size_t within = before < text.size() ? before : text.size();
    const size_t width = ASCIIPrintable(text.substr(0, within)).size() + (before - within);
    std::fputs(std::string(width, marker).c_str(), stdout);
    std::fputs("^\n", stdout);
    std::fflush(stdout);
}

std::string file_data_path(const char* name)
{
    std::string file = name != nullptr ? name : "";
    const char* dir = std::getenv("QORVEL_PATH");
    if (dir == nullptr || *dir == '\0')
        return file;  // empty: no directory, not the root
    return std::string(dir) + "/" + file;
}
