// qorvel-ascii's command line as a user meets it: usage texts in both
// languages, unknown words, options without a sub-command, a report file
// that cannot be written.
#include "test_term_fixture.h"

namespace {

class TermUsage : public TermE2E {};

const std::string usage_head_en =
    "usage:\n\n" + std::string(TERM_PROGRAM) +
    " rov|accounting|linemonitor|linetarget|routerconfig|saveconfig [-f file] [-ip router]\n\n";

TEST_F(TermUsage, NoWordPrintsTheUsageAndFails)
{
    PtySession& s = run({}, false, false);
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1);
    EXPECT_EQ(s.out(), "");
    EXPECT_EQ(s.err().substr(0, usage_head_en.size()), usage_head_en);
    const std::string tail = "       QORVEL_LANG=GERMAN  : german\n";
    EXPECT_EQ(s.err().substr(s.err().size() - tail.size()), tail)
        << "the usage is the last thing written";
}

TEST_F(TermUsage, GermanUsageAfterTheUnknownWord)
{
    PtySession& s = run({"rov", "Rov"}, true, false);
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1);
    EXPECT_EQ(s.out(), "");
    const std::string first =
        std::string(TERM_PROGRAM) + ": Fehler in der Kommandozeile: unbekannter Parameter: Rov\n";
    EXPECT_EQ(s.err().substr(0, first.size()), first);
    EXPECT_NE(
        s.err().find(
            "       Router Uebersicht. Die Ausgabe kann mit -f file in eine Datei umgelenkt\n"),
        std::string::npos);
    EXPECT_NE(s.err().find(
                  "Die Sprache kann ueber die Environment-Variable QORVEL_LANG gesetzt werden.\n"),
              std::string::npos);
}

TEST_F(TermUsage, SaveconfigWithoutFile)
{
    PtySession& s = run({"saveconfig", "-ip", "10.77.0.2"}, false, false);
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1);
    EXPECT_EQ(s.err(), "missing filename to save configuration\n\n" + std::string(TERM_PROGRAM) +
                           " saveconfig -f file [-ip router]\n"
                           "       Load router configuration and write it to file -f file.\n\n");
}

TEST_F(TermUsage, OptionsOnlyRunTheStartUpAndCreateTheReportFile)
{
    TERM_NETWORK_REQUIRE();
    term_write_file(path("report.txt"), "old contents\n");
    PtySession& s = run({"-f", path("report.txt"), "-ip", "10.77.0.2"});
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0);
    EXPECT_EQ(s.err(), "Output directed to " + path("report.txt") + "\nUnknown operating mode\n");
    EXPECT_EQ(s.out(), "");
    EXPECT_EQ(term_read_file(path("report.txt")), "") << "truncated";
}

TEST_F(TermUsage, ReportFileThatCannotBeWrittenIsAFailure)
{
    TERM_NETWORK_REQUIRE();
    PtySession& s = run({"rov", "-f", path("no-such-dir/report.txt")}, true);
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1);
    EXPECT_EQ(s.err(), "Ausgabeumlenkung nach " + path("no-such-dir/report.txt") +
                           "\nFehler: Datei " + path("no-such-dir/report.txt") +
                           " kann nicht geschrieben werden\n");
}

}  // namespace
