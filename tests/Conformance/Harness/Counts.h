#pragma once

/* Counters of checks, kept apart for the set-up and for the selected unit.
 * Under check-conformance they live in the file CONFORMANCE_COUNTS names,
 * mapped shared, so that a process that crashes, is killed on its time
 * bound or ends at an absent function loses none: the file holds ten
 * little-endian 32-bit counters, the five kinds below for the set-up, then
 * for the unit. */

enum ConformanceCount {
    conformancePassed,
    conformanceFailed,
    conformanceTodo, /* failed inside a todo block, as expected there */
    conformanceSkipped,
    conformanceWinSkipped,
    conformanceCountKinds
};

void conformance_count(enum ConformanceCount kind);
/* Prints the counts, for a process run by hand. */
void conformance_print_counts(void);
