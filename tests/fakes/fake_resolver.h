// A fake of the system's host-name resolver for the back end's unit tests.
//
// The test binary defines gethostbyaddr and gethostbyname itself, so the
// back end's calls land here. By default they pass through to the system
// resolver (and are counted); once a test installs the fake, only its table
// answers, which makes names, failures and the number of look-ups exact.
//
//     fake_resolver_install();
//     fake_resolver_add("gateway", 0x0A010203);
//     ... myutil_get_host_name(0x0A010203, text) gives "gateway" ...
//     EXPECT_EQ(fake_resolver_reverse_calls(), 1);
#pragma once

#include <cstdint>

// From now on only the table answers; the table starts empty, counts at 0.
void fake_resolver_install();
// Back to the system resolver; the table is forgotten.
void fake_resolver_uninstall();
// The table knows `name` for `address` (reverse) and `address` for `name`.
void fake_resolver_add(const char* name, uint32_t address);
// Calls of gethostbyaddr / gethostbyname since the last install.
int fake_resolver_reverse_calls();
int fake_resolver_forward_calls();
