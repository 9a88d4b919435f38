#include "router_settings_fields.h"

#include <cstring>

#include "firmware_versions.h"
#include "message_tables.h"
#include "myutil.h"
#include "record_defaults.h"
#include "white_spaces.h"

namespace {

constexpr int FAMILY_1TR6 = FIRMWARE_FAMILY_1TR6;
constexpr int FAMILY_DSS1 = FIRMWARE_FAMILY_DSS1;

// The permanent-connection button of each line type 1 to 3.
const int permanent_buttons[] = {RCONFIG_BUTTON_FV64S, RCONFIG_BUTTON_FVS01, RCONFIG_BUTTON_FVS02};
constexpr int PERMANENT_TYPES = sizeof permanent_buttons / sizeof permanent_buttons[0];

int family_of_mode(int isdn_mode)
{
    return isdn_mode == 0 ? FAMILY_1TR6 : FAMILY_DSS1;
}

bool has(const RConfigFirmware& present, int family)
{
    return !present.first[family].empty();
}

// The button that shows a mode and line type.
int button_of(int isdn_mode, int line_type)
{
    if (line_type >= 1 && line_type <= PERMANENT_TYPES)
        return permanent_buttons[line_type - 1];
    return family_of_mode(isdn_mode) == FAMILY_1TR6 ? RCONFIG_BUTTON_1TR6 : RCONFIG_BUTTON_EURO;
}

int line_type_of(int button)
{
    for (int t = 0; t < PERMANENT_TYPES; ++t)
        if (permanent_buttons[t] == button)
            return t + 1;
    return 0;
}

// Copies a text whole into a record's field, or leaves the field empty.
template <size_t N>
bool store(char (&field)[N], const std::string& text)
{
    if (text.size() >= N || text.find('\0') != std::string::npos) {
        field[0] = '\0';
        return false;
    }
    myutil_copy_text(field, text.c_str());
    return true;
}

bool resolves(const char* text)
{
    return myutil_get_host_addr(text) != 0;
}

bool phone_of_router(const char* phone)
{
    // The router's own number is digits only: the final "s" that line
    // targets may carry means nothing here.
    return myutil_check_phone(phone) && std::strchr(phone, 's') == nullptr;
}

}  // namespace

// ------------------------------------------------------------ filling ---

RConfigFirmware rconfig_firmware_present()
{
    RConfigFirmware present;
    helpfunc_get_firmware_vers(FAMILY_1TR6, &present.first[FAMILY_1TR6]);
    helpfunc_get_firmware_vers(FAMILY_DSS1, &present.first[FAMILY_DSS1]);
    return present;
}

bool rconfig_unconfigured(const RouterSettings& settings)
{
    return settings.name[0] == '\0';
}

RConfigFill rconfig_fill(const RouterSettings& settings, const RConfigFirmware& present)
{
    const bool a = has(present, FAMILY_1TR6);
    const bool b = has(present, FAMILY_DSS1);

    RConfigFill fill;
    fill.name = settings.name;
    fill.netmask = settings.netmask;
    fill.phone = settings.phone;
    fill.menu_sensitive = a || b;
    fill.sensitive_1tr6 = a;
    fill.sensitive_euro = b;
    fill.sensitive_permanent = a || b;
    if (rconfig_unconfigured(settings)) {
        // It takes its mode from the image it is given, so it is offered
        // the family that has images.
        const int family = a && !b ? FAMILY_1TR6 : FAMILY_DSS1;
        fill.permanent_family = family;
        fill.shown_button = family == FAMILY_1TR6 ? RCONFIG_BUTTON_1TR6 : RCONFIG_BUTTON_EURO;
        fill.version = present.first[family];
    } else {
        fill.permanent_family = family_of_mode(settings.isdn_mode);
        fill.shown_button = button_of(settings.isdn_mode, settings.line_type);
        fill.version = settings.firmware;
    }
    return fill;
}

RConfigFill rconfig_fill_with_images(const RouterSettings& settings)
{
    return rconfig_fill(settings, rconfig_firmware_present());
}

int rconfig_button_family(int button, int permanent_family)
{
    if (button == RCONFIG_BUTTON_1TR6)
        return FAMILY_1TR6;
    if (button == RCONFIG_BUTTON_EURO)
        return FAMILY_DSS1;
    return family_of_mode(permanent_family);
}

std::string rconfig_version_for_family(const RouterSettings& current, int family,
                                       const RConfigFirmware& present)
{
    family = family_of_mode(family);
    if (!rconfig_unconfigured(current) && family == family_of_mode(current.isdn_mode))
        return current.firmware;
    return present.first[family];
}

std::string rconfig_version_for_button(const RouterSettings& current, int button,
                                       int permanent_family)
{
    return rconfig_version_for_family(current, rconfig_button_family(button, permanent_family),
                                      rconfig_firmware_present());
}

void rconfig_settings_for_open(const char* selected_name, RouterSettings* current)
{
    if (current != nullptr && !resolves(selected_name))
        *current = router_defaults;
}

// ------------------------------------------------------------ reading ---

namespace {

bool differ(const char* a, const char* b)
{
    return std::strcmp(a, b) != 0;
}

}  // namespace

RouterSettings rconfig_read(const RConfigInput& input)
{
    RouterSettings s{};
    store(s.name, del_white_spaces(input.name.c_str()));
    store(s.netmask, del_white_spaces(input.netmask.c_str()));
    store(s.phone, del_white_spaces(input.phone.c_str()));
    s.isdn_mode =
        static_cast<uint8_t>(rconfig_button_family(input.shown_button, input.permanent_family));
    s.line_type = static_cast<uint8_t>(line_type_of(input.shown_button));
    store(s.firmware, input.version);
    // The password buffer holds at most PASSWORD_LEN characters, and the
    // router uses no more.
    myutil_copy_text(s.password, input.password.c_str());
    s.exclusive = input.exclusive ? 1 : 0;
    return s;
}

// ----------------------------------------------------------- checking ---

RConfigCheck rconfig_check_settings(const RouterSettings& current, const RouterSettings& proposal)
{
    if (!resolves(proposal.name))
        return {MSG_BAD_ADDRESS, RCONFIG_FIELD_NAME};
    if (!resolves(proposal.netmask))
        return {MSG_BAD_MASK, RCONFIG_FIELD_NETMASK};
    if (!phone_of_router(proposal.phone))
        return {MSG_BAD_PHONE, RCONFIG_FIELD_PHONE};
    if (proposal.firmware[0] == '\0')
        return {MSG_NO_FIRMWARE_FILE, RCONFIG_FIELD_NONE};

    if (differ(proposal.firmware, current.firmware) || proposal.isdn_mode != current.isdn_mode ||
        proposal.line_type != current.line_type)
        return {RCONFIG_CHANGE_FIRMWARE, RCONFIG_FIELD_NONE};

    const bool password =
        differ(proposal.password, current.password) || proposal.exclusive != current.exclusive;
    const bool settings = differ(proposal.name, current.name) ||
                          differ(proposal.netmask, current.netmask) ||
                          differ(proposal.phone, current.phone);
    if (password && settings)
        return {RCONFIG_CHANGE_BOTH, RCONFIG_FIELD_NONE};
    if (password)
        return {RCONFIG_CHANGE_PASSWORD, RCONFIG_FIELD_NONE};
    if (settings)
        return {RCONFIG_CHANGE_SETTINGS, RCONFIG_FIELD_NONE};
    return {RCONFIG_NO_CHANGE, RCONFIG_FIELD_NONE};
}

RConfigCheck rconfig_check(const RouterSettings& current, const RConfigInput& input,
                           RouterSettings* proposal)
{
    // A text too long for the record is read as empty, which the check
    // refuses with that field's message.
    RouterSettings read = rconfig_read(input);
    if (proposal != nullptr)
        *proposal = read;
    return rconfig_check_settings(current, read);
}

// --------------------------------------------------- the subnet question ---

bool rconfig_outside_network(const char* name, const char* netmask, uint32_t my_ip)
{
    const uint32_t mask = myutil_get_host_addr(netmask);
    const uint32_t address = myutil_get_host_addr(name);
    return (address & mask) != (my_ip & mask);
}

bool rconfig_needs_subnet_question(const RouterSettings& proposal)
{
    return rconfig_outside_network(proposal.name, router_defaults.netmask, myutil_get_my_ip());
}

// ----------------------------------------------------------- applying ---

RConfigPlan rconfig_plan(const RouterSettings& current, const RouterSettings& proposal, int change)
{
    RConfigPlan plan{change, RCONFIG_TABLES_NONE, false};
    if (rconfig_unconfigured(current)) {
        // It has no tables to keep, and only an image can give it settings.
        plan.change = RCONFIG_CHANGE_FIRMWARE;
        return plan;
    }
    if (plan.change == RCONFIG_CHANGE_FIRMWARE) {
        // A router put on another permanent connection starts with empty
        // tables; one that keeps its type, permanent or not, keeps them,
        // since the reset before the download drops what the router holds.
        const bool new_permanent =
            proposal.line_type != 0 && proposal.line_type != current.line_type;
        plan.tables = new_permanent ? RCONFIG_TABLES_EMPTY : RCONFIG_TABLES_EDITED;
        return plan;
    }
    plan.reboot_warning =
        plan.change == RCONFIG_CHANGE_SETTINGS || plan.change == RCONFIG_CHANGE_BOTH;
    return plan;
}
