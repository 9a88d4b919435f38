#include "globals.h"

#include <cstring>

#include "myutil.h"

int English = 1;
const char* EnvVarName = "QORVEL_LANG";
int ASCIIProgram = ASCII_OP_NONE;
std::string ASCIIFileName;
std::string ASCIIRouterIP;
int ASCIIReset = 0;
FILE* ASCIIOutFile = stdout;
int ASCIIExit = 0;
int ASCIIExitStatus = 0;

int ASCIIRouterOVF = 0;
int ASCIIFinishedOpen = 0;
int ASCIICloseRouter = 0;
int ASCIILoadF = 0;
int ASCIIAccCBF = 0;
int ASCIILineMonitorF = 0;
int ASCIISaveConfigF = 0;

std::string ASCIIRouterName;
std::string ASCIINetzMaske;
std::string ASCIIRTN;
std::string ASCIIFirmWare;
int ASCIIOpModeNb = 0;
const char* ASCIIOpMode = "";
int ASCIIHardConn = 0;
int ASCIINbLines = 0;
int ASCIINbRoutes = 0;
int ASCIINbFilter = 0;
uint16_t ASCIIPasswdKey = 0;
uint16_t ASCIISeqNb = 0;
int ASCIIPasswdReq = 0;
std::string ASCIIPasswd;

int ASCIINbR = 0;
uint32_t ASCIIRouterIPs[ASCII_MAX_ROUTERS];
uint8_t ASCIIRouterHWs[ASCII_MAX_ROUTERS][ASCII_HW_SLOT];
uint32_t ASCIIRouterExc[ASCII_MAX_ROUTERS];
uint8_t ASCIIRouterHW[ASCII_HW_SLOT];
int ASCIIExclusiv = 0;
uint8_t ASCIIRouterConfig = 1;

ListObject* main_line_list = nullptr;
ListObject* main_route_list = nullptr;
ListObject* main_filter_list = nullptr;
ListObject* main_line_list_copy = nullptr;
ListObject* main_route_list_copy = nullptr;
ListObject* main_filter_list_copy = nullptr;
int ASCIIError = 0;

std::optional<RouterState> ASCIIROVData;
ListObject* ASCIIAccData = nullptr;
std::optional<LineMonitorData> ASCIILMData;

int ASCIIWaitState = 0;
int ASCIIRouterNameC = 0;
int ASCIINetzMaskeC = 0;
int ASCIIRTNC = 0;
int ASCIIOpModeC = 0;
int ASCIIHardConnC = 0;
int ASCIIFirmWareC = 0;
std::string ASCIIPassword;
int ASCIIPasswordC = 0;
int ASCIIExclusivC = 0;
std::vector<std::string> ASCIIFWS0;
std::vector<std::string> ASCIIFWS1;
std::vector<std::string> ASCIIFirmWareStrings;
int ASCIINbFirmWare = 0;

int ASCIIDoDownLoad = 0;
int ASCIIDoPassword = 0;
int ASCIIDoConfig = 0;
int ASCIIDoDownLoadF = 1;
int ASCIIDoPasswordF = 1;
int ASCIIDoConfigF = 1;
int ASCIIDLInP = 0;

void ASCIIFail()
{
    ASCIIExit = 1;
    ASCIIExitStatus = 1;
}

int ASCIIFindRouter(uint32_t address)
{
    for (int i = 0; i < ASCIINbR; ++i)
        if (ASCIIRouterIPs[i] == address)
            return i;
    return -1;
}

void ASCIIBuildRouterRecord(RouterSettings* record)
{
    std::memset(record, 0, sizeof *record);
    myutil_copy_text(record->name, ASCIIRouterName.c_str());
    myutil_copy_text(record->netmask, ASCIINetzMaske.c_str());
    myutil_copy_text(record->phone, ASCIIRTN.c_str());
    record->isdn_mode = static_cast<uint8_t>(ASCIIOpModeNb);
    myutil_copy_text(record->firmware, ASCIIFirmWare.c_str());
    record->line_type = static_cast<uint8_t>(ASCIIHardConn);
}

void ASCIIResetGlobals()
{
    English = 1;
    ASCIIProgram = ASCII_OP_NONE;
    ASCIIFileName.clear();
    ASCIIRouterIP.clear();
    ASCIIReset = 0;
    ASCIIOutFile = stdout;
    ASCIIExit = 0;
    ASCIIExitStatus = 0;

    ASCIIRouterOVF = 0;
    ASCIIFinishedOpen = 0;
    ASCIICloseRouter = 0;
    ASCIILoadF = 0;
    ASCIIAccCBF = 0;
    ASCIILineMonitorF = 0;
    ASCIISaveConfigF = 0;

    ASCIIRouterName.clear();
    ASCIINetzMaske.clear();
    ASCIIRTN.clear();
    ASCIIFirmWare.clear();
    ASCIIOpModeNb = 0;
    ASCIIOpMode = "";
    ASCIIHardConn = 0;
    ASCIINbLines = ASCIINbRoutes = ASCIINbFilter = 0;
    ASCIIPasswdKey = ASCIISeqNb = 0;
    ASCIIPasswdReq = 0;
    ASCIIPasswd.clear();

    ASCIINbR = 0;
    std::memset(ASCIIRouterIPs, 0, sizeof ASCIIRouterIPs);
    std::memset(ASCIIRouterHWs, 0, sizeof ASCIIRouterHWs);
    std::memset(ASCIIRouterExc, 0, sizeof ASCIIRouterExc);
    std::memset(ASCIIRouterHW, 0, sizeof ASCIIRouterHW);
    ASCIIExclusiv = 0;
    ASCIIRouterConfig = 1;

    main_line_list = main_route_list = main_filter_list = nullptr;
    main_line_list_copy = main_route_list_copy = main_filter_list_copy = nullptr;
    ASCIIError = 0;

    ASCIIROVData.reset();
    ASCIIAccData = nullptr;
    ASCIILMData.reset();

    ASCIIWaitState = 0;
    ASCIIRouterNameC = ASCIINetzMaskeC = ASCIIRTNC = 0;
    ASCIIOpModeC = ASCIIHardConnC = ASCIIFirmWareC = 0;
    ASCIIPassword.clear();
    ASCIIPasswordC = ASCIIExclusivC = 0;
    ASCIIFWS0.clear();
    ASCIIFWS1.clear();
    ASCIIFirmWareStrings.clear();
    ASCIINbFirmWare = 0;

    ASCIIDoDownLoad = ASCIIDoPassword = ASCIIDoConfig = 0;
    ASCIIDoDownLoadF = ASCIIDoPasswordF = ASCIIDoConfigF = 1;
    ASCIIDLInP = 0;
}
