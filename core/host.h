// Host services: each program that links the back end defines these three.
// The back end calls them by name; they are its only way into the front end.
#pragma once

typedef void (*HostCallback)();

// Watch `descriptor`; call `callback` whenever it is readable, for the rest
// of the run. Called once, by the UDP endpoint, for its socket.
int main_register(HostCallback callback, int descriptor);

// Call `callback` every `seconds` seconds for the rest of the run. Called
// once, by the UDP endpoint, for the 1-second tick.
int main_add_timer(HostCallback callback, int seconds);

// Call `callback` every `milliseconds` milliseconds for the rest of the run.
// Called once, by the UDP endpoint, for the fine tick on which a message
// that was not acknowledged is repeated.
int main_add_fine_timer(HostCallback callback, int milliseconds);

// The engine's error callback: a dialogue with a router failed with `code`.
// Called after the engine is idle again, so it may start a new operation.
void main_error(int code);
