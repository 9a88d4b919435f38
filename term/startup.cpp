#include "startup.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "defaults_file.h"
#include "firmware_list.h"
#include "globals.h"
#include "highstate.h"
#include "host_services.h"
#include "myutil.h"
#include "netmask_probe.h"
#include "protocols.h"
#include "record_defaults.h"
#include "records.h"
#include "textfile.h"
#include "texts.h"

namespace {
constexpr size_t HOSTNAME_SIZE = 61;  // this host's name: 60 bytes and the terminator
}

uint32_t ASCIIBroadcastAddress(uint32_t address, uint32_t netmask)
{
    if (address == 0 || netmask == 0)
        return 0xFFFFFFFFu;
    return address | ~netmask;
}

void ASCIIInitConfig()
{
    file_echo_errors = 1;
    int resolving = 1;

    char hostname[HOSTNAME_SIZE] = "";
    myutil_get_my_hostname(hostname, sizeof hostname);
    myutil_fill_default_structs();
    helpfunc_get_netmask(&router_defaults);

    uint32_t address = myutil_get_host_addr(hostname);
    uint32_t netmask = myutil_get_host_addr(router_defaults.netmask);
    file_read_config_file(&address, &netmask, &resolving);
    myutil_set_config(address, netmask, resolving);
    uint32_t broadcast = ASCIIBroadcastAddress(address, netmask);

    int line = 0;
    int column = 0;
    if (file_read_protocols(&line, &column) == 0) {
        std::fflush(stdout);
        std::printf(ASCIIMsg("syntax error in protocol file: line: %d column: %d\n",
                             "Fehler beim Lesen der Protokoll Datei: Zeile: %d Spalte: %d\n"),
                    line, column);
        std::exit(1);
    }
    if (highstate_init(main_error, broadcast) != 0) {
        std::fputs(
            ASCIIMsg("Error: Port in use. Can not connect to Router\n",
                     "Fehler: Port belegt. Verbindung zum Router kann nicht aufgebeut werden\n"),
            stderr);
        std::exit(1);
    }
}

std::vector<std::string> ASCII_get_firmware_list(int mode)
{
    std::vector<std::string> versions;
    if (mode != 0 && mode != 1)
        return versions;
    char** names = nullptr;
    int count = helpfunc_scandir(firmware_list_prefix(mode), &names);
    if (names == nullptr)
        return versions;
    for (int i = 0; i < count && i < FIRMWARE_LIST_MAX && names[i] != nullptr; ++i) {
        size_t length = std::strlen(names[i]);
        // A version that a router record cannot hold whole would name
        // another image after the patch.
        if (length > 0 && length <= static_cast<size_t>(FIRMWARE_LEN) &&
            versions.size() < static_cast<size_t>(ASCII_MAX_FIRMWARE))
            versions.emplace_back(names[i]);
    }
    for (int i = 0; i <= FIRMWARE_LIST_MAX && names[i] != nullptr; ++i)
        std::free(names[i]);
    std::free(names);
    return versions;
}
