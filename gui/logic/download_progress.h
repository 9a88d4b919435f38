// The busy notice's text while a firmware download runs: the percentage of
// the image sent, then the wait for the router's restart.
#pragma once

#include <string>

// Message 47 ("Waiting For Router To Be Ready") for 100, else message 46
// with the percentage right-aligned in three places, a blank and a percent
// sign. Only the notice's text changes; it is neither moved nor shown again.
std::string firmware_progress_text(int percent);
