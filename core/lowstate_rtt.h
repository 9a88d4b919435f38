// Round-trip estimate of one router, kept as TCP keeps its retransmission
// time-out: a smoothed round-trip time and its mean deviation from samples
// of exchanges that went out once (a sample of a message sent twice cannot
// tell which copy was answered), a time-out of the smoothed time plus four
// deviations (at least the clock's resolution), doubled on each expiry and
// held between a floor and a ceiling. The acknowledged layer keeps one for
// acknowledgements, the engine one for replies; each gives its own limits.
//
// Times are milliseconds; the back end's clock counts fine ticks
// (UDP_FINE_TICK_MS each), so a sample is a whole number of fine ticks and
// the real time lies up to one fine tick above it.
#pragma once

#include <cstdint>

struct RttLimits {
    int32_t initial_ms;      // the time-out before the first sample
    int32_t floor_ms;        // never shorter
    int32_t ceiling_ms;      // never longer, backed off or not
    int32_t granularity_ms;  // the clock's resolution: added at least
};

struct RttEstimate {
    int32_t srtt_ms;    // smoothed round-trip time
    int32_t rttvar_ms;  // its smoothed mean deviation
    int32_t rto_ms;     // the time-out now, backed off after an expiry
    int32_t samples;    // samples taken (0: the initial time-out holds)
};

// The estimate before any exchange: initial time-out, no sample.
void rtt_reset(RttEstimate* estimate, const RttLimits& limits);

// A round trip of `ms` of an exchange that went out once. The time-out is
// computed anew, so a back-off ends here.
void rtt_sample(RttEstimate* estimate, const RttLimits& limits, int32_t ms);

// The time-out expired: the next one is twice as long, up to the ceiling.
void rtt_back_off(RttEstimate* estimate, const RttLimits& limits);

// The time-out in fine ticks, for a fine timer armed with this count: such a
// timer fires on the count's next fine tick, which comes no sooner than the
// time-out after the send.
int rtt_timeout_fine(const RttEstimate& estimate);

// Fine ticks between two readings of the clock, in milliseconds.
int32_t rtt_elapsed_ms(uint32_t since, uint32_t now);
