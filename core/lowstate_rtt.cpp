// The round-trip estimate: RFC 6298's arithmetic in whole milliseconds.
#include "lowstate_rtt.h"

#include <cstdlib>

#include "udp.h"

namespace {

int32_t clamp(int32_t ms, const RttLimits& limits)
{
    if (ms < limits.floor_ms)
        ms = limits.floor_ms;
    if (ms > limits.ceiling_ms)
        ms = limits.ceiling_ms;
    return ms;
}

}  // namespace

void rtt_reset(RttEstimate* estimate, const RttLimits& limits)
{
    *estimate = RttEstimate{};
    estimate->rto_ms = clamp(limits.initial_ms, limits);
}

void rtt_sample(RttEstimate* estimate, const RttLimits& limits, int32_t ms)
{
    if (ms < 0)
        ms = 0;
    if (estimate->samples == 0) {
        estimate->srtt_ms = ms;
        estimate->rttvar_ms = ms / 2;
    } else {
        // Deviation first, against the smoothed time before this sample.
        int32_t deviation = std::abs(estimate->srtt_ms - ms);
        estimate->rttvar_ms = (3 * estimate->rttvar_ms + deviation) / 4;
        estimate->srtt_ms = (7 * estimate->srtt_ms + ms) / 8;
    }
    if (estimate->samples < INT32_MAX)
        ++estimate->samples;
    int32_t spread = 4 * estimate->rttvar_ms;
    if (spread < limits.granularity_ms)
        spread = limits.granularity_ms;
    estimate->rto_ms = clamp(estimate->srtt_ms + spread, limits);
}

void rtt_back_off(RttEstimate* estimate, const RttLimits& limits)
{
    int32_t doubled =
        estimate->rto_ms > limits.ceiling_ms / 2 ? limits.ceiling_ms : 2 * estimate->rto_ms;
    estimate->rto_ms = clamp(doubled, limits);
}

int rtt_timeout_fine(const RttEstimate& estimate)
{
    int fine = (estimate.rto_ms + UDP_FINE_TICK_MS - 1) / UDP_FINE_TICK_MS;
    return fine < 1 ? 1 : fine;
}

int32_t rtt_elapsed_ms(uint32_t since, uint32_t now)
{
    uint32_t fine = now - since;
    if (fine > uint32_t(INT32_MAX / UDP_FINE_TICK_MS))
        return INT32_MAX;
    return int32_t(fine) * UDP_FINE_TICK_MS;
}
