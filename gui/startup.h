// The graphical program's start-up, in the order main() runs it:
//
//   broadcast = startup_host_config();        host name, defaults, netmask,
//                                             defaults file, own address
//   startup_toolkit(&argc, argv);             toolkit, main window, language
//   if (startup_back_end(broadcast))          protocol definitions, back end
//       startup_first_scan();                 show the window, scan
//   XtAppMainLoop(app_context);
//
// When the back end cannot start the window shows the message with every
// button insensitive, and the program stays up until the user quits.
#pragma once

#include <cstdint>

// Steps 1 to 8: takes this host's name, fills the default records, probes
// the netmask, reads the defaults file over address, netmask and the
// resolving switch, hands them to the utilities and resets the selected
// router. Returns the broadcast address for the back end.
uint32_t startup_host_config();

// Steps 9 to 13: the toolkit with the fallback resources (app_context,
// XmVANTERO), the warning handler, the widget table with the main window and
// the busy notice, the language, and the start state of the buttons.
void startup_toolkit(int* argc, char** argv);

// The language rule: German messages when the Register button's label, as
// the resources give it, reads "Anmelden".
void startup_choose_language();

// Steps 14 and 15: reads the protocol definitions and starts the back end.
// Returns 1 when it runs; else the window shows why, every button
// insensitive, and 0.
int startup_back_end(uint32_t broadcast);

// Step 16: shows the main window, makes the router list, shows the busy
// notice and starts the network scan.
void startup_first_scan();

// Shows the main window with `text` in the error box and every button
// insensitive: the program without its back end.
void startup_show_failure(const char* text);
