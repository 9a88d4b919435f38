#include "line_target_fields.h"

#include <cstring>

#include "field_text.h"
#include "list.h"
#include "message_tables.h"
#include "myutil.h"
#include "protocols.h"
#include "record_defaults.h"
#include "white_spaces.h"

namespace {

constexpr long kMaxTimeout = 65535;  // travels as a 16-bit value
constexpr long kMinTimeout = 5;

template <size_t N>
std::string text_of(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

Proto2Def* shown_proto2(const LineTarget& target)
{
    if (target.proto2 != nullptr)
        return target.proto2;
    for (int i = 0; i < no_s2_protocols; ++i) {
        if (s2_protocols[i].code == target.proto2_code)
            return &s2_protocols[i];
    }
    return no_s2_protocols > 0 ? &s2_protocols[0] : nullptr;
}

Proto3Def* shown_proto3(const LineTarget& target)
{
    if (target.proto3 != nullptr)
        return target.proto3;
    for (int i = 0; i < no_s3_protocols; ++i) {
        if (s3_protocols[i].code == target.proto3_code)
            return &s3_protocols[i];
    }
    return no_s3_protocols > 0 ? &s3_protocols[0] : nullptr;
}

bool phone_asked(int line_type)
{
    return line_type != 2 && line_type != 3;
}

// 0, 5 and more, or -1 for anything else (the check refuses it).
long read_timeout(const char* text)
{
    if (text != nullptr && std::strcmp(text, "0") == 0)
        return 0;
    long value = 0;
    return field_nonzero_number(text, &value) ? value : -1;
}

// An identification as the router and the configuration file take it: the
// name and the password joined by one "/". Either side may be empty (a
// router may hold "/secret"), so a pair read from it can be kept as it is.
bool read_pair(const char* typed, char (&pair)[PAIR_LEN + 1])
{
    const std::string text = typed != nullptr ? typed : "";
    pair[0] = '\0';
    if (text.empty())
        return true;
    if (text.find_first_of(" \t") != std::string::npos)
        return false;
    const size_t slash = text.find('/');
    if (slash == std::string::npos) {
        if (text.size() > static_cast<size_t>(PAIR_FILE_LEN) - 1)
            return false;
        return field_store(pair, text + "/");
    }
    if (text.find('/', slash + 1) != std::string::npos)
        return false;
    return field_store(pair, text);
}

LineTargetCheck refuse(LineTargetCode code, int message, LineTargetField focus)
{
    return {code, message, focus};
}

}  // namespace

LineTargetView line_target_view(const LineTarget& target, int line_type, int route_count)
{
    LineTargetView view;
    view.host = text_of(target.host);
    view.phone_sensitive = phone_asked(line_type);
    if (view.phone_sensitive)
        view.phone = text_of(target.phone);
    view.create_route_sensitive = route_count < MAX_ROUTES;
    view.create_route = view.create_route_sensitive && target.default_route != 0;
    view.proto2 = shown_proto2(target);
    view.proto3 = shown_proto3(target);
    view.timeout = std::to_string(target.timeout);
    view.compression = target.compression != 0;
    view.bundling = target.bundling != 0;
    view.manual_only = target.manual_only != 0;
    view.send_pair = text_of(target.send_pair);
    view.receive_pair = text_of(target.receive_pair);
    view.pairs_sensitive = target.proto2_code == 255;
    return view;
}

LineTargetCheck line_target_from_fields(const LineTargetFields& fields, int line_type,
                                        LineTarget* target)
{
    LineTarget t;
    std::memset(&t, 0, sizeof t);

    // A text too long for its array is left empty, which its check refuses.
    field_store(t.host, del_white_spaces(fields.host));
    if (myutil_get_host_addr(t.host) == 0)
        return refuse(LINE_TARGET_BAD_HOST, MSG_BAD_HOSTNAME, LineTargetField::Host);

    if (phone_asked(line_type)) {
        const bool stored = field_store(t.phone, del_white_spaces(fields.phone));
        bool valid = stored && myutil_check_phone(t.phone);
        if (line_type == 1)
            valid = std::strcmp(t.phone, "0") == 0 || std::strcmp(t.phone, "1") == 0;
        if (!valid)
            return refuse(LINE_TARGET_BAD_PHONE, MSG_BAD_PHONE, LineTargetField::Phone);
    }

    // Checked as the long it was read as, before it is narrowed.
    const long timeout = read_timeout(fields.timeout);
    if (timeout != 0 && (timeout < kMinTimeout || timeout > kMaxTimeout))
        return refuse(LINE_TARGET_BAD_TIMEOUT, MSG_BAD_TIMEOUT, LineTargetField::Timeout);
    t.timeout = static_cast<int32_t>(timeout);

    if (!read_pair(fields.send_pair, t.send_pair))
        return refuse(LINE_TARGET_BAD_SEND_PAIR, MSG_BAD_SEND_PASSWORD, LineTargetField::SendPair);
    if (!read_pair(fields.receive_pair, t.receive_pair))
        return refuse(LINE_TARGET_BAD_RECEIVE_PAIR, MSG_BAD_RECEIVE_PASSWORD,
                      LineTargetField::ReceivePair);

    t.default_route = fields.create_route ? 1 : 0;
    t.manual_only = fields.manual_only ? 1 : 0;
    t.bundling = fields.bundling ? 1 : 0;
    t.compression = fields.compression ? 1 : 0;
    // The menus always show a row; without one the first row stands in, so
    // that the line target can still be written and saved.
    t.proto2 = fields.proto2 != nullptr ? fields.proto2
                                        : (no_s2_protocols > 0 ? &s2_protocols[0] : nullptr);
    t.proto3 = fields.proto3 != nullptr ? fields.proto3
                                        : (no_s3_protocols > 0 ? &s3_protocols[0] : nullptr);
    t.proto2_code = t.proto2 != nullptr ? t.proto2->code : 0;
    t.proto3_code = t.proto3 != nullptr ? t.proto3->code : 0;

    if (target != nullptr)
        *target = t;
    return {LINE_TARGET_OK, -1, LineTargetField::NO_FIELD};
}

int line_target_store(ListObject* lines, ListObject* routes, int edit_position,
                      const LineTarget& target, int line_type)
{
    if (lines == nullptr)
        return 0;
    if (edit_position != 0) {
        ListNode* node = edit_position >= 1 && edit_position <= lines->count
                             ? lines->ops->list_get_at(lines, edit_position)
                             : nullptr;
        if (node == nullptr || node->element == nullptr)
            return 0;
        std::memcpy(node->element, &target, sizeof target);
        return edit_position;
    }
    if (!line_target_can_add(lines->count, line_type))
        return 0;
    if (target.default_route != 0 && routes != nullptr && routes->count < MAX_ROUTES)
        myutil_make_default_route(routes, target.host);
    lines->ops->list_append(lines, lines->copy(&target));
    return lines->count;
}

bool line_target_can_add(int line_count, int line_type)
{
    const int limit = line_type == 0 ? MAX_LINE_TARGETS : MAX_LINE_TARGETS_PERMANENT;
    return line_count < limit;
}
