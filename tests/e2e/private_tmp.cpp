// Every end-to-end test runs the programs with a /tmp of its own: they write
// "/tmp/save.cfg" and the copies kept beside it, which are the machine's.
#include "test_network.h"

namespace {

const ::testing::Environment* const private_tmp =
    ::testing::AddGlobalTestEnvironment(new PrivateTmpEnvironment);

}  // namespace
