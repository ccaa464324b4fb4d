#include "Counts.h"

#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

#include "Selection.h"
#include "SelectionState.h"

typedef int32_t Counters[2][conformanceCountKinds];

static Counters* mapped(void) {
    static Counters local;
    static Counters* counters;
    if (counters)
        return counters;
    counters = &local;
    char const* path = getenv("CONFORMANCE_COUNTS");
    if (!path)
        return counters;
    int fd = open(path, O_RDWR | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || ftruncate(fd, sizeof(Counters)) != 0) {
        perror(path);
        exit(2);
    }
    void* shared = mmap(NULL, sizeof(Counters), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (shared == MAP_FAILED) {
        perror(path);
        exit(2);
    }
    return counters = shared;
}

void conformance_count(enum ConformanceCount kind) {
    ++(*mapped())[conformance_in_unit()][kind];
}

void conformance_print_counts(void) {
    static char const* const phases[] = {"set-up", "unit"};
    for (int phase = 0; phase < 2; ++phase) {
        int32_t const* c = (*mapped())[phase];
        printf("# %s: %d passed, %d failed, %d todo, %d skipped, %d win_skipped\n", phases[phase],
               c[conformancePassed], c[conformanceFailed], c[conformanceTodo], c[conformanceSkipped],
               c[conformanceWinSkipped]);
    }
}
