#pragma once

/* The harness's own view of where a test process is (Selection.c). */

/* 1 from the start of the selected unit, 0 in the set-up. */
int conformance_in_unit(void);
/* 1 inside a set-up statement that an absent function may end. */
int conformance_setup_armed(void);
