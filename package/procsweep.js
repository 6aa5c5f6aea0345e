'use strict';
// Runs procsweep.exe from Node.js (an Electron app's own update code, an updater script) and
// reads what it reports: its exit code and its event lines, from its UTF-16 log file.
// CommonJS, no dependencies.

const childProcess = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');

// Exit codes of procsweep.exe.
const ExitCode = Object.freeze({
  SUCCESS: 0, // nothing running, or nothing failed
  FAILURE: 2, // a step failed (see the events), or the command line was malformed
  MAIN_RUNNING: 10, // a process of the main executable runs
  HELPERS_RUNNING: 11, // only processes of helper executables run
});

// Every event name that procsweep.exe writes.
const EVENT_NAMES = Object.freeze([
  'installation-path-failed',
  'executable-attributes-failed',
  'executable-path-failed',
  'redirected-executable-skipped',
  'snapshot-failed',
  'enumerate-failed',
  'query-open-failed',
  'query-image-failed',
  'query-image-path-failed',
  'matched',
  'cleanup-deadline',
  'terminate-open-failed',
  'identity-changed',
  'terminate-failed',
  'exited',
  'wait-failed',
  'close-request-failed',
  'restart-manager-process-check-failed',
  'inaccessible-process-not-reported-for-target',
  'restart-manager-file',
  'restart-manager-legacy-sample',
  'restart-manager-sampled-file',
  'restart-manager-query-failed',
  'restart-manager-no-owner-reported',
  'restart-manager-owner',
]);
const KNOWN_EVENTS = new Set(EVENT_NAMES);

// The checks of the callers' arguments. index.d.ts says what each function takes; plain
// JavaScript callers get no compiler to hold them to it, and a value of another type does not
// always fail by itself: a launcher given as the string 'wine' would be spread into letters and
// 'w' started, whose exit code 0 reads as "nothing runs". So each argument is checked before
// anything starts, and a mismatch is a TypeError that names the argument and what it got.

// What a caller passed, for messages: its type, and a short string as it is.
function shown(value) {
  if (value === null) return 'null';
  if (value === undefined) return 'undefined';
  if (Array.isArray(value)) return 'an array';
  if (typeof value === 'string') {
    return `the string ${JSON.stringify(value.length > 60 ? `${value.slice(0, 60)}...` : value)}`;
  }
  if (typeof value === 'number' || typeof value === 'boolean' || typeof value === 'bigint') {
    return `the ${typeof value} ${String(value)}`;
  }
  if (isByteArray(value)) return 'a Uint8Array';
  return `a ${typeof value}`;
}

function argumentError(caller, message) {
  return new TypeError(`${caller}: ${message}`);
}

// A Uint8Array of any realm (a Buffer is one).
function isByteArray(value) {
  return Object.prototype.toString.call(value) === '[object Uint8Array]';
}

function checkString(caller, name, value) {
  if (typeof value !== 'string') {
    throw argumentError(caller, `${name} must be a string, not ${shown(value)}`);
  }
}

// A path: a string, and not an empty one, which every file function would refuse or read as
// the current folder.
function checkPath(caller, name, value) {
  checkString(caller, name, value);
  if (value === '') throw argumentError(caller, `${name} must be a path, not ""`);
}

function checkBytes(caller, value) {
  if (!isByteArray(value)) {
    throw argumentError(caller,
      `bytes must be a Uint8Array (such as a Buffer), not ${shown(value)}`);
  }
}

// An options object: undefined (no options), or an object with only the names the function
// knows. A misspelt name would otherwise be ignored, and its default used in silence (a
// "logfile" would leave the run without its log).
function checkOptions(caller, options, names) {
  if (options === undefined) return {};
  if (options === null || typeof options !== 'object' || Array.isArray(options)) {
    throw argumentError(caller, `options must be an object, not ${shown(options)}`);
  }
  for (const name of Object.keys(options)) {
    if (!names.includes(name)) {
      throw argumentError(caller, `options.${name} is no option of ${caller} ` +
        `(its options: ${names.join(', ')})`);
    }
  }
  return options;
}

const INSTALLATION_MODES = Object.freeze(['probe', 'close', 'clean', 'force', 'legacy-owners']);
const OWNERS_MODE = 'owners';
const MODES = [...INSTALLATION_MODES, OWNERS_MODE];

// args as ProcsweepArgs: a mode word of the tool and its operands, each a string. The tool
// itself answers 2 to a wrong count, but not to a wrong word: with an installation directory that
// does not exist, 'Probe' ends with 0, as a correct word would.
function checkArgs(caller, args) {
  if (!Array.isArray(args)) {
    throw argumentError(caller, 'args must be an array, [mode, installDir, mainExe] or ' +
      `['owners', file], not ${shown(args)}`);
  }
  const mode = args[0];
  if (!MODES.includes(mode)) {
    throw argumentError(caller, `args[0] must be a mode word (${MODES.join(', ')}), ` +
      `not ${shown(mode)}`);
  }
  const operands = mode === OWNERS_MODE ? ['file'] : ['installDir', 'mainExe'];
  if (args.length !== operands.length + 1) {
    const form = mode === OWNERS_MODE ? '[\'owners\', file]'
      : `[mode, installDir, mainExe] for "${mode}"`;
    throw argumentError(caller, `args must be ${form}, not ${args.length} ` +
      `item${args.length === 1 ? '' : 's'}`);
  }
  operands.forEach((operand, i) => checkString(caller, `args[${i + 1}] (${operand})`, args[i + 1]));
}

// setTimeout runs a callback of any other delay (none, NaN, negative, Infinity, beyond 2^31 - 1)
// after 1 ms: the run would be ended at once.
const MAX_TIMEOUT_MS = 2147483647;

const RUN_OPTIONS = ['logFile', 'launcher', 'toolPath', 'timeoutMs'];

// exePath and the options of runProcsweep, as RunOptions; the options with their defaults.
function checkRun(caller, exePath, options) {
  const { logFile, launcher = [], toolPath = (p) => p, timeoutMs = 60000 } =
    checkOptions(caller, options, RUN_OPTIONS);
  checkString(caller, 'exePath', exePath);
  if (exePath === '') throw argumentError(caller, 'exePath must be a path, not ""');
  if (!Array.isArray(launcher)) {
    throw argumentError(caller,
      `options.launcher must be an array of strings, not ${shown(launcher)}`);
  }
  launcher.forEach((word, i) => checkString(caller, `options.launcher[${i}]`, word));
  if (launcher[0] === '') {
    throw argumentError(caller, 'options.launcher[0] must be a program, not ""');
  }
  if (logFile !== undefined) checkPath(caller, 'options.logFile', logFile);
  if (typeof toolPath !== 'function') {
    throw argumentError(caller, `options.toolPath must be a function, not ${shown(toolPath)}`);
  }
  if (typeof timeoutMs !== 'number' || !(timeoutMs >= 1 && timeoutMs <= MAX_TIMEOUT_MS)) {
    throw argumentError(caller, `options.timeoutMs must be a number of milliseconds from 1 to ` +
      `${MAX_TIMEOUT_MS}, not ${shown(timeoutMs)}`);
  }
  // Without a launcher, exePath is the program itself: a path that is no file would fail later
  // as spawn's ENOENT or EACCES, which names no argument. With one, it is the launcher's
  // argument, in the launcher's own terms (Wine takes Z:\... paths), and the launcher answers
  // for it.
  if (launcher.length === 0) {
    let stats;
    try {
      stats = fs.statSync(exePath);
    } catch (error) {
      throw Object.assign(new Error(`${caller}: exePath ${exePath} is not an existing file ` +
        `(${error.code})`), { code: error.code });
    }
    if (stats.isDirectory()) {
      throw Object.assign(new Error(`${caller}: exePath ${exePath} is a folder, not a file`),
        { code: 'EISDIR' });
    }
    if (!stats.isFile()) {
      throw new Error(`${caller}: exePath ${exePath} is not a file (a device or a pipe)`);
    }
  }
  return { logFile, launcher, toolPath, timeoutMs };
}

// toolPath's answer for the log file, which the tool is given as its path.
function logPathForTool(caller, toolPath, logFile) {
  const seen = toolPath(logFile);
  if (typeof seen !== 'string' || seen === '') {
    throw argumentError(caller, `options.toolPath gave ${shown(seen)} for ${logFile}, not a path`);
  }
  return seen;
}

const NAME = /^[a-z]+(?:-[a-z]+)*$/;
const NUMBER = /^(?:0|[1-9][0-9]{0,9})$/;
const MAX_UINT32 = 4294967295;

function parseNumber(field, prefix) {
  if (!field.startsWith(prefix)) return null;
  const digits = field.slice(prefix.length);
  if (!NUMBER.test(digits)) return null;
  const value = Number(digits);
  return value <= MAX_UINT32 ? value : null;
}

// One event line, with or without its line end, as
// { event, pid, win32Error, text, known }; null when the line is not an event line.
// The line is split at its first three spaces: the text is everything after the third one,
// spaces included, and is empty for events without a text.
function parseEventLine(line) {
  if (typeof line !== 'string') return null;
  let rest = line;
  if (rest.endsWith('\r\n')) rest = rest.slice(0, -2);
  else if (rest.endsWith('\n') || rest.endsWith('\r')) rest = rest.slice(0, -1);
  if (rest.includes('\r') || rest.includes('\n')) return null;

  const fields = [];
  let start = 0;
  for (let i = 0; i < 3; i += 1) {
    const space = rest.indexOf(' ', start);
    if (space < 0) return null;
    fields.push(rest.slice(start, space));
    start = space + 1;
  }
  const [event, pidField, errorField] = fields;
  if (!NAME.test(event)) return null;
  const pid = parseNumber(pidField, 'pid=');
  const win32Error = parseNumber(errorField, 'win32-error=');
  if (pid === null || win32Error === null) return null;
  return { event, pid, win32Error, text: rest.slice(start), known: KNOWN_EVENTS.has(event) };
}

// Every event line of a text, in order. Lines that are not event lines (such as lines that the
// caller itself wrote into a shared log file) are left out.
function parseEvents(text) {
  if (typeof text !== 'string') {
    throw argumentError('parseEvents', `text must be a string, not ${shown(text)} ` +
      '(decodeLog or decodeStdout makes one)');
  }
  const events = [];
  for (const line of text.split('\n')) {
    const event = parseEventLine(line.endsWith('\r') ? line.slice(0, -1) : line);
    if (event !== null) events.push(event);
  }
  return events;
}

// The text of a log file's bytes: UTF-16 little-endian without a byte-order mark, as the tool
// writes it. A byte-order mark that the caller put at the start when it created the file is
// dropped, and so is an odd last byte (a write still in progress).
function decodeLog(bytes) {
  checkBytes('decodeLog', bytes);
  let data = Buffer.from(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  if (data.length >= 2 && data[0] === 0xff && data[1] === 0xfe) data = data.subarray(2);
  if (data.length % 2 !== 0) data = data.subarray(0, data.length - 1);
  return data.toString('utf16le');
}

// Events of a log file, from byte `offset` on (the file's size before a run, to read only
// what that run appended).
function readLogEvents(path, offset = 0) {
  // fs takes a number for an open file descriptor, and a negative offset would read the end.
  checkPath('readLogEvents', 'path', path);
  if (!Number.isSafeInteger(offset) || offset < 0) {
    throw argumentError('readLogEvents', 'offset must be a whole number of bytes from 0 on, ' +
      `not ${shown(offset)}`);
  }
  const bytes = fs.readFileSync(path);
  return parseEvents(decodeLog(bytes.subarray(Math.min(offset, bytes.length))));
}

// Standard output is in the system's ANSI code page. The event names and numbers are ASCII and
// read the same in any of them; a text with characters outside ASCII is exact only in the log.
function decodeStdout(bytes) {
  checkBytes('decodeStdout', bytes);
  return Buffer.from(bytes.buffer, bytes.byteOffset, bytes.byteLength).toString('latin1');
}

// The exit codes procsweep.exe itself answers with. Any other code came from something else: a
// launcher that could not start it, a crash, or a process that ended it.
const TOOL_EXIT_CODES = new Set(Object.values(ExitCode));

function runFailure(message, fields) {
  return Object.assign(new Error(message), fields);
}

// Runs procsweep.exe with `args` (a mode word and its operands, without --log) and resolves
// with { exitCode, events, stdoutEvents } once it has ended, exitCode being 0, 2, 10 or 11: the
// tool's own answer (2 without events: a malformed command line, such as an empty installation
// directory).
// exePath: the program's path, an existing file (not looked up on PATH); with a launcher, the
//   launcher's argument, passed as it is (Wine also takes Z:\... paths).
// options.logFile: a log file to append to and read back; created empty if missing (the tool
//   never creates one). Its events are exact, whatever the code page; without it, `events`
//   comes from standard output.
// options.launcher: program and arguments to put before the executable, such as ['wine'].
// options.toolPath: turns the log file's path into the one the tool sees (under Wine on Linux,
//   for example, '/tmp/x.log' into 'Z:\\tmp\\x.log'); the same path by default.
// options.timeoutMs: ends the run after that long, 1 to 2147483647 (the tool itself never waits
//   much longer than its own 8-second deadline plus one 3-second wait per process it terminates).
// It never throws: every failure rejects the promise with an Error. It rejects, before anything
// starts, with a TypeError naming the argument when the arguments are not what index.d.ts says
// (a mode word that is none of the tool's, an option name that is none), and with code ENOENT
// (EISDIR for a folder) when exePath, without a launcher, is no file. It rejects when the log
// file cannot be created or read (its folder is missing, access is refused), when the program
// cannot be started (spawn's error, such as ENOENT for a missing launcher), when it has not
// ended after timeoutMs (it is then ended; `timedOut` is true) or was ended by a signal
// (`signal`), and when it ends with an exit code that is none of the tool's (`exitCode`: Wine,
// for one, answers 53 for a program it cannot find).
function runProcsweep(exePath, args, options) {
  // Every step runs inside the promise: a failure before the start (fs.openSync on a missing
  // folder) rejects as a failure of the run does.
  return new Promise((resolve, reject) => {
    checkArgs('runProcsweep', args);
    const { logFile, launcher, toolPath, timeoutMs } = checkRun('runProcsweep', exePath, options);
    let offset = 0;
    let toolArgs = [...args];
    if (logFile !== undefined) {
      const toolLogFile = logPathForTool('runProcsweep', toolPath, logFile);
      fs.closeSync(fs.openSync(logFile, 'a'));
      offset = fs.statSync(logFile).size;
      toolArgs = ['--log', toolLogFile, ...toolArgs];
    }
    const [program, ...programArgs] = [...launcher, exePath, ...toolArgs];
    const child = childProcess.spawn(program, programArgs, {
      stdio: ['ignore', 'pipe', 'ignore'],
      windowsHide: true,
    });
    let timedOut = false;
    const timer = setTimeout(() => {
      timedOut = true;
      child.kill();
    }, timeoutMs);
    const settle = (settleWith, value) => {
      clearTimeout(timer);
      settleWith(value);
    };
    const chunks = [];
    child.stdout.on('data', (chunk) => chunks.push(chunk));
    child.on('error', (error) => settle(reject, error));
    child.on('close', (exitCode, signal) => {
      try {
        if (timedOut) {
          throw runFailure(`procsweep.exe did not end within ${timeoutMs} ms, and was ended`,
            { timedOut });
        }
        if (exitCode === null) throw runFailure(`procsweep.exe ended by ${signal}`, { signal });
        if (!TOOL_EXIT_CODES.has(exitCode)) {
          throw runFailure(`${program} ended with exit code ${exitCode}, which is none of ` +
            'procsweep.exe\'s (0, 2, 10, 11): something else answered, such as a launcher that ' +
            'could not start it (Wine answers 53 for a program it cannot find)', { exitCode });
        }
        const stdoutEvents = parseEvents(decodeStdout(Buffer.concat(chunks)));
        const events = logFile !== undefined ? readLogEvents(logFile, offset) : stdoutEvents;
        settle(resolve, { exitCode, events, stdoutEvents });
      } catch (error) {
        settle(reject, error);
      }
    });
  });
}

// Who holds an installation's files, as the Windows Restart Manager sees it: the tool's
// legacy-owners on installDir and mainExe, which asks about the main executable,
// resources\app.asar and the four helpers, those of them that exist. Resolves with
// [{ pid, appName }] in the tool's order, appName being the name the Restart Manager reports
// (exact with options.logFile). [] means that nobody holds them, or that there is nothing to hold
// (none of the files exists, or the installation directory itself does not). Whenever the
// answer is not known it rejects instead, so that a caller who only looks at the list never
// reads "could not ask" as "nobody":
// - the Restart Manager could not be asked (restart-manager-query-failed): `win32Error` is its
//   error, such as 353 (ERROR_MAX_SESSIONS_REACHED) or 5;
// - the tool answered 2 (`exitCode` 2, `events`: what failed, such as installation-path-failed
//   267 for a file given as the installation directory; none: a malformed command line, such as
//   an empty installDir or a mainExe that is no file name), or 10 or 11, which legacy-owners
//   never answers;
// - its answer stops before naming holders or their absence, or the log file holds fewer
//   events than standard output (the tool could not write to it);
// - every failure that runProcsweep rejects with (arguments, the log file, the start, the
//   timeout, an exit code that is not the tool's), the same way.
// options: those of runProcsweep.
async function findInstallationHolders(exePath, installDir, mainExe, options) {
  const caller = 'findInstallationHolders';
  checkString(caller, 'installDir', installDir);
  checkString(caller, 'mainExe', mainExe);
  checkRun(caller, exePath, options);
  const { exitCode, events, stdoutEvents } =
    await runProcsweep(exePath, ['legacy-owners', installDir, mainExe], options);
  const asking = `who holds the files of ${installDir}`;
  if (exitCode === ExitCode.FAILURE) {
    const why = events.length > 0
      ? events.map((e) => `${e.event} ${e.win32Error} ${e.text}`.trimEnd()).join('; ')
      : 'its command line was malformed (an empty installDir, or a mainExe that is no file name)';
    throw runFailure(`procsweep.exe could not ask ${asking}: ${why}`, { exitCode, events });
  }
  if (exitCode !== ExitCode.SUCCESS) {
    throw runFailure(`procsweep.exe answered ${exitCode}, which legacy-owners never does: ` +
      'is it procsweep.exe?', { exitCode, events });
  }
  // The tool writes each line to standard output and to the log: a log with fewer lines is one
  // it could not open (a toolPath that gives a path it cannot reach), and its silence is no
  // answer.
  if (events.length < stdoutEvents.length) {
    throw runFailure(`procsweep.exe wrote ${stdoutEvents.length} event lines to standard output ` +
      `and ${events.length} to the log file: it could not write to the log (does toolPath give ` +
      'the path it sees?)', { events: stdoutEvents });
  }
  const failed = events.find((e) => e.event === 'restart-manager-query-failed');
  if (failed) {
    throw runFailure(`procsweep.exe could not ask the Restart Manager ${asking}: error ` +
      `${failed.win32Error}`, { win32Error: failed.win32Error, events });
  }
  const holders = events.filter((e) => e.event === 'restart-manager-owner')
    .map((e) => ({ pid: e.pid, appName: e.text }));
  // The tool asks only when at least one of the files exists; once it has asked, its last line
  // says what the answer was.
  const asked = events.some((e) => e.event === 'restart-manager-sampled-file');
  const told = holders.length > 0 ||
    events.some((e) => e.event === 'restart-manager-no-owner-reported');
  if (asked && !told) {
    throw runFailure(`procsweep.exe's answer ${asking} names neither holders nor their absence`,
      { events });
  }
  return holders;
}

// What an exit code means, for messages.
function describeExitCode(exitCode) {
  if (typeof exitCode !== 'number') {
    throw argumentError('describeExitCode', `exitCode must be a number, not ${shown(exitCode)}`);
  }
  switch (exitCode) {
    case ExitCode.SUCCESS:
      return 'nothing of the installation runs, or the action succeeded';
    case ExitCode.FAILURE:
      return 'procsweep.exe could not do what was asked: its events say what failed ' +
        '(with none, its command line was malformed)';
    case ExitCode.MAIN_RUNNING:
      return 'the application runs';
    case ExitCode.HELPERS_RUNNING:
      return 'helper processes of the application run';
    default:
      return `unexpected exit code ${exitCode}`;
  }
}

const EXE_NAME = 'procsweep.exe';

// Electron reads a path through a file whose name ends in .asar as a path inside that archive:
// its fs finds procsweep.exe there, but Windows cannot start a program from inside an archive.
function asarComponent(components) {
  return components.findIndex((component) => component.toLowerCase().endsWith('.asar'));
}

function isFile(file) {
  try {
    return fs.statSync(file).isFile();
  } catch {
    return false;
  }
}

// Where procsweep.exe lies for the calling process, as a path it can start:
// - in a packaged Electron app, <resources>/procsweep.exe, where an extraResources entry
//   { "from": "node_modules/procsweep/procsweep.exe", "to": "procsweep.exe" } puts it;
// - otherwise the package's own copy, beside this file: in development (node, or `electron .`)
//   the one in node_modules. In a packaged app whose node_modules went into app.asar, the copy
//   in app.asar.unpacked, where electron-builder puts a module that holds an .exe by itself, or
//   an "asarUnpack" entry puts it; the packed copy is never taken.
// options.resourcesPath: the app's resources folder (by default process.resourcesPath, which
//   Electron sets).
// Throws when none of them is there, naming the places it looked.
function findProcsweepExe(options) {
  const { resourcesPath = process.resourcesPath } =
    checkOptions('findProcsweepExe', options, ['resourcesPath']);
  // A string given by the caller; Electron's own process.resourcesPath is taken as it is.
  if (options !== undefined && options.resourcesPath !== undefined) {
    checkPath('findProcsweepExe', 'options.resourcesPath', resourcesPath);
  }
  const candidates = resourcesPath ? [path.join(resourcesPath, EXE_NAME)] : [];
  const own = path.join(__dirname, EXE_NAME).split(path.sep);
  const archive = asarComponent(own);
  if (archive >= 0) own[archive] += '.unpacked';
  candidates.push(own.join(path.sep));
  const found = candidates.find((candidate) =>
    asarComponent(candidate.split(path.sep)) < 0 && isFile(candidate));
  if (found === undefined) {
    throw new Error(`${EXE_NAME} not found in ${candidates.join(' or ')}: ship it with the app, ` +
      'as the extraResources entry { "from": "node_modules/procsweep/procsweep.exe", ' +
      '"to": "procsweep.exe" }');
  }
  return found;
}

module.exports = {
  ExitCode,
  EVENT_NAMES,
  parseEventLine,
  parseEvents,
  decodeLog,
  readLogEvents,
  decodeStdout,
  runProcsweep,
  findInstallationHolders,
  describeExitCode,
  findProcsweepExe,
};
