#include <setjmp.h>
#include <stdio.h>
#include <unistd.h>

#include "Events.h"
#include "Selection.h"
#include "SelectionState.h"

/* Called by the stand-in of each oleaut32 function the runtime lacks
 * (make-absent-stubs): no result can be made up for it, so the unit that
 * called it ends here and is reported as not run, needing it. */
__attribute__((visibility("default"), noreturn)) void conformance_absent(char const* name);

void conformance_absent(char const* name) {
    if (!conformance_in_unit() && conformance_setup_armed()) {
        conformance_event("absent-in-setup", name, NULL);
        longjmp(conformance_setup_point, 1);
    }
    conformance_event("absent", name, NULL);
    fflush(stdout);
    _exit(CONFORMANCE_ABSENT_STATUS);
}
