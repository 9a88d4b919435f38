// The notice "Error2Dialog" after a table read that found line targets whose
// layer-2 parameters no protocol definition matches. The notice names the
// two files it was meant to write; it claims each only when it was written,
// and otherwise says which one could not be.
//
//     int flag = 0;
//     int add_ok = file_write_protocols(lines, &flag, &added);
//     if (flag) {
//         bool saved = file_save_emergency(..., &copy) != 0;
//         UnknownDefinitions d = unknown_definitions_outcome(lines, add_ok != 0);
//         names: file_add_shown_name(added), and copy.path when saved
//         if (unknown_notice_is_standard(d, saved, names)) keep the resource text;
//         else show unknown_protocols_notice(d, saved, names);
//     }
//
// The names are those the files got: where the usual one could not be used
// safely, a file keeps a name of its own, and the notice names that one.
#pragma once

#include <string>

#include "config_file.h"
#include "protocols.h"

struct ListObject;

// What became of the definitions for "qorvel.add".
enum class UnknownDefinitions {
    Written,      // at least one definition was written into the file
    NoneToWrite,  // no unmatched parameter set can be written as a definition
    Failed,       // the file was needed but could not be written
};

// The outcome of file_write_protocols for `lines` with its result
// `write_ok`: the file is only needed for line targets without layer-2
// definition that have x75 parameters a definition can be made of (modulo 8
// or 128, a window size above 0 and below the modulo).
UnknownDefinitions unknown_definitions_outcome(const ListObject* lines, bool write_ok);

// The resource text of the notice (its five lines) says exactly this: the
// definitions written to "qorvel.add" and the tables saved to "/tmp/save.cfg".
bool unknown_notice_is_standard(UnknownDefinitions definitions, bool saved,
                                const char* add_name = PROTO_ADD_FILE,
                                const char* save_name = CFG_EMERGENCY_PATH);

// The notice's text for any outcome, in the language of the message table
// in force, with the file names on lines of their own.
std::string unknown_protocols_notice(UnknownDefinitions definitions, bool saved,
                                     const char* add_name = PROTO_ADD_FILE,
                                     const char* save_name = CFG_EMERGENCY_PATH);
