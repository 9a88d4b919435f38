// The router settings dialog ("RConfigDialog"): what its fields and buttons
// show for a router's settings, the settings its fields stand for, the check
// of a proposal against the current settings with the kind of change it
// asks for, the question about an address outside the local network, and
// what OK then sends.
//
// Opening (main window's "Router"):
//     rconfig_settings_for_open(selected name, &current);
//     RConfigFill f = rconfig_fill_with_images(current);
//     (helpfunc_set_rconfig_data moves f into the widgets)
// A button of "RISDNMode" (actions 0-4):
//     "RVersionText" := rconfig_version_for_button(current, button, f.permanent_family)
// OK (action 10):
//     RouterSettings proposal;
//     RConfigCheck c = rconfig_check(current, input read from the widgets, &proposal);
//     c.code > 0: message c.code as an error, focus to c.focus; stay open
//     c.code == 0: close
//     else if rconfig_needs_subnet_question(proposal): "Question2Dialog"
//     else apply rconfig_plan(current, c.code) with the proposal
// Completion callbacks read the dialog with rconfig_read().
#pragma once

#include <cstdint>
#include <string>

#include "records.h"

// The buttons of the option menu "RISDNMode", by their action codes.
enum RConfigButton : int {
    RCONFIG_BUTTON_1TR6 = 0,   // "ISDN_1TR6" "1TR6 (national)": family 0, no permanent connection
    RCONFIG_BUTTON_EURO = 1,   // "ISDN_EURO" "DSS1 (international)": family 1, none
    RCONFIG_BUTTON_FV64S = 2,  // "ISDN_TYP_0_4" "Digital FV64S": line type 1
    RCONFIG_BUTTON_FVS01 = 3,  // "ISDN_TYP_2_11" "Digital FVS01": line type 2
    RCONFIG_BUTTON_FVS02 = 4,  // "ISDN_TYP_2_12" "Digital FVS02": line type 3
};

// The field a failed check moves the keyboard focus to.
enum RConfigField : int {
    RCONFIG_FIELD_NONE = 0,  // the focus stays where it is
    RCONFIG_FIELD_NAME,      // "RNameText"
    RCONFIG_FIELD_NETMASK,   // "RNetmaskText"
    RCONFIG_FIELD_PHONE,     // "RPhoneText"
};

// The kinds of change a passed check finds.
enum RConfigChange : int {
    RCONFIG_NO_CHANGE = 0,         // nothing to send; close the dialog
    RCONFIG_CHANGE_PASSWORD = -1,  // password or exclusive flag: highstate_set_password
    RCONFIG_CHANGE_SETTINGS = -2,  // name, netmask or phone: highstate_put_router_data
    RCONFIG_CHANGE_BOTH = -3,      // both: the password first, the settings from its callback
    RCONFIG_CHANGE_FIRMWARE = -4,  // version, ISDN mode or line type: interface_firmwaredownload
};

// The result of a check: a message index (MessageIndex) when an input is
// wrong, else an RConfigChange; and where the focus goes.
struct RConfigCheck {
    int code;
    RConfigField focus;
};

// ------------------------------------------------------------ filling ---

// The first offered version of each family ("" when the family has no
// image), which decides what the option menu offers.
struct RConfigFirmware {
    std::string first[2];  // [0] "fw_1tr6.", [1] "fw_dss1."
};

// The same from the data directory (firmware_versions.h).
RConfigFirmware rconfig_firmware_present();

// What the dialog shows for a router's settings.
struct RConfigFill {
    std::string name;          // "RNameText"
    std::string netmask;       // "RNetmaskText"
    std::string phone;         // "RPhoneText"
    bool menu_sensitive;       // "RISDNMode" and "RChangeFirmware": any image at all
    bool sensitive_1tr6;       // "ISDN_1TR6": an image of family 0
    bool sensitive_euro;       // "ISDN_EURO": an image of family 1
    bool sensitive_permanent;  // the three permanent-connection buttons
    int permanent_family;      // their user data: 0 or 1
    int shown_button;          // RConfigButton the option menu shows
    std::string version;       // "RVersionText"
};

// Whether settings belong to a router without configuration (empty name).
bool rconfig_unconfigured(const RouterSettings& settings);

// The fill table. A router without configuration is offered the family that
// has images (DSS1 when both or none have) with its first version; a
// configured router shows its own mode, line type and firmware, even when no
// image of its family is present. A mode other than 0 counts as DSS1 and a
// line type outside 1 to 3 as none.
RConfigFill rconfig_fill(const RouterSettings& settings, const RConfigFirmware& present);

// rconfig_fill with the images of the data directory.
RConfigFill rconfig_fill_with_images(const RouterSettings& settings);

// The family a button stands for: 0 and 1 for the two plain buttons, the
// permanent buttons' user data for the others.
int rconfig_button_family(int button, int permanent_family);

// "RVersionText" after a button of the option menu was chosen: the current
// firmware when the router is configured and the button is of its own
// family, else the first version of the button's family ("" when none).
std::string rconfig_version_for_family(const RouterSettings& current, int family,
                                       const RConfigFirmware& present);

// The same with the images of the data directory.
std::string rconfig_version_for_button(const RouterSettings& current, int button,
                                       int permanent_family);

// The current settings the dialog opens with: a copy of router_defaults
// when the selected router's name (its list name) does not resolve, such as
// the "---------" of a router without configuration; else unchanged.
void rconfig_settings_for_open(const char* selected_name, RouterSettings* current);

// ------------------------------------------------------------ reading ---

// The dialog as its widgets and the password dialog hold it.
struct RConfigInput {
    std::string name;      // "RNameText", as typed
    std::string netmask;   // "RNetmaskText"
    std::string phone;     // "RPhoneText"
    int shown_button;      // RConfigButton the option menu shows
    int permanent_family;  // user data of the permanent buttons
    std::string version;   // "RVersionText", taken unchanged
    std::string password;  // the buffer of "SetPWDialog"
    bool exclusive;        // "SetPWExclusivToggle"
};

// The settings the dialog stands for (helpfunc_get_rconfig_data, from the
// widgets' texts): the three texts trimmed of blanks and tabs, mode and line
// type from the shown button, version, password and flag. A text longer
// than its field in the record is left empty there (a cut name or version
// names something else), which the check refuses.
RouterSettings rconfig_read(const RConfigInput& input);

// ----------------------------------------------------------- checking ---

// The check of a proposal against the current settings; first failure wins:
//   name does not resolve (also "0.0.0.0")     16, focus name
//   netmask does not resolve                   22, focus netmask
//   phone not digits only (no final "s")       18, focus phone
//   firmware empty                             30, focus unchanged
//   firmware, ISDN mode or line type differ    -4
//   password/flag and name/netmask/phone differ -3; only the first -1; only the second -2; else 0
RConfigCheck rconfig_check_settings(const RouterSettings& current, const RouterSettings& proposal);

// Reads the input into *proposal and checks it; a text too long for the
// record is refused with its field's message and focus (the version with
// 30).
RConfigCheck rconfig_check(const RouterSettings& current, const RConfigInput& input,
                           RouterSettings* proposal);

// --------------------------------------------------- the subnet question ---

// Whether the address of `name` lies outside this host's network under
// `netmask` (both texts resolved with myutil_get_host_addr).
bool rconfig_outside_network(const char* name, const char* netmask, uint32_t my_ip);

// Asked before any change is applied ("Question2Dialog"): the netmask of
// router_defaults, as the netmask probe left it, and myutil_get_my_ip().
bool rconfig_needs_subnet_question(const RouterSettings& proposal);

// ----------------------------------------------------------- applying ---

// The tables a firmware download carries.
enum RConfigTables : int {
    RCONFIG_TABLES_NONE = 0,    // three null tables: the image carries the settings only
    RCONFIG_TABLES_EMPTY = 1,   // list_object_instance three times: reset, then no tables
    RCONFIG_TABLES_EDITED = 2,  // main_line_list, main_route_list, main_filter_list
};

// What OK (or Yes of "Question2Dialog") sends for a change of kind `change`
// (a negative result of the check). A download carries no tables for a
// router without configuration, empty tables when the proposal puts the
// router on another permanent-connection type (1 to 3), and the edited
// tables otherwise; with tables the router is reset first.
struct RConfigPlan {
    int change;           // the kind applied: a router without configuration always -4
    int tables;           // RConfigTables, for -4
    bool reboot_warning;  // show message 3 as a warning (at x 100) after sending
};

RConfigPlan rconfig_plan(const RouterSettings& current, const RouterSettings& proposal, int change);
