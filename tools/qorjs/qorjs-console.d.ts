// The console that qorjs gives its scripts, for tsc beside the declarations
// that qorjs --dts prints (the engine itself has no console).

interface QorjsConsole {
    /** Writes the arguments, separated by spaces, and a line end to stdout. */
    log(...data: any[]): void;
    /** As log. */
    info(...data: any[]): void;
    /** As log, to stderr. */
    warn(...data: any[]): void;
    /** As log, to stderr. */
    error(...data: any[]): void;
}

declare var console: QorjsConsole;
