#include "Selection.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <windef.h>
#include <winbase.h>

#include "Counts.h"
#include "Events.h"
#include "Exported.h"
#include "SelectionState.h"

enum { setupOnly = -1 };

static int selected = setupOnly;
static int inUnit;
static int setupArmed;
EXPORTED jmp_buf conformance_setup_point;

int conformance_in_unit(void) {
    return inUnit;
}

int conformance_setup_armed(void) {
    return setupArmed;
}

EXPORTED int conformance_begin(int unit) {
    if (unit != selected)
        return 0;
    char number[16];
    snprintf(number, sizeof number, "%d", unit);
    conformance_event("begin", number, NULL);
    inUnit = 1;
    return 1;
}

EXPORTED void conformance_end(void) {
    if (!getenv("CONFORMANCE_COUNTS"))
        conformance_print_counts();
    fflush(stdout);
    exit(0);
}

EXPORTED void conformance_setup_begin(void) {
    setupArmed = 1;
}

EXPORTED void conformance_setup_end(void) {
    setupArmed = 0;
}

/* The runtime's own call (Platform/Posix/Ole/Automation/UserLocale.h):
 * Windows has no such function, and Wine's headers do not declare it. */
BOOL WINAPI SetUserDefaultLCID(LCID lcid);

/* check-conformance runs some files in other locales than the runtime's
 * default (en-US) too: the locale every default LCID stands for. */
static int useLocale(void) {
    char const* lcid = getenv("CONFORMANCE_LCID");
    if (!lcid || !*lcid)
        return 1;
    if (!SetUserDefaultLCID((LCID)strtoul(lcid, NULL, 0))) {
        fprintf(stderr, "the runtime knows no locale %s\n", lcid);
        return 0;
    }
    return 1;
}

EXPORTED int conformance_main(int argc, char** argv, void (*start)(void)) {
    char* end = NULL;
    if (argc != 2 || (strcmp(argv[1], "setup") != 0 && (selected = (int)strtol(argv[1], &end, 10), *end))) {
        fprintf(stderr, "usage: %s UNIT|setup (check-conformance runs each unit)\n", argv[0]);
        return 2;
    }
    if (!useLocale())
        return 2;
    /* Every line reaches the runner even if the process dies after it. */
    setvbuf(stdout, NULL, _IOLBF, 0);
    start();
    if (selected != setupOnly)
        conformance_event("unreached", NULL, NULL);
    conformance_end();
}
