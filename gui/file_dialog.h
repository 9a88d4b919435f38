// The file selection dialog "FileDialog": one Motif file selection dialog
// for loading the three tables from a configuration file, saving them to
// one, and saving the accounting window's text, chosen by the mode kept in
// its user data (FileDialogMode, file_messages.h). It is opened through
// helpfunc_popup_file_dialog (dialog_entry_points.h).
#pragma once

#include <X11/Intrinsic.h>

// Action codes of the dialog's buttons.
enum FileAction { FILE_OK = 0, FILE_HELP = 1, FILE_CANCEL = 2 };

// Prepares the dialog before it is shown: nothing selected in its file list,
// the pattern "<directory>/*.<extension>" searched, and with a `name` the
// selection "<directory>/<name>.<extension>". The directory is QORVEL_PATH,
// else the working directory. Returns 0, with the dialog left alone, when
// there is no directory to show (the working directory cannot be had).
int helpfunc_set_filename(const char* name, const char* extension);

// The dialog's OK (0), Help (1) and Cancel (2); the call data is the file
// selection callback record.
void FileCB(Widget widget, XtPointer client, XtPointer call);
