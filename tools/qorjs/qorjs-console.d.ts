// The console and the process object that qorjs gives its scripts, for tsc
// beside the declarations that qorjs --dts prints (the engine itself has
// neither).

/** Options of console.dir, as Node's util.inspect reads them. */
interface QorjsInspectOptions {
    /** Levels of nesting shown (2 unless given); null or Infinity for all. */
    depth?: number | null;
    /** Show non-enumerable properties too, in brackets. */
    showHidden?: boolean;
    /** Elements of arrays, sets and maps shown (100 unless given). */
    maxArrayLength?: number | null;
    /** Characters of a string shown (10000 unless given). */
    maxStringLength?: number | null;
    /** The width up to which entries share a line (80 unless given). */
    breakLength?: number;
    /** How many innermost levels may share a line (3 unless given); false for none. */
    compact?: number | false;
}

interface QorjsConsole {
    /**
     * Writes the arguments and a line end to stdout, as Node's console.log: a first string's
     * %s %d %i %f %j %o %O %c take the arguments in turn (%% is a percent sign); the rest follow,
     * separated by spaces, strings as they are, other values formatted as Node formats them. A COM
     * object shows its class and "[COM]", without a call into it.
     */
    log(...data: any[]): void;
    /** As log. */
    info(...data: any[]): void;
    /** As log. */
    debug(...data: any[]): void;
    /** As log, to stderr. */
    warn(...data: any[]): void;
    /** As log, to stderr. */
    error(...data: any[]): void;
    /** Writes the value formatted with the options to stdout; a string in quotes. */
    dir(item?: any, options?: QorjsInspectOptions): void;
    /** Draws the rows of an array, object, Map or Set as a table, with the given columns if any. */
    table(tabularData?: any, properties?: readonly string[]): void;
    /** Starts the timer of the label ("default" unless given). */
    time(label?: string): void;
    /** Writes "label: TIME" and the data, the timer going on. */
    timeLog(label?: string, ...data: any[]): void;
    /** Writes "label: TIME" and ends the timer. */
    timeEnd(label?: string): void;
    /** Writes "label: N", N the times it was counted ("default" unless given). */
    count(label?: string): void;
    /** Counts the label from zero again. */
    countReset(label?: string): void;
    /** Writes "Assertion failed" and the data to stderr when the value is falsy. */
    assert(value: any, ...data: any[]): void;
    /** Writes "Trace: " with the data and the script's stack to stderr. */
    trace(...data: any[]): void;
    /** Writes the label, if any; what follows is indented until groupEnd. */
    group(...label: any[]): void;
    /** As group. */
    groupCollapsed(...label: any[]): void;
    groupEnd(): void;
}

declare var console: QorjsConsole;

/** The standard input of qorjs, for interactive scripts. */
interface QorjsStdin {
    /** The next line of the input, without its line end; null at the end of the input. */
    readLine(): string | null;
}

interface QorjsOutput {
    /** Writes the text as it is, without a line end. */
    write(text: string): boolean;
}

/** The program a qorjs script runs in, in the shape of Node's process. */
interface QorjsProcess {
    /** The qorjs program, the script's path (not with -e), then the script's arguments. */
    readonly argv: string[];
    /** The environment's variables, as qorjs started with them. */
    readonly env: { [name: string]: string | undefined };
    /** Ends the script at once (finally blocks do not run) and qorjs with the code, else exitCode, else 0. */
    exit(code?: number): never;
    /** The exit status of qorjs when the script ends without error or exit(). */
    exitCode: number | undefined;
    readonly stdin: QorjsStdin;
    readonly stdout: QorjsOutput;
    readonly stderr: QorjsOutput;
}

declare var process: QorjsProcess;
