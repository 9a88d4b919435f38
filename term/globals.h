// The terminal program's shared state: command-line values, the exit flag,
// the progress flags that the completion callbacks raise and the driver
// clears, the open router's values, the router table of a scan, the tables
// read from the router and the values of the router-settings dialogue.
//
// One thread: callbacks run inside the polls of the main loop, the driver
// between them, so nothing here needs locking.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "records.h"

struct ListObject;

// ------------------------------------------------------------ limits ---

constexpr int ASCII_MAX_ROUTERS = 10240;                  // entries of the router table
constexpr int ASCII_HW_SLOT = 7;                          // hardware address: 6 bytes and a 0 byte
constexpr int ASCII_MAX_FIRMWARE = 1023;                  // versions of one firmware list
constexpr const char* ASCII_SAVE_FILE = "/tmp/save.cfg";  // emergency copy of the tables

// Operations chosen on the command line (ASCIIProgram).
enum : int {
    ASCII_OP_NONE = 0,
    ASCII_OP_ROV = 1,
    ASCII_OP_ACCOUNTING = 2,
    ASCII_OP_LINEMONITOR = 3,
    ASCII_OP_LINETARGET = 4,
    ASCII_OP_ROUTERCONFIG = 5,
    ASCII_OP_SAVECONFIG = 6,
};

// ---------------------------------------------- command line and output ---

extern int English;                // message language: 1 English, 0 German
extern const char* EnvVarName;     // "QORVEL_LANG"
extern int ASCIIProgram;           // ASCII_OP_*
extern std::string ASCIIFileName;  // word after -f; empty: none given
extern std::string ASCIIRouterIP;  // word after -ip; empty: none given
extern int ASCIIReset;             // 1 when -reset was given
extern FILE* ASCIIOutFile;         // report stream: standard output or the -f file
extern int ASCIIExit;              // exit flag: the main loop ends when it is non-zero
extern int ASCIIExitStatus;  // status of an end through the exit flag: 0, or 1 after a failure

// Ends the run through the exit flag with status 1.
void ASCIIFail();

// ------------------------------------------------------ progress flags ---

extern int ASCIIRouterOVF;     // 1 a scan or state answer taken; -1 the query ended
extern int ASCIIFinishedOpen;  // 1 accepted, 2 password wanted, -1 failed, 0 nothing pending
extern int ASCIICloseRouter;   // 1 once a router has been opened
extern int ASCIILoadF;         // 1 the three tables have been read; -1 that failed
extern int ASCIIAccCBF;        // 1 the accounting list has arrived
extern int ASCIILineMonitorF;  // 1 a line-monitor report has arrived
extern int ASCIISaveConfigF;   // 1 the tables have been written into the router

// ---------------------------------------------------- the open router ---

extern std::string ASCIIRouterName;  // name or address text of the router
extern std::string ASCIINetzMaske;   // its netmask text
extern std::string ASCIIRTN;         // its telephone number
extern std::string ASCIIFirmWare;    // its firmware version
extern int ASCIIOpModeNb;            // ISDN mode: 0 1TR6, 1 DSS1
extern const char* ASCIIOpMode;      // the text of that mode
extern int ASCIIHardConn;            // permanent-connection type 0-3
extern int ASCIINbLines;             // sizes of the router's three tables
extern int ASCIINbRoutes;
extern int ASCIINbFilter;
extern uint16_t ASCIIPasswdKey;  // challenge of the password request
extern uint16_t ASCIISeqNb;      // sequence number of the password request
extern int ASCIIPasswdReq;       // 1 once the router asked for a password
extern std::string ASCIIPasswd;  // the password typed to open the router

// ------------------------------------------------------- router table ---

extern int ASCIINbR;                                // entries in use
extern uint32_t ASCIIRouterIPs[ASCII_MAX_ROUTERS];  // address, 0 without configuration
extern uint8_t ASCIIRouterHWs[ASCII_MAX_ROUTERS][ASCII_HW_SLOT];  // hardware addresses
extern uint32_t ASCIIRouterExc[ASCII_MAX_ROUTERS];                // holding station, 0 when free

// Index of `address` among the entries in use, or -1.
int ASCIIFindRouter(uint32_t address);

extern uint8_t ASCIIRouterHW[ASCII_HW_SLOT];  // hardware address of the chosen router
extern int ASCIIExclusiv;                     // 1 the chosen router is held by a station
extern uint8_t ASCIIRouterConfig;             // 1 the router has a configuration, 0 none

// ------------------------------------------------------------- tables ---

extern ListObject* main_line_list;  // tables read from the router (they belong to the program)
extern ListObject* main_route_list;
extern ListObject* main_filter_list;
extern ListObject* main_line_list_copy;  // linetarget: the tables as the router holds them
extern ListObject* main_route_list_copy;
extern ListObject* main_filter_list_copy;
extern int ASCIIError;  // result of loading the configuration file

// -------------------------------------------------- copies for reports ---

extern std::optional<RouterState> ASCIIROVData;     // state answer not yet printed
extern ListObject* ASCIIAccData;                    // line targets with counters, or null
extern std::optional<LineMonitorData> ASCIILMData;  // line-monitor report not yet printed

// ------------------------------------------- router-settings dialogue ---

extern int ASCIIWaitState;    // dialogue state: 0 none, 1-3 and 5-13
extern int ASCIIRouterNameC;  // change marks of the dialogue's values
extern int ASCIINetzMaskeC;
extern int ASCIIRTNC;
extern int ASCIIOpModeC;
extern int ASCIIHardConnC;
extern int ASCIIFirmWareC;
extern std::string ASCIIPassword;  // the new password; empty: none entered
extern int ASCIIPasswordC;
extern int ASCIIExclusivC;
extern std::vector<std::string> ASCIIFWS0;             // firmware versions of the 1TR6 family
extern std::vector<std::string> ASCIIFWS1;             // ... of the DSS1 family
extern std::vector<std::string> ASCIIFirmWareStrings;  // the list of the current mode
extern int ASCIINbFirmWare;                            // its number of entries

extern int ASCIIDoDownLoad;  // actions the save needs
extern int ASCIIDoPassword;
extern int ASCIIDoConfig;
extern int ASCIIDoDownLoadF;  // done flags of the actions (1 done or not due)
extern int ASCIIDoPasswordF;
extern int ASCIIDoConfigF;
extern int ASCIIDLInP;  // 1 from the confirmed save until the download is done

// Fills a router record from the open router's values (name, netmask and
// telephone number cut to 20 characters, firmware to 9); the password and
// the exclusive flag stay empty.
void ASCIIBuildRouterRecord(RouterSettings* record);

// Puts every global above back to its initial value (the tables are only
// forgotten, not freed).
void ASCIIResetGlobals();
