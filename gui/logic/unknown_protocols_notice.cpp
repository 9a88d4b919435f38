#include "unknown_protocols_notice.h"

#include "config_file.h"
#include "list.h"
#include "messages.h"
#include "protocols.h"
#include "records.h"

namespace {

constexpr uint32_t X75_CODE = 1;

struct NoticeTexts {
    const char* head;        // continued by the sentence on the definitions
    const char* head_alone;
    const char* written;
    const char* none;
    const char* failed;
    const char* saved;
    const char* not_saved;
};

const NoticeTexts ENGLISH = {
    "The Router Contains Unknown Protocols. The",
    "The Router Contains Unknown Protocols.",
    "Definitions Of These Protocols Are Saved In",
    "No Definitions Can Be Made For These Protocols",
    "Definitions Of These Protocols Could Not Be Saved In",
    "All Connections With Known Protocols Are Saved In",
    "All Connections With Known Protocols Could Not Be Saved In",
};

const NoticeTexts GERMAN = {
    "Der Router enth\344lt unbekannte Protokolle. Die",
    "Der Router enth\344lt unbekannte Protokolle.",
    "Definitionen dieser Protokolle sind gesichert in",
    "F\374r diese Protokolle lassen sich keine Definitionen anlegen",
    "Definitionen dieser Protokolle konnten nicht gesichert werden in",
    "Alle Verbindungen mit bekannten Protokollen sind gesichert in",
    "Alle Verbindungen mit bekannten Protokollen konnten nicht gesichert werden in",
};

// The back end writes a definition only for x75 parameters that make one.
bool makes_definition(const LineTarget& target)
{
    if (target.proto2 != nullptr || target.proto2_code != X75_CODE)
        return false;
    const Proto2Params& p = target.proto2_params;
    return (p.modulo == 8 || p.modulo == 128) && p.windowsize > 0 && p.windowsize < p.modulo;
}

}  // namespace

UnknownDefinitions unknown_definitions_outcome(const ListObject* lines, bool write_ok)
{
    if (!write_ok)
        return UnknownDefinitions::Failed;
    for (const ListNode* n = lines != nullptr ? lines->head : nullptr; n != nullptr; n = n->next) {
        if (n->element != nullptr && makes_definition(*static_cast<const LineTarget*>(n->element)))
            return UnknownDefinitions::Written;
    }
    return UnknownDefinitions::NoneToWrite;
}

bool unknown_notice_is_standard(UnknownDefinitions definitions, bool saved)
{
    return definitions == UnknownDefinitions::Written && saved;
}

std::string unknown_protocols_notice(UnknownDefinitions definitions, bool saved)
{
    const NoticeTexts& t = messages == g_messages ? GERMAN : ENGLISH;
    std::string text = definitions == UnknownDefinitions::NoneToWrite ? t.head_alone : t.head;
    text += '\n';
    switch (definitions) {
    case UnknownDefinitions::Written:
        text += text_format("%s\n%s", t.written, PROTO_ADD_FILE);
        break;
    case UnknownDefinitions::NoneToWrite:
        text += t.none;
        break;
    case UnknownDefinitions::Failed:
        text += text_format("%s\n%s", t.failed, PROTO_ADD_FILE);
        break;
    }
    text += '\n';
    text += text_format("%s\n%s", saved ? t.saved : t.not_saved, CFG_EMERGENCY_PATH);
    return text;
}
