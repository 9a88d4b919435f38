// The routerconfig sub-command's dialogue: the questions on the router's
// settings, the summary and the actions it starts.
#pragma once

// One pass of the dialogue, called by the driver on every pass of
// routerconfig once the router is chosen (and, when it has a configuration,
// opened and its tables read), with the keyboard line of the pass (null:
// none). ASCIIWaitState says where it stands (1 starts it). Returns 1 when it
// moved on without waiting for a line or a callback (the loop then runs the
// next pass at once), 0 when it waits.
int ASCIIRouterDialogueStep(const char* line);
