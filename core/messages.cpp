// Router message packers and parsers.
#include "messages.h"
