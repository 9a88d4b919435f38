#include "mask_match.h"

#include "myutil.h"

MaskMatchFault mask_match_check(const char* mask, const char* match)
{
    if (mask == nullptr || !myutil_check_ip(mask))
        return MaskMatchFault::Mask;
    if (match == nullptr || !myutil_check_ip(match))
        return MaskMatchFault::Match;
    if ((myutil_get_host_addr(match) & ~myutil_get_host_addr(mask)) != 0)
        return MaskMatchFault::Combination;
    return MaskMatchFault::NO_FAULT;
}
