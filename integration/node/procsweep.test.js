'use strict';
// Tests of the Node.js module: the line parser and the log decoding on their own, then, when
// PROCSWEEP_EXE names a built procsweep.exe, real runs of it (under Wine when not on Windows).

const assert = require('node:assert/strict');
const childProcess = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const test = require('node:test');

const nsisInstaller = require('./nsis-installer.js');
const procsweep = require('./procsweep.js');

const SOURCE_DIR = process.env.PROCSWEEP_SOURCE_DIR || path.resolve(__dirname, '..', '..');

test('parseEventLine splits at the first three spaces only', () => {
  const cases = [
    ['matched pid=4242 win32-error=0 C:\\Program Files\\App\\App.exe\r\n',
      { event: 'matched', pid: 4242, win32Error: 0, text: 'C:\\Program Files\\App\\App.exe' }],
    // Events without a text end in the separator's space.
    ['snapshot-failed pid=0 win32-error=5 \r\n',
      { event: 'snapshot-failed', pid: 0, win32Error: 5, text: '' }],
    ['restart-manager-no-owner-reported pid=0 win32-error=0 ',
      { event: 'restart-manager-no-owner-reported', pid: 0, win32Error: 0, text: '' }],
    ['wait-failed pid=4294967295 win32-error=4294967295 x\n',
      { event: 'wait-failed', pid: 4294967295, win32Error: 4294967295, text: 'x' }],
    // A text that looks like more fields stays text: an application name chosen by another
    // program cannot forge the numbers.
    ['restart-manager-owner pid=7 win32-error=0 Evil pid=1 win32-error=0  two  spaces ',
      { event: 'restart-manager-owner', pid: 7, win32Error: 0,
        text: 'Evil pid=1 win32-error=0  two  spaces ' }],
    ['cleanup-deadline pid=12 win32-error=258 C:\\Программы\\App.exe',
      { event: 'cleanup-deadline', pid: 12, win32Error: 258, text: 'C:\\Программы\\App.exe' }],
  ];
  for (const [line, expected] of cases) {
    assert.deepEqual(procsweep.parseEventLine(line), { ...expected, known: true }, line);
  }
  assert.deepEqual(procsweep.parseEventLine('some-future-event pid=1 win32-error=2 t'),
    { event: 'some-future-event', pid: 1, win32Error: 2, text: 't', known: false });
});

test('parseEventLine refuses what the tool never writes', () => {
  const lines = [
    '',
    'matched',
    'matched pid=1 win32-error=0',
    'matched pid=1 C:\\App.exe',
    'Matched pid=1 win32-error=0 x',
    'matched pid=01 win32-error=0 x',
    'matched pid=-1 win32-error=0 x',
    'matched pid=4294967296 win32-error=0 x',
    'matched pid= win32-error=0 x',
    'matched pid=1 error=0 x',
    'matched  pid=1 win32-error=0 x',
    'matched pid=1 win32-error=0 a\rb',
    'matched pid=1 win32-error=0 a\nb\r\n',
    'earlier text written by the caller',
  ];
  for (const line of lines) assert.equal(procsweep.parseEventLine(line), null, line);
  assert.equal(procsweep.parseEventLine(undefined), null);
});

test('parseEvents keeps the event lines of a text in order', () => {
  const text = 'the caller\'s own line\r\n' +
    'restart-manager-file pid=0 win32-error=0 C:\\data file.txt\r\n' +
    '\r\n' +
    'restart-manager-owner pid=88 win32-error=0 Editor\r\n' +
    'restart-manager-owner pid=89 win32-error=0 Other Editor';
  assert.deepEqual(procsweep.parseEvents(text).map((e) => [e.event, e.pid, e.text]), [
    ['restart-manager-file', 0, 'C:\\data file.txt'],
    ['restart-manager-owner', 88, 'Editor'],
    ['restart-manager-owner', 89, 'Other Editor'],
  ]);
  assert.deepEqual(procsweep.parseEvents(''), []);
});

test('decodeLog reads UTF-16LE, with or without a byte-order mark of the caller', () => {
  const line = 'matched pid=5 win32-error=0 C:\\Apps\\Ж 𝄞\\App.exe\r\n';
  const bare = Buffer.from(line, 'utf16le');
  const cases = [
    [bare, line],
    [Buffer.concat([Buffer.from([0xff, 0xfe]), bare]), line],
    // A write still in progress can leave half a UTF-16 unit at the end.
    [Buffer.concat([bare, Buffer.from([0x41])]), line],
    [Buffer.alloc(0), ''],
  ];
  for (const [bytes, expected] of cases) assert.equal(procsweep.decodeLog(bytes), expected);
  assert.equal(procsweep.decodeLog(new Uint8Array(bare)), line);
});

test('readLogEvents reads a log file from an offset', (t) => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'procsweep-node-'));
  t.after(() => fs.rmSync(folder, { recursive: true, force: true }));
  const log = path.join(folder, 'events.log');
  const first = 'probe-line pid=1 win32-error=0 first\r\n';
  const second = 'matched pid=2 win32-error=0 C:\\App\\App.exe\r\n';
  fs.writeFileSync(log, Buffer.from(first + second, 'utf16le'));
  const offset = Buffer.byteLength(first, 'utf16le');
  assert.deepEqual(procsweep.readLogEvents(log).map((e) => e.pid), [1, 2]);
  assert.deepEqual(procsweep.readLogEvents(log, offset).map((e) => e.pid), [2]);
  assert.deepEqual(procsweep.readLogEvents(log, 1000), []);
});

test('EVENT_NAMES is the vocabulary of the tool', () => {
  const header = fs.readFileSync(path.join(SOURCE_DIR, 'src', 'report', 'event_names.h'), 'utf8');
  const names = [...header.matchAll(/L"([a-z-]+)"/g)].map((match) => match[1]);
  assert.deepEqual([...procsweep.EVENT_NAMES].sort(), names.sort());
  assert.equal(new Set(procsweep.EVENT_NAMES).size, procsweep.EVENT_NAMES.length);
});

test('describeExitCode names every exit code', () => {
  for (const code of Object.values(procsweep.ExitCode)) {
    assert.doesNotMatch(procsweep.describeExitCode(code), /unexpected/);
  }
  assert.match(procsweep.describeExitCode(3), /unexpected exit code 3/);
});

test('the Electron example is valid JavaScript', () => {
  // It needs Electron to run; its syntax is checked here.
  const check = childProcess.spawnSync(process.execPath,
    ['--check', path.join(__dirname, 'electron-update-example.js')], { encoding: 'utf8' });
  assert.equal(check.status, 0, check.stderr);
});

test('the updater hands NSIS the app\'s folder last and unquoted, spaces and all', () => {
  const cases = [
    ['C:\\Users\\ada\\Downloads\\Example App Setup 2.0.0.exe',
      'C:\\Users\\ada\\AppData\\Local\\Programs\\Example App',
      '"C:\\Users\\ada\\Downloads\\Example App Setup 2.0.0.exe" /S ' +
        '/D=C:\\Users\\ada\\AppData\\Local\\Programs\\Example App'],
    // A drive's root keeps its backslash: with no closing quote after it, nothing is escaped.
    ['D:\\setup.exe', 'D:\\', '"D:\\setup.exe" /S /D=D:\\'],
  ];
  for (const [installer, installDir, commandLine] of cases) {
    const spawn = nsisInstaller.nsisInstallerSpawn(installer, installDir);
    assert.equal(nsisInstaller.windowsCommandLine(spawn), commandLine);
    assert.equal(spawn.file, installer);
    assert.equal(spawn.options.windowsVerbatimArguments, true);
  }
});

test('the updater reports an installer that failed or could not start',
  { skip: process.platform === 'win32' && 'the stand-in installers are shell scripts' }, (t) => {
  // The example needs Electron: a stand-in for the two objects it uses, found through NODE_PATH.
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'procsweep-updater-'));
  t.after(() => fs.rmSync(folder, { recursive: true, force: true }));
  const electron = path.join(folder, 'modules', 'electron');
  fs.mkdirSync(electron, { recursive: true });
  fs.writeFileSync(path.join(electron, 'index.js'),
    "module.exports = { app: { getPath: () => 'C:\\\\Temp' }, dialog: {} };\n");
  const installers = [];
  for (const code of [2, 3]) {
    const installer = path.join(folder, `installer-${code}`);
    fs.writeFileSync(installer, `#!/bin/sh\nexit ${code}\n`, { mode: 0o755 });
    installers.push(installer);
  }
  installers.push(path.join(folder, 'no-such-installer'));
  const script = `
    const example = require(${JSON.stringify(path.join(__dirname, 'electron-update-example.js'))});
    (async () => {
      const told = [];
      for (const installer of process.argv.slice(1)) {
        const outcome = await example.runInstaller(installer, 'C:\\\\App');
        told.push(example.describeInstallerOutcome(outcome));
      }
      process.stdout.write(JSON.stringify(told));
    })();`;
  const run = childProcess.spawnSync(process.execPath, ['-e', script, ...installers], {
    encoding: 'utf8', env: { ...process.env, NODE_PATH: path.join(folder, 'modules') },
  });
  assert.equal(run.status, 0, run.stderr);
  const told = JSON.parse(run.stdout);
  assert.equal(told[0], 'The update was not installed: the application could not be ended. ' +
    `See ${path.join('C:\\Temp', 'Example App setup procsweep.log')}.`);
  assert.equal(told[1], 'The update was not installed: the application was kept running.');
  assert.match(told[2], /^The update could not be started: .*ENOENT/);
});

test('describeInstallerExit names the exit codes of the NSIS example', () => {
  const texts = [0, 1, 2, 3, 4].map((code) => nsisInstaller.describeInstallerExit(code, 'r.log'));
  assert.equal(new Set(texts).size, texts.length);
  assert.match(texts[2], /r\.log/);
  assert.match(texts[4], /exit code 4/);
});

const exe = process.env.PROCSWEEP_EXE;
const onWindows = process.platform === 'win32';
const launcher = onWindows ? [] : [path.join(SOURCE_DIR, 'tools', 'wine-run')];
const toolPath = (linuxPath) => (onWindows ? linuxPath : `Z:${linuxPath.replace(/\//g, '\\')}`);

test('runProcsweep runs the real tool and reads its log', { skip: !exe && 'PROCSWEEP_EXE not set' },
  async (t) => {
    // Wine turns non-ASCII arguments into UTF-16 only under a UTF-8 locale.
    process.env.LC_ALL = 'C.UTF-8';
    if (!process.env.WINEPREFIX && process.env.PROCSWEEP_BUILD_DIR) {
      process.env.WINEPREFIX = path.join(process.env.PROCSWEEP_BUILD_DIR, 'wineprefix');
    }
    if (!onWindows) {
      // The first program of a Wine prefix starts its services, which inherit its handles and
      // would hold a pipe of ours open: start one with none first.
      childProcess.spawnSync(launcher[0], [exe], { stdio: 'ignore' });
    }
    const folder = fs.mkdtempSync(path.join(process.env.PROCSWEEP_BUILD_DIR || os.tmpdir(),
      'node-test-'));
    t.after(() => fs.rmSync(folder, { recursive: true, force: true }));
    const dataFile = path.join(folder, 'data файл.txt');
    fs.writeFileSync(dataFile, 'data');
    const log = path.join(folder, 'events.log');

    const run = await procsweep.runProcsweep(exe, ['owners', toolPath(dataFile)],
      { logFile: log, launcher, toolPath });
    assert.equal(run.exitCode, procsweep.ExitCode.SUCCESS);
    const expected = [
      ['restart-manager-file', toolPath(dataFile)],
      // Wine's Restart Manager never names a holder.
      ['restart-manager-no-owner-reported', ''],
    ];
    assert.deepEqual(run.events.map((e) => [e.event, e.text]), expected);
    // Standard output carries the same events; only the log keeps the Cyrillic letters.
    assert.deepEqual(run.stdoutEvents.map((e) => e.event), expected.map(([event]) => event));
    assert.notEqual(run.stdoutEvents[0].text, toolPath(dataFile));

    // A second run appends; only its own events are read back.
    const again = await procsweep.runProcsweep(exe, ['probe', toolPath(path.join(folder, 'none')),
      'App.exe'], { logFile: log, launcher, toolPath });
    assert.deepEqual([again.exitCode, again.events], [procsweep.ExitCode.SUCCESS, []]);
    const malformed = await procsweep.runProcsweep(exe, ['probe'],
      { logFile: log, launcher, toolPath });
    assert.deepEqual([malformed.exitCode, malformed.events], [procsweep.ExitCode.FAILURE, []]);
    assert.equal(procsweep.readLogEvents(log).length, 2);
  });
