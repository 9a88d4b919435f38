#include "download_progress.h"

#include <gtest/gtest.h>

#include "message_tables.h"

namespace {

struct LanguageGuard {
    ~LanguageGuard() { messages_choose_language(nullptr); }
};

TEST(DownloadProgressTest, PercentThenWaiting)
{
    LanguageGuard guard;
    const struct {
        int percent;
        const char* english;
        const char* german;
    } cases[] = {
        {0, "Loading Firmware   0 %", "Router wird mit Firmware geladen   0 %"},
        {5, "Loading Firmware   5 %", "Router wird mit Firmware geladen   5 %"},
        {33, "Loading Firmware  33 %", "Router wird mit Firmware geladen  33 %"},
        {99, "Loading Firmware  99 %", "Router wird mit Firmware geladen  99 %"},
        {100, "Waiting For Router To Be Ready",
         "Warten auf die R\xFC"
         "ckmeldung vom Router"},
    };
    for (const auto& c : cases) {
        messages_choose_language(nullptr);
        EXPECT_EQ(firmware_progress_text(c.percent), c.english) << c.percent;
        messages_choose_language("Anmelden");
        EXPECT_EQ(firmware_progress_text(c.percent), c.german) << c.percent;
    }
}

}  // namespace
