// Every export of the package, used from TypeScript as an Electron app's update code would:
// `tsc --noEmit --strict` must accept it, and reject each line marked @ts-expect-error.
import {
  EVENT_NAMES,
  ExitCode,
  decodeLog,
  decodeStdout,
  describeExitCode,
  findInstallationHolders,
  findProcsweepExe,
  parseEventLine,
  parseEvents,
  readLogEvents,
  runProcsweep,
} from 'procsweep';
import type {
  EventName,
  FindOptions,
  Holder,
  HoldersFailure,
  InstallationMode,
  KnownEvent,
  ProcsweepArgs,
  ProcsweepEvent,
  RunFailure,
  RunOptions,
  RunResult,
  UnknownEvent,
} from 'procsweep';

const mainRunning: ExitCode = ExitCode.MAIN_RUNNING;
const codes: ExitCode[] = [ExitCode.SUCCESS, ExitCode.FAILURE, mainRunning, ExitCode.HELPERS_RUNNING];
// @ts-expect-error the exit codes are read-only
ExitCode.SUCCESS = 0;
// @ts-expect-error 1 is no exit code of procsweep.exe
const notACode: ExitCode = 1;

const names: readonly EventName[] = EVENT_NAMES;
const matched: EventName = 'matched';
// @ts-expect-error an event name the tool never writes
const typo: EventName = 'match';

function holders(events: ProcsweepEvent[]): { pid: number; name: string }[] {
  return events.filter((e) => e.event === 'restart-manager-owner')
    .map((e) => ({ pid: e.pid, name: e.text }));
}

function describe(event: ProcsweepEvent): string {
  if (event.known) {
    const known: KnownEvent = event;
    const name: EventName = known.event;
    return `${name} ${known.win32Error}`;
  }
  const unknown: UnknownEvent = event;
  return `a later tool's ${unknown.event}`;
}

async function probe(installDir: string, mainExe: string): Promise<string[]> {
  const options: FindOptions = { resourcesPath: 'C:\\Program Files\\Example App\\resources' };
  const exe: string = findProcsweepExe(options);
  const mode: InstallationMode = 'probe';
  const args: ProcsweepArgs = [mode, installDir, mainExe];
  const runOptions: RunOptions = {
    logFile: 'C:\\Temp\\procsweep.log',
    launcher: ['wine'],
    toolPath: (path: string) => path,
    timeoutMs: 30000,
  };
  const result: RunResult = await runProcsweep(exe, args, runOptions);
  await runProcsweep(findProcsweepExe(), ['owners', 'C:\\data.txt']);
  // @ts-expect-error "owners" takes one file, not an installation
  await runProcsweep(exe, ['owners', installDir, mainExe]);
  // @ts-expect-error mode words are lower case
  await runProcsweep(exe, ['Probe', installDir, mainExe]);
  // @ts-expect-error a mode word and its operands, never one string
  await runProcsweep(exe, 'probe');
  // @ts-expect-error a launcher is an array of words, never one string
  await runProcsweep(exe, args, { launcher: 'wine' });
  // @ts-expect-error no option is called so (logFile is)
  await runProcsweep(exe, args, { logfile: 'C:\\Temp\\procsweep.log' });
  const told = describeExitCode(result.exitCode);
  return [told, ...result.events.map(describe), ...result.stdoutEvents.map(describe)];
}

// A caller that tells the tool's answers from a run that gave none.
async function answer(exe: string, args: ProcsweepArgs): Promise<ExitCode | string> {
  try {
    return (await runProcsweep(exe, args)).exitCode;
  } catch (error) {
    const failure = error as RunFailure;
    const why = failure.exitCode ?? failure.signal ?? failure.timedOut ?? failure.message;
    return `no answer: ${why}`;
  }
}
// A caller that tells "nobody holds them" from "could not ask".
async function whoHolds(exe: string, installDir: string, mainExe: string): Promise<string> {
  try {
    const holders: Holder[] = await findInstallationHolders(exe, installDir, mainExe,
      { logFile: 'C:\\Temp\\procsweep.log', timeoutMs: 30000 });
    if (holders.length === 0) return 'nobody holds them';
    return holders.map((holder) => `${holder.appName} (${holder.pid})`).join(', ');
  } catch (error) {
    const failure = error as HoldersFailure;
    const events: ProcsweepEvent[] = failure.events ?? [];
    const why = failure.win32Error ?? failure.exitCode ?? failure.timedOut ?? failure.message;
    return `could not ask: ${why} (${events.length} events)`;
  }
}
// @ts-expect-error the name of a holder is its appName
const misnamed: Holder = { pid: 1, name: 'Editor' };
// @ts-expect-error the installation directory and the main executable are two arguments
findInstallationHolders(findProcsweepExe(), ['C:\\App', 'App.exe']);

// @ts-expect-error a result holds only the tool's own exit codes
const otherAnswer: RunResult = { exitCode: 53, events: [], stdoutEvents: [] };

const line: ProcsweepEvent | null = parseEventLine('matched pid=1 win32-error=0 C:\\App.exe');
const fromLog: ProcsweepEvent[] = readLogEvents('C:\\Temp\\procsweep.log', 0);
const fromBytes: ProcsweepEvent[] = parseEvents(decodeLog(new Uint8Array([0x41, 0])));
const fromStdout: string = decodeStdout(new Uint8Array([0x41]));
// @ts-expect-error a log is read from its bytes, not from a string
decodeLog('text');

export {
  codes, notACode, names, matched, typo, holders, probe, answer, whoHolds, misnamed, otherAnswer,
  line, fromLog, fromBytes, fromStdout,
};
