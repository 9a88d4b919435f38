// The notice "Error2Dialog" after a table read that found line targets whose
// layer-2 parameters no protocol definition matches. The notice names the
// two files it was meant to write; it claims each only when it was written,
// and otherwise says which one could not be.
//
//     int flag = 0;
//     int add_ok = file_write_protocols(lines, &flag);
//     if (flag) {
//         bool saved = file_save_emergency(...) != 0;
//         UnknownDefinitions d = unknown_definitions_outcome(lines, add_ok != 0);
//         if (unknown_notice_is_standard(d, saved)) keep the resource text;
//         else show unknown_protocols_notice(d, saved);
//     }
#pragma once

#include <string>

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
// definitions written and the tables saved.
bool unknown_notice_is_standard(UnknownDefinitions definitions, bool saved);

// The notice's text for any outcome, in the language of the message table
// in force, with the file names on lines of their own.
std::string unknown_protocols_notice(UnknownDefinitions definitions, bool saved);
