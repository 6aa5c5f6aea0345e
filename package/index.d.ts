// Types of procsweep.js: running procsweep.exe from Node.js and reading what it reports.
// Self-contained: they need no @types/node.

/** The exit codes of procsweep.exe. */
export declare const ExitCode: Readonly<{
  /** Nothing of the installation runs, or nothing failed. */
  SUCCESS: 0;
  /** A step failed (see the events), or the command line was malformed. */
  FAILURE: 2;
  /** A process of the main executable runs. */
  MAIN_RUNNING: 10;
  /** Only processes of helper executables run. */
  HELPERS_RUNNING: 11;
}>;
/** One of the exit codes of procsweep.exe. */
export type ExitCode = (typeof ExitCode)[keyof typeof ExitCode];

/** Every event name that procsweep.exe writes. */
export type EventName =
  | 'installation-path-failed'
  | 'executable-attributes-failed'
  | 'executable-path-failed'
  | 'redirected-executable-skipped'
  | 'snapshot-failed'
  | 'enumerate-failed'
  | 'query-open-failed'
  | 'query-image-failed'
  | 'query-image-path-failed'
  | 'matched'
  | 'cleanup-deadline'
  | 'terminate-open-failed'
  | 'identity-changed'
  | 'terminate-failed'
  | 'exited'
  | 'wait-failed'
  | 'close-request-failed'
  | 'restart-manager-process-check-failed'
  | 'inaccessible-process-not-reported-for-target'
  | 'restart-manager-file'
  | 'restart-manager-legacy-sample'
  | 'restart-manager-sampled-file'
  | 'restart-manager-query-failed'
  | 'restart-manager-no-owner-reported'
  | 'restart-manager-owner';

/** The event names, in the order of the tool's vocabulary. */
export declare const EVENT_NAMES: readonly EventName[];

interface EventFields {
  /** The process the event is about; 0 where none is. */
  pid: number;
  /** The Win32 error of a failure; 0 where none is. */
  win32Error: number;
  /** Everything after the third space of the line: a path or a name, or empty. */
  text: string;
}
/** An event line whose name procsweep.exe writes. */
export interface KnownEvent extends EventFields {
  event: EventName;
  known: true;
}
/** A well-formed event line with a name this module does not know (a later tool's). */
export interface UnknownEvent extends EventFields {
  event: string;
  known: false;
}
/** One event line, as `parseEventLine` reads it. */
export type ProcsweepEvent = KnownEvent | UnknownEvent;

/** The mode words that take an installation directory and the main executable's file name. */
export type InstallationMode = 'probe' | 'close' | 'clean' | 'force' | 'legacy-owners';
/** A mode word and its operands: procsweep.exe's command line without `--log`. */
export type ProcsweepArgs =
  | readonly [mode: InstallationMode, installDir: string, mainExe: string]
  | readonly [mode: 'owners', file: string];

/** The options of `runProcsweep` and `findInstallationHolders`; any other name is refused. */
export interface RunOptions {
  /** A log file to append to and read back; created empty if missing. Its events are exact. */
  logFile?: string;
  /** Program and arguments to put before the executable, such as `['wine']`. */
  launcher?: readonly string[];
  /** Turns the log file's path into the one the tool sees (Wine: `Z:\...`); identity by default. */
  toolPath?: (path: string) => string;
  /** Ends the run after that long, 1 to 2147483647; 60000 by default. */
  timeoutMs?: number;
}

export interface RunResult {
  /** procsweep.exe's own answer; `FAILURE` without events: a malformed command line. */
  exitCode: ExitCode;
  /** The run's events: from the log file with `logFile`, from standard output otherwise. */
  events: ProcsweepEvent[];
  /** The events of standard output (ANSI code page: exact only for ASCII texts). */
  stdoutEvents: ProcsweepEvent[];
}

/** What `runProcsweep` rejects with when the program ran but procsweep.exe gave no answer. */
export interface RunFailure extends Error {
  /** An exit code that is none of `ExitCode`'s: something else answered, such as a launcher
   * that could not start the tool (Wine answers 53 for a program it cannot find), or a crash. */
  exitCode?: number;
  /** The signal that ended the program. */
  signal?: string;
  /** True when it had not ended after `timeoutMs`, and was ended. */
  timedOut?: boolean;
}

/**
 * Runs procsweep.exe and resolves, once it has ended, with its own answer: `exitCode` is always
 * one of `ExitCode`. `exePath` is the program's path, an existing file (not looked up on `PATH`);
 * with a `launcher`, it is the launcher's argument, passed as it is (Wine also takes `Z:\...`).
 * It never throws: every failure rejects, with an `Error`, when
 * - `exePath`, `args` or `options` are not what these types say (a mode word that is none of
 *   the tool's, `args` of another length, an operand or a `launcher` word that is no string, an
 *   option name that is none, `timeoutMs` outside 1 to 2147483647, `toolPath` giving no string):
 *   a `TypeError` that names the argument, before anything starts;
 * - `exePath`, without a `launcher`, is no file: `code` `'ENOENT'` (`'EISDIR'` for a folder),
 *   before anything starts;
 * - `logFile` cannot be created or read, before or after the run (its folder does not exist,
 *   access is refused: the `fs` error, such as `code` `'ENOENT'`);
 * - the program cannot be started (`child_process.spawn`'s error, such as `'ENOENT'` for a
 *   missing `launcher[0]`);
 * - it has not ended after `timeoutMs` (it is ended: `timedOut`), or a signal ended it
 *   (`signal`): a `RunFailure`;
 * - it ends with an exit code that is not one of `ExitCode`, which procsweep.exe never gives:
 *   a `RunFailure` with that `exitCode`, such as 53 from Wine when it cannot find `exePath`.
 */
export declare function runProcsweep(
  exePath: string, args: ProcsweepArgs, options?: RunOptions): Promise<RunResult>;

/** A process that holds one of an installation's files, as the Restart Manager names it. */
export interface Holder {
  /** The holder's process id. */
  pid: number;
  /** The application name the Restart Manager reports for it (exact with `logFile`). */
  appName: string;
}

/**
 * What `findInstallationHolders` rejects with: the failures of `runProcsweep`, and those in
 * which procsweep.exe ran but could not say who holds the files.
 */
export interface HoldersFailure extends RunFailure {
  /** The Restart Manager's error when it could not be asked (`restart-manager-query-failed`). */
  win32Error?: number;
  /**
   * The events of a run that gave no answer. With `exitCode` 2 they say what failed (none: a
   * malformed command line, such as an empty `installDir` or a `mainExe` that is no file name).
   */
  events?: ProcsweepEvent[];
}

/**
 * Who holds an installation's files, as the Windows Restart Manager sees it: procsweep.exe's
 * `legacy-owners` asks about the main executable, `resources\app.asar` and the four helpers,
 * those of them that exist. Resolves with the holders in the tool's order; `[]` means that nobody
 * holds them, or that there is nothing to hold (none of the files exists, or `installDir` does
 * not). It rejects whenever that is not known, so that an empty list never stands for "could not
 * ask", with a `HoldersFailure` when
 * - the Restart Manager could not be asked: `win32Error` is its error;
 * - procsweep.exe answered 2 (`exitCode` 2, `events`: what failed, such as
 *   `installation-path-failed` 267 for the main executable's own path given as `installDir`),
 *   or 10 or 11, which `legacy-owners` never answers;
 * - its answer stops before naming holders or their absence, or the log file holds fewer events
 *   than standard output (the tool could not write to it: check `toolPath`);
 * - `runProcsweep` would reject: a `TypeError` for arguments or options that are not what these
 *   types say, and the other failures, the same way.
 * Under Wine the Restart Manager never names a holder.
 */
export declare function findInstallationHolders(
  exePath: string, installDir: string, mainExe: string, options?: RunOptions): Promise<Holder[]>;

/** One event line, with or without its line end; null when it is not an event line. */
export declare function parseEventLine(line: string): ProcsweepEvent | null;

/** Every event line of a text, in order; other lines are left out. A `TypeError` for no string. */
export declare function parseEvents(text: string): ProcsweepEvent[];

/**
 * The text of a log file's UTF-16LE bytes; a byte-order mark and an odd last byte are dropped.
 * A `TypeError` for anything but a `Uint8Array` (a `Buffer` is one).
 */
export declare function decodeLog(bytes: Uint8Array): string;

/**
 * The events of a log file from byte `offset` on (its size before a run: that run's events).
 * A `TypeError` for a `path` that is no string or empty (`fs` would read a number as an open
 * file), and for an `offset` that is not a whole number from 0 on.
 */
export declare function readLogEvents(path: string, offset?: number): ProcsweepEvent[];

/** The text of procsweep.exe's standard output bytes. A `TypeError` for no `Uint8Array`. */
export declare function decodeStdout(bytes: Uint8Array): string;

/** What an exit code means, for messages. A `TypeError` for no number. */
export declare function describeExitCode(exitCode: number): string;

/** The options of `findProcsweepExe`; any other name is refused. */
export interface FindOptions {
  /** The packaged app's resources folder, not empty; `process.resourcesPath` by default. */
  resourcesPath?: string;
}

/**
 * The path of a procsweep.exe that can be started: `<resources>/procsweep.exe` (an
 * extraResources entry), or the package's own copy, taken from `app.asar.unpacked` in a packaged
 * app and never from inside `app.asar`. Throws when there is none, and a `TypeError` when
 * `options` are not what these types say.
 */
export declare function findProcsweepExe(options?: FindOptions): string;

// A declaration file exports each of its declarations unless it says otherwise: only what is
// marked `export` above is the module's.
export {};
