// The saved text of the accounting window.
#pragma once

// Creates or truncates `path` and writes `text` unchanged. Returns 1, or 0
// when the file cannot be created, written or closed.
int file_save_accounting(const char* path, const char* text);
