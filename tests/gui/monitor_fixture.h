// Common ground of the tests of the router overview, the accounting window,
// the line monitor and the help window: a router opened straight through
// the back end with its tables kept as the registration keeps them, texts
// of the read-only fields, and buttons pressed as Motif presses them.
#pragma once

#include <gtest/gtest.h>

#include <Xm/Xm.h>

#include <cstdint>
#include <string>

#include "gui_fixture.h"
#include "records.h"

class MonitorTest : public GuiTest {
protected:
    // Opens the router at `address` (dotted) through the back end, reads its
    // tables and keeps them as the registration does: the three lists with
    // their copies and the router as the selected one. False when it did not
    // open or the tables did not come.
    bool open_router(const char* address);

    // An activate callback as a click calls it.
    static void press(Widget button);

    // A click in the middle of the widget as the toolkit dispatches it:
    // press and release through its grabs and translations.
    static void click(Widget widget);

    // The scan answer of a router as the back end hands it over: the
    // router's address, its hardware address 00-a0-f9-00-00-<last> and the
    // station that holds it.
    static void scan_answer(uint32_t router, uint8_t last, uint32_t holder = 0);

    // A line target of the router's table with its counters.
    static SimLine counted_line(int index, const char* host, const char* phone,
                                const uint32_t (&counters)[SIM_COUNTERS]);
};
