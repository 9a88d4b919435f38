#include "unknown_protocols_notice.h"

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

bool unknown_notice_is_standard(UnknownDefinitions definitions, bool saved)
{
    return definitions == UnknownDefinitions::Written && saved;
}

std::string unknown_protocols_notice(UnknownDefinitions definitions, bool saved)
{
    std::string text = added_text(definitions == UnknownDefinitions::NoneToWrite
                                      ? AddedText::UnknownProtocolsHeadAlone
                                      : AddedText::UnknownProtocolsHead);
    text += '\n';
    switch (definitions) {
    case UnknownDefinitions::Written:
        text += text_format("%s\n%s", added_text(AddedText::DefinitionsSaved), PROTO_ADD_FILE);
        break;
    case UnknownDefinitions::NoneToWrite:
        text += added_text(AddedText::NoDefinitions);
        break;
    case UnknownDefinitions::Failed:
        text += text_format("%s\n%s", added_text(AddedText::DefinitionsNotSaved), PROTO_ADD_FILE);
        break;
    }
    text += '\n';
    text += text_format(
        "%s\n%s", added_text(saved ? AddedText::ConnectionsSaved : AddedText::ConnectionsNotSaved),
        CFG_EMERGENCY_PATH);
    return text;
}
