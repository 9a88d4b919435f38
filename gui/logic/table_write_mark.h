// Whether the router may hold only part of the tables the program last
// began to write. The line-target dialog's OK starts a write that puts one
// entry after the other; a failure on the way leaves the router with some of
// the new entries and some of the old ones, which the user must be told.
#pragma once

// The write of the tables has begun.
void table_write_started();

// The router has taken the whole write, or holds tables the program has read
// from it since: what it holds is known again.
void table_write_done();

// True from the start of a write until table_write_done().
bool table_write_unfinished();
