// The completion callbacks of the terminal program. Each copies what the
// program needs out of the back end's record (valid only during the call)
// into the globals, tells the user what there is to tell (on standard error)
// and raises a flag that the driver tests in the same pass of its loop.
// None of them calls the driver. The callbacks of the routerconfig save's
// actions are with those actions (router_actions.h).
#pragma once

#include "records.h"

struct ListObject;

void ASCIIRouterOverViewCB(RouterState* state);  // rov: one answer or the end marker
void ASCIIScanNetCB(ScanAnswer* answer);         // scan: one answer or the end marker
void ASCIIOpenRouterCB(OpenReply* reply);        // open and password answers
void ASCIIAccInterfLoadCB(ListObject* lines, ListObject* routes, ListObject* filters);
void ASCIIInterfLoadCB(ListObject* lines, ListObject* routes, ListObject* filters);  // linetarget
void ASCIISaveConfCB(int count);                 // linetarget: tables written
void ASCIILineMonitorCB(LineMonitorData* data);  // one line-monitor report
void ASCIIAccountingCB(ListObject* lines);       // accounting values arrived

// linetarget: starts writing the tables loaded from the file into the router
// (what differs from its tables as read); ASCIISaveConfCB ends it.
void ASCIIWriteTables();
