// The address pair that routes and both sides of a filter rule share: a mask
// and the value an address is compared with under it.
#pragma once

enum class MaskMatchFault {
    NO_FAULT,     // mask and compare value fit together
    Mask,         // the mask is no address (host name, dotted quad or "0.0.0.0")
    Match,        // the compare value is none
    Combination,  // the compare value has a bit set outside the mask
};

// Checks in this order: mask, compare value, their combination ("0.0.0.0"
// counts as the address 0, so an all-zero pair is a default).
MaskMatchFault mask_match_check(const char* mask, const char* match);
