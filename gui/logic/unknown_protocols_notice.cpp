#include "unknown_protocols_notice.h"

#include <cstring>

#include "config_file.h"
#include "list.h"
#include "message_tables.h"
#include "protocols.h"
#include "records.h"

namespace {

constexpr uint32_t X75_CODE = 1;

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

bool unknown_notice_is_standard(UnknownDefinitions definitions, bool saved, const char* add_name,
                                const char* save_name)
{
    return definitions == UnknownDefinitions::Written && saved &&
           std::strcmp(add_name, PROTO_ADD_FILE) == 0 &&
           std::strcmp(save_name, CFG_EMERGENCY_PATH) == 0;
}

std::string unknown_protocols_notice(UnknownDefinitions definitions, bool saved,
                                     const char* add_name, const char* save_name)
{
    std::string text = added_text(definitions == UnknownDefinitions::NoneToWrite
                                      ? AddedText::UnknownProtocolsHeadAlone
                                      : AddedText::UnknownProtocolsHead);
    text += '\n';
    switch (definitions) {
    case UnknownDefinitions::Written:
        text += text_format("%s\n%s", added_text(AddedText::DefinitionsSaved), add_name);
        break;
    case UnknownDefinitions::NoneToWrite:
        text += added_text(AddedText::NoDefinitions);
        break;
    case UnknownDefinitions::Failed:
        text += text_format("%s\n%s", added_text(AddedText::DefinitionsNotSaved), add_name);
        break;
    }
    text += '\n';
    text += text_format(
        "%s\n%s", added_text(saved ? AddedText::ConnectionsSaved : AddedText::ConnectionsNotSaved),
        save_name);
    return text;
}
