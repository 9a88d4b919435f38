#include "unknown_protocols_notice.h"

#include "dialog_fixture.h"
#include "message_tables.h"
#include "record_defaults.h"

namespace {

class UnknownProtocolsNoticeTest : public DialogLogicTest {
protected:
    void TearDown() override
    {
        messages_choose_language(nullptr);
        DialogLogicTest::TearDown();
    }

    // A line target whose layer-2 row is missing, with these parameters.
    static LineTarget unknown(uint32_t code, uint8_t modulo, uint8_t window)
    {
        LineTarget l = line_defaults;
        myutil_copy_text(l.host, "10.1.1.1");
        l.proto2 = nullptr;
        l.proto2_code = code;
        l.proto2_params = {999, 3, 1, modulo, window};
        return l;
    }

    ListObject* lines(std::initializer_list<LineTarget> targets)
    {
        ListObject* list = own(listhelp_new_line_list());
        for (const LineTarget& t : targets)
            list->ops->list_append(list, list->copy(&t));
        return list;
    }
};

TEST_F(UnknownProtocolsNoticeTest, DefinitionsAreClaimedOnlyWhenTheFileGotOne)
{
    LineTarget known = line_defaults;
    myutil_copy_text(known.host, "10.2.2.2");
    const struct {
        const char* name;
        LineTarget target;
        bool write_ok;
        UnknownDefinitions outcome;
    } cases[] = {
        {"x75 with modulo 8", unknown(1, 8, 7), true, UnknownDefinitions::Written},
        {"x75 with modulo 128", unknown(1, 128, 127), true, UnknownDefinitions::Written},
        {"file could not be written", unknown(1, 8, 2), false, UnknownDefinitions::Failed},
        {"window as large as the modulo", unknown(1, 8, 8), true, UnknownDefinitions::NoneToWrite},
        {"window 0", unknown(1, 8, 0), true, UnknownDefinitions::NoneToWrite},
        {"modulo 16", unknown(1, 16, 2), true, UnknownDefinitions::NoneToWrite},
        {"ppp code", unknown(255, 8, 2), true, UnknownDefinitions::NoneToWrite},
        {"every row known", known, true, UnknownDefinitions::NoneToWrite},
    };
    for (const auto& c : cases)
        EXPECT_EQ(unknown_definitions_outcome(lines({known, c.target}), c.write_ok), c.outcome)
            << c.name;
}

TEST_F(UnknownProtocolsNoticeTest, NoticeNamesEachFileAsItFared)
{
    const struct {
        UnknownDefinitions definitions;
        bool saved;
        bool standard;
        const char* text;
    } cases[] = {
        {UnknownDefinitions::Written, true, true,
         "The Router Contains Unknown Protocols. The\nDefinitions Of These Protocols Are Saved In\n"
         "qorvel.add\nAll Connections With Known Protocols Are Saved In\n/tmp/save.cfg"},
        {UnknownDefinitions::Written, false, false,
         "The Router Contains Unknown Protocols. The\nDefinitions Of These Protocols Are Saved In\n"
         "qorvel.add\nAll Connections With Known Protocols Could Not Be Saved In\n/tmp/save.cfg"},
        {UnknownDefinitions::Failed, true, false,
         "The Router Contains Unknown Protocols. The\nDefinitions Of These Protocols Could Not Be "
         "Saved In\nqorvel.add\nAll Connections With Known Protocols Are Saved In\n/tmp/save.cfg"},
        {UnknownDefinitions::NoneToWrite, false, false,
         "The Router Contains Unknown Protocols.\nNo Definitions Can Be Made For These Protocols\n"
         "All Connections With Known Protocols Could Not Be Saved In\n/tmp/save.cfg"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(unknown_notice_is_standard(c.definitions, c.saved), c.standard) << c.text;
        EXPECT_EQ(unknown_protocols_notice(c.definitions, c.saved), c.text);
    }

    // Files that took names of their own where the usual ones could not be
    // used: the notice names those, and the resource text no longer fits.
    const char* add_name = "/data/qorvel.add.Xy12ab";
    const char* save_name = "/tmp/save.cfg.Ab34cd";
    EXPECT_FALSE(unknown_notice_is_standard(UnknownDefinitions::Written, true, add_name,
                                            CFG_EMERGENCY_PATH));
    EXPECT_FALSE(
        unknown_notice_is_standard(UnknownDefinitions::Written, true, PROTO_ADD_FILE, save_name));
    EXPECT_EQ(unknown_protocols_notice(UnknownDefinitions::Written, true, add_name, save_name),
              "The Router Contains Unknown Protocols. The\nDefinitions Of These Protocols Are "
              "Saved In\n/data/qorvel.add.Xy12ab\nAll Connections With Known Protocols Are Saved "
              "In\n/tmp/save.cfg.Ab34cd");

    messages_choose_language(GERMAN_REGISTER_LABEL);
    EXPECT_EQ(unknown_protocols_notice(UnknownDefinitions::Failed, false),
              "Der Router enth\344lt unbekannte Protokolle. Die\n"
              "Definitionen dieser Protokolle konnten nicht gesichert werden in\nqorvel.add\n"
              "Alle Verbindungen mit bekannten Protokollen konnten nicht gesichert werden in\n"
              "/tmp/save.cfg");
}

}  // namespace
