// Router selection at the terminal: after a scan the routers found are
// listed and the user picks one by its number; the chosen router (or the one
// named with -ip) is then opened, with the password prompt when it asks for
// one, and its three tables are read. Each step runs once per pass of the
// main loop with the keyboard line of the pass (null: none) and returns 1
// when it moved on, 0 when it waits.
#pragma once

#include <cstdint>

// When the scan has ended: lists the routers and makes the selection pending.
int ASCIIRouterListStep();

// While the selection is pending: the prompt, then the user's choice.
int ASCIISelectionStep(const char* line);

// While an open is pending (ASCIIFinishedOpen not 0): the password prompt,
// or on acceptance the start of the table read.
int ASCIIOpeningStep(const char* line);

// Opens the router at `address` named `name` (the -ip word or the chosen
// entry's name). An address that is 0 or a broadcast address is refused
// with the "not configured" text and ends the run with status 1.
void ASCIIOpenRouter(const char* name, uint32_t address);

// Forgets the selection state (for a new run in the same process).
void ASCIIResetSelection();
