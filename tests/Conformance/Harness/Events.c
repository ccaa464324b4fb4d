#include "Events.h"

#include <stdio.h>
#include <string.h>

static void writeEscaped(const char* text) {
    size_t length = strlen(text);
    while (length && text[length - 1] == '\n')
        --length;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == '\n')
            fputs("\\n", stdout);
        else if (text[i] == '\t')
            fputs("\\t", stdout);
        else
            putchar(text[i]);
    }
}

void conformance_event(const char* tag, const char* location, const char* message) {
    fputs(tag, stdout);
    if (location) {
        putchar('\t');
        fputs(location, stdout);
    }
    if (message) {
        putchar('\t');
        writeEscaped(message);
    }
    putchar('\n');
}
