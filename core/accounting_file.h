// The saved text of the accounting window.
#pragma once

// Writes `text` unchanged into a new file beside `path` and puts it at
// `path` once complete (safe_file.h; a file replaced keeps its mode).
// Returns 1, or 0 when `path` is no regular file or new name, or the file
// cannot be created or written completely; the file at `path` is then as
// it was.
int file_save_accounting(const char* path, const char* text);
