#include "main_error_rules.h"

#include "dialog_table.h"
#include "message_tables.h"
#include "records.h"

namespace {

// The two windows close with every dialog opened from them. Those whose
// shell lies below theirs go with them; the file dialog and the subnet
// question stand beside them under the top-level shell and are named, or
// they would stay up over the question, working on windows that are gone.
const Dialog QUESTION_CLOSES[] = {Dialog::FileDialog, Dialog::Question2Dialog, Dialog::ConfigDialog,
                                  Dialog::RConfigDialog};

// A dialog left up after the tables are gone would work on freed lists; the
// seven table and router windows come last, in the order they always closed.
constexpr Dialog FAILURE_CLOSES[] = {
    Dialog::PWDialog,       Dialog::FileDialog,    Dialog::Question2Dialog,  Dialog::InputPWDialog,
    Dialog::RepeatPWDialog, Dialog::SetPWDialog,   Dialog::FirmwareDialog,   Dialog::Config2Dialog,
    Dialog::Route2Dialog,   Dialog::Filter2Dialog, Dialog::AccountingDialog, Dialog::LineMon2Dialog,
    Dialog::LineMonDialog,  Dialog::ConfigDialog,  Dialog::RouteDialog,      Dialog::FilterDialog,
    Dialog::RConfigDialog,
};
static_assert(dialogs_match(FAILURE_CLOSES, sizeof FAILURE_CLOSES / sizeof FAILURE_CLOSES[0],
                            [](const DialogRow& row) { return row.closes_on_failure; }),
              "the dialogs closed on a failure are those the dialog table marks so");

}  // namespace

bool main_error_asks_again(int code)
{
    return code == STATUS_TABLE_FULL || code == STATUS_FLASH_ERROR;
}

const Dialog* main_error_question_closes(int* count)
{
    *count = static_cast<int>(sizeof QUESTION_CLOSES / sizeof QUESTION_CLOSES[0]);
    return QUESTION_CLOSES;
}

const Dialog* main_error_closes(int* count)
{
    *count = static_cast<int>(sizeof FAILURE_CLOSES / sizeof FAILURE_CLOSES[0]);
    return FAILURE_CLOSES;
}

namespace {

// A router that stopped answering (no acknowledgement, or no reply in time)
// broke no rule of the protocol, and the message says what happened.
bool no_answer(int code)
{
    return code == STATUS_TIMEOUT || code == STATUS_NO_RESPONSE || code == LOWSTATE_NO_ACK;
}

}  // namespace

std::string main_error_text(int code, EmergencySave save, const char* path, bool partly_written)
{
    bool firmware = code == STATUS_FIRMWARE_FAILED;
    if (no_answer(code)) {
        std::string text = added_text(AddedText::NoAnswer);
        if (partly_written)
            text += std::string("\n") + added_text(AddedText::PartlyWritten);
        if (save == EmergencySave::SAVED)
            text += "\n" + added_format(AddedText::SavedTo, path);
        else if (save == EmergencySave::FAILED)
            text += std::string("\n") + added_text(AddedText::SaveFailed);
        return text;
    }
    if (partly_written) {
        std::string text =
            std::string(message_text(firmware ? MSG_FIRMWARE_FAILED : MSG_PROTOCOL_VIOLATION)) +
            "\n" + added_text(AddedText::PartlyWritten);
        if (save == EmergencySave::SAVED)
            text += "\n" + added_format(AddedText::SavedTo, path);
        else if (save == EmergencySave::FAILED)
            text += std::string("\n") + added_text(AddedText::SaveFailed);
        return text;
    }
    switch (save) {
    case EmergencySave::SAVED:
        return message_format(firmware ? MSG_FIRMWARE_FAILED_SAVED : MSG_PROTOCOL_VIOLATION_SAVED,
                              path);
    case EmergencySave::FAILED:
        return std::string(message_text(firmware ? MSG_FIRMWARE_FAILED : MSG_PROTOCOL_VIOLATION)) +
               "\n" + added_text(AddedText::SaveFailed);
    case EmergencySave::NO_TABLES:
        break;
    }
    return message_text(firmware ? MSG_FIRMWARE_FAILED : MSG_PROTOCOL_VIOLATION);
}

std::string main_error_text_after(const std::string& reason, const std::string& failure_text)
{
    if (reason.empty())
        return failure_text;
    return reason + "\n" + failure_text;
}
