// The one retry loop: GIEL and GFN (15 s apart), the zone server's queries
// (10 s) and a logically busy fabric (1 s) all try three times this way.
#pragma once

#include "psclock.h"

// Runs attempt() until it answers true or `attempts` tries are made; before each
// new try calls beforeRetry() (its trace line) and sleeps pauseSeconds through
// the clock seam.
template <class Attempt, class BeforeRetry>
void retryAttempts(int attempts, unsigned pauseSeconds, Attempt attempt, BeforeRetry beforeRetry) {
    for (int tried = 1; !attempt() && tried < attempts; ++tried) {
        beforeRetry();
        psSleep(pauseSeconds);
    }
}
