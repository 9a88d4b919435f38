// Protocol-definition tables, their look-ups, the reader of "qorvel.pro" and
// the writer of "qorvel.add".
#include "protocols.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "list.h"
#include "myutil.h"
#include "safe_file.h"
#include "textfile.h"

namespace {

constexpr Proto2Def kX75 = {"x75", 1, nullptr, 1500, 3, 1, 8, 7};
constexpr Proto2Def kHdlc = {"hdlc", 2, nullptr, 1500, 0, 0, 0, 0};
constexpr Proto2Def kPpp2 = {"ppp", 255, nullptr, 0, 0, 0, 0, 0};
constexpr Proto3Def kNull = {"null", 4, nullptr, {0, 0, 0, 0, 0, 0}, 8};
constexpr Proto3Def kT70nl = {"t70nl", 1, nullptr, {0, 0, 0, 0, 0, 0}, 8};
constexpr Proto3Def kPpp3 = {"ppp", 255, nullptr, {0, 0, 0, 0, 0, 0}, 8};

}  // namespace

const Proto2Def file_x75_2 = kX75;
const Proto2Def file_hdlc_2 = kHdlc;
const Proto2Def file_ppp_2 = kPpp2;
const Proto3Def file_null_3 = kNull;
const Proto3Def file_t70nl_3 = kT70nl;
const Proto3Def file_ppp_3 = kPpp3;

// Constant-initialised, so the default records may point at the built-in rows
// before the definitions are read.
Proto2Def s2_protocols[MAX_PROTO_ROWS] = {kX75, kHdlc, kPpp2};
Proto3Def s3_protocols[MAX_PROTO_ROWS] = {kNull, kT70nl, kPpp3};
int no_s2_protocols = PROTO_BUILTIN_ROWS;
int no_s3_protocols = PROTO_BUILTIN_ROWS;

namespace {

bool same_params(const Proto2Def& row, const Proto2Params& p)
{
    return row.blocksize == p.blocksize && row.addr_a == p.addr_a && row.addr_b == p.addr_b &&
           row.modulo == p.modulo && row.windowsize == p.windowsize;
}

bool same_params(const Proto2Params& a, const Proto2Params& b)
{
    return a.blocksize == b.blocksize && a.addr_a == b.addr_a && a.addr_b == b.addr_b &&
           a.modulo == b.modulo && a.windowsize == b.windowsize;
}

bool same_params(const Proto3Def& row, const Proto3Params& p)
{
    for (int i = 0; i < 6; ++i) {
        if (row.param_words[i] != p.param_words[i])
            return false;
    }
    return row.param_byte == p.param_byte;
}

Proto2Params params_of(const Proto2Def& row)
{
    return Proto2Params{row.blocksize, row.addr_a, row.addr_b, row.modulo, row.windowsize};
}

bool name_is(const char* row_name, const char* name)
{
    return name != nullptr && std::strncmp(row_name, name, PROTO_NAME_LEN + 1) == 0;
}

}  // namespace

Proto2Def* file_find_proto2_by_dlpd(const Proto2Params* params, uint32_t code)
{
    if (params == nullptr)
        return nullptr;
    for (int i = 0; i < no_s2_protocols; ++i) {
        if (s2_protocols[i].code == code && same_params(s2_protocols[i], *params)) {
            return &s2_protocols[i];
        }
    }
    return nullptr;
}

Proto3Def* file_find_proto3_by_ncpd(const Proto3Params* params, uint32_t code)
{
    if (params == nullptr)
        return nullptr;
    for (int i = 0; i < no_s3_protocols; ++i) {
        if (s3_protocols[i].code == code && same_params(s3_protocols[i], *params)) {
            return &s3_protocols[i];
        }
    }
    return nullptr;
}

int file_proto2_index(const char* name)
{
    for (int i = 0; i < no_s2_protocols; ++i) {
        if (name_is(s2_protocols[i].name, name))
            return i + 1;
    }
    return 0;
}

int file_proto3_index(const char* name)
{
    for (int i = 0; i < no_s3_protocols; ++i) {
        if (name_is(s3_protocols[i].name, name))
            return i + 1;
    }
    return 0;
}

Proto2Def* file_find_proto2_by_name(const char* name)
{
    int row = file_proto2_index(name);
    return row > 0 ? &s2_protocols[row - 1] : nullptr;
}

Proto3Def* file_find_proto3_by_name(const char* name)
{
    int row = file_proto3_index(name);
    return row > 0 ? &s3_protocols[row - 1] : nullptr;
}

// ------------------------------------------------------ "qorvel.pro" ---

namespace {

// A keyword setting of an x75-based definition. `ends_only`: the value must
// be one of the two bounds.
struct Keyword {
    const char* name;
    unsigned long min;
    unsigned long max;
    bool ends_only;
    void (*set)(Proto2Def& row, unsigned long value);
};

constexpr Keyword kX75Keywords[] = {
    {"blocksize", 0, 65535, false,
     [](Proto2Def& r, unsigned long v) { r.blocksize = static_cast<uint16_t>(v); }},
    {"addr_a", 1, 255, false,
     [](Proto2Def& r, unsigned long v) { r.addr_a = static_cast<uint8_t>(v); }},
    {"addr_b", 1, 255, false,
     [](Proto2Def& r, unsigned long v) { r.addr_b = static_cast<uint8_t>(v); }},
    {"modulo", 8, 128, true,
     [](Proto2Def& r, unsigned long v) { r.modulo = static_cast<uint8_t>(v); }},
    {"windowsize", 1, 127, false,
     [](Proto2Def& r, unsigned long v) { r.windowsize = static_cast<uint8_t>(v); }},
};

// The layer-2 bases a definition may start from, tried in this order, with
// the keywords each one takes.
struct Base {
    const char* name;
    const Keyword* keywords;
    size_t n_keywords;
};

constexpr Base kBases[] = {
    {"x75", kX75Keywords, sizeof kX75Keywords / sizeof kX75Keywords[0]},
    {"hdlc", nullptr, 0},
    {"ppp", nullptr, 0},
};

constexpr const char kBasePrefix[] = "base=";
constexpr size_t kBasePrefixLen = sizeof kBasePrefix - 1;
constexpr size_t kBaseTokenMin = 6;  // characters of the "base=" token
constexpr size_t kBaseTokenMax = 16;

int digit_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 99;
}

// A whole unsigned number, base from its prefix (0x hexadecimal, leading 0
// octal, else decimal); digits only, no sign, no blanks. Values above `limit`
// fail, so nothing can overflow.
bool parse_number(const char* text, unsigned long limit, unsigned long* value)
{
    unsigned base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text += 2;
    } else if (text[0] == '0' && text[1] != '\0') {
        base = 8;
        ++text;
    }
    if (*text == '\0')
        return false;
    unsigned long v = 0;
    for (; *text != '\0'; ++text) {
        int d = digit_value(*text);
        if (d >= static_cast<int>(base))
            return false;
        v = v * base + static_cast<unsigned long>(d);
        if (v > limit)
            return false;
    }
    *value = v;
    return true;
}

// A keyword token: the keyword, "=" right after it, and a number in range.
bool apply_keyword(const Base& base, const char* token, Proto2Def& row)
{
    for (size_t i = 0; i < base.n_keywords; ++i) {
        const Keyword& k = base.keywords[i];
        size_t len = std::strlen(k.name);
        if (std::strncmp(token, k.name, len) != 0 || token[len] != '=')
            continue;
        unsigned long v = 0;
        if (!parse_number(token + len + 1, k.max, &v))
            return false;
        if (v < k.min)
            return false;
        if (k.ends_only && v != k.min && v != k.max)
            return false;
        k.set(row, v);
        return true;
    }
    return false;
}

const Base* find_base(const char* value)
{
    for (const Base& b : kBases) {
        if (std::strncmp(value, b.name, std::strlen(b.name)) == 0)
            return &b;
    }
    return nullptr;
}

// Parses one line; returns 1 when it is fine (definition added, or nothing to
// do), 0 with *column set on a fault.
int parse_definition(const char* line, int* column)
{
    char token[FILE_TOKEN_SIZE];
    const char* start = nullptr;
    const char* rest = file_get_token(line, token, &start);
    if (rest == nullptr || token[0] == '#')
        return 1;

    // "2:name" or "3:name"
    *column = file_column(line, start);
    if (std::strlen(token) < 3 || (token[0] != '2' && token[0] != '3') || token[1] != ':') {
        return 0;
    }
    const bool layer2 = token[0] == '2';
    char name[PROTO_NAME_LEN + 1];
    myutil_copy_text(name, token + 2);  // the stored name, checked for duplicates as stored
    file_lower(name);
    if (layer2) {
        if (no_s2_protocols >= MAX_PROTO_ROWS || file_proto2_index(name) != 0)
            return 0;
    } else {
        if (no_s3_protocols >= MAX_PROTO_ROWS || file_proto3_index(name) != 0)
            return 0;
    }

    // "base=value"
    rest = file_get_token(rest, token, &start);
    *column = file_column(line, start);
    size_t len = std::strlen(token);
    if (rest == nullptr || len < kBaseTokenMin || len > kBaseTokenMax ||
        std::strncmp(token, kBasePrefix, kBasePrefixLen) != 0) {
        return 0;
    }
    if (!layer2) {
        *column = 0;  // only layer-2 variants can be added
        return 0;
    }
    char* value = token + kBasePrefixLen;
    file_lower(value);
    const Base* base = find_base(value);
    const Proto2Def* templ = file_find_proto2_by_name(value);
    if (base == nullptr || templ == nullptr)
        return 0;

    Proto2Def row = *templ;
    row.button = nullptr;
    myutil_copy_text(row.name, name);

    // keyword settings
    while ((rest = file_get_token(rest, token, &start)) != nullptr) {
        *column = file_column(line, start);
        if (!apply_keyword(*base, token, row))
            return 0;
    }

    Proto2Params params = params_of(row);
    if (row.windowsize >= row.modulo || file_find_proto2_by_dlpd(&params, row.code) != nullptr) {
        *column = 0;
        return 0;
    }
    s2_protocols[no_s2_protocols++] = row;
    return 1;
}

void restore_builtin_rows()
{
    std::memset(s2_protocols, 0, sizeof s2_protocols);
    std::memset(s3_protocols, 0, sizeof s3_protocols);
    s2_protocols[0] = kX75;
    s2_protocols[1] = kHdlc;
    s2_protocols[2] = kPpp2;
    s3_protocols[0] = kNull;
    s3_protocols[1] = kT70nl;
    s3_protocols[2] = kPpp3;
    no_s2_protocols = PROTO_BUILTIN_ROWS;
    no_s3_protocols = PROTO_BUILTIN_ROWS;
}

// Closes on every path.
class File {
public:
    explicit File(FILE* f) : f_(f) {}
    ~File()
    {
        if (f_ != nullptr)
            std::fclose(f_);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    FILE* get() const { return f_; }

private:
    FILE* f_ = nullptr;
};

}  // namespace

int file_read_protocols(int* line, int* column)
{
    int dummy_line = 0;
    int dummy_column = 0;
    if (line == nullptr)
        line = &dummy_line;
    if (column == nullptr)
        column = &dummy_column;
    *line = 0;
    *column = 0;
    restore_builtin_rows();

    File file(file_open_text(file_data_path(PROTO_FILE)));
    if (file.get() == nullptr) {
        // Only a file that is not there means "no site definitions"; one the
        // program cannot read, or no regular file, would silently drop them.
        return errno == ENOENT || errno == ENOTDIR ? 1 : 0;
    }
    int nul = 0;
    while (const char* text = file_read_line(file.get(), &nul)) {
        ++*line;
        if (nul != 0) {
            *column = nul;
            file_echo_fault(text, *column, '_');
            return 0;
        }
        if (!parse_definition(text, column)) {
            file_echo_fault(text, *column, '_');
            return 0;
        }
    }
    *column = 0;
    return std::ferror(file.get()) ? 0 : 1;
}

// ------------------------------------------------------ "qorvel.add" ---

int file_write_protocols(ListObject* lines, int* flag, SavedName* written_to)
{
    int dummy_flag = 0;
    if (flag == nullptr)
        flag = &dummy_flag;
    *flag = 0;
    if (written_to != nullptr)
        written_to->path[0] = '\0';
    if (lines == nullptr)
        return 1;

    std::vector<Proto2Params> written;
    for (ListNode* node = lines->head; node != nullptr; node = node->next) {
        const LineTarget* lt = static_cast<const LineTarget*>(node->element);
        if (lt == nullptr || lt->proto2 != nullptr)
            continue;
        *flag = 1;
        const Proto2Params& p = lt->proto2_params;
        if (lt->proto2_code != 1 || (p.modulo != 8 && p.modulo != 128) || p.windowsize == 0 ||
            p.windowsize >= p.modulo) {
            continue;
        }
        bool seen = false;
        for (const Proto2Params& w : written) {
            if (same_params(w, p))
                seen = true;
        }
        if (!seen)
            written.push_back(p);
    }
    if (written.empty())
        return 1;  // the file is not touched when nothing needs writing
    // The data directory may be a shared one (the working directory /tmp).
    return safe_file_save_shared(
        file_data_path(PROTO_ADD_FILE).c_str(), EarlierFile::Replace, 0, OtherPlace::Nowhere,
        [&written](std::FILE* file) {
            int number = 0;
            for (const Proto2Params& p : written) {
                if (std::fprintf(
                        file,
                        "2:x75_%d base=x75 blocksize=%u addr_a=%u addr_b=%u modulo=%u windowsize=%u\n",
                        ++number, unsigned{p.blocksize}, unsigned{p.addr_a}, unsigned{p.addr_b},
                        unsigned{p.modulo}, unsigned{p.windowsize}) < 0)
                    return false;
            }
            return true;
        },
        written_to);
}

const char* file_add_shown_name(const SavedName& written)
{
    if (written.path[0] == '\0' || file_data_path(PROTO_ADD_FILE) == written.path)
        return PROTO_ADD_FILE;
    return written.path;
}
