/* The check, skip and todo functions that wine/test.h declares, written for
 * this harness: each outcome is counted (Counts.h) and each failure or skip
 * written as an event (Events.h) with the file and line of its check.
 *
 * The platform is "windows", so todo_wine marks nothing: the runtime is
 * held to Windows' results, not to Wine's. And broken() accepts nothing:
 * what it excuses are results of older Windows releases, which a test takes
 * as well as the current one; the runtime is held to the current one. */

#include <stdio.h>
#include <string.h>

#include <windef.h>
#include <winbase.h>
#include <wine/test.h>

#include "Counts.h"
#include "Events.h"

#include "Exported.h"

EXPORTED const char* winetest_platform = "windows";

enum { contextDepth = 8, contextSize = 128, messageSize = 2048 };

static char const* currentFile = "";
static int currentLine;
static unsigned todoLevel; /* one bit per nested todo block */
static int todoLoop;
static char context[contextDepth][contextSize];
static unsigned contextCount;

EXPORTED int broken(int condition) {
    (void)condition;
    return 0;
}

EXPORTED void winetest_set_location(const char* file, int line) {
    char const* slash = strrchr(file, '/');
    currentFile = slash ? slash + 1 : file;
    currentLine = line;
}

static void report(char const* tag, char const* prefix, const char* msg, va_list args) {
    char location[256], message[messageSize];
    size_t used = 0;
    snprintf(location, sizeof location, "%s:%d", currentFile, currentLine);
    used += snprintf(message, sizeof message, "%s", prefix);
    for (unsigned i = 0; i < contextCount && i < contextDepth && used < sizeof message; ++i)
        used += snprintf(message + used, sizeof message - used, "%s: ", context[i]);
    if (used < sizeof message)
        vsnprintf(message + used, sizeof message - used, msg, args);
    conformance_event(tag, location, message);
}

EXPORTED int winetest_vok(int condition, const char* msg, va_list args) {
    if (todoLevel) {
        if (condition) {
            report("failed", "Test succeeded inside todo block: ", msg, args);
            conformance_count(conformanceFailed);
            return 0;
        }
        conformance_count(conformanceTodo);
        return 1;
    }
    if (condition) {
        conformance_count(conformancePassed);
        return 1;
    }
    report("failed", "", msg, args);
    conformance_count(conformanceFailed);
    return 0;
}

EXPORTED void winetest_ok(int condition, const char* msg, ...) {
    va_list args;
    va_start(args, msg);
    winetest_vok(condition, msg, args);
    va_end(args);
}

EXPORTED void winetest_vskip(const char* msg, va_list args) {
    report("skipped", "", msg, args);
    conformance_count(conformanceSkipped);
}

EXPORTED void winetest_skip(const char* msg, ...) {
    va_list args;
    va_start(args, msg);
    winetest_vskip(msg, args);
    va_end(args);
}

/* On Windows a win_skip is a skip (a function an older release lacks); so
 * it is here, counted apart, since it is how a test meets a function that
 * GetProcAddress did not find in the runtime. */
EXPORTED void winetest_win_skip(const char* msg, ...) {
    va_list args;
    va_start(args, msg);
    report("win_skipped", "", msg, args);
    conformance_count(conformanceWinSkipped);
    va_end(args);
}

EXPORTED void winetest_trace(const char* msg, ...) {
    va_list args;
    va_start(args, msg);
    report("trace", "", msg, args);
    va_end(args);
}

EXPORTED void winetest_start_todo(int is_todo) {
    todoLevel = (todoLevel << 1) | (is_todo != 0);
    todoLoop = 1;
}

EXPORTED int winetest_loop_todo(void) {
    int again = todoLoop;
    todoLoop = 0;
    return again;
}

EXPORTED void winetest_end_todo(void) {
    todoLevel >>= 1;
}

EXPORTED void winetest_push_context(const char* fmt, ...) {
    if (contextCount < contextDepth) {
        va_list args;
        va_start(args, fmt);
        vsnprintf(context[contextCount], contextSize, fmt, args);
        va_end(args);
    }
    ++contextCount;
}

EXPORTED void winetest_pop_context(void) {
    if (contextCount)
        --contextCount;
}
