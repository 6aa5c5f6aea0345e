'use strict';
// Tests of the package's Node.js module, required by its name from a project that installed the
// package: the line parser and the log decoding on their own, where procsweep.exe is found in
// each layout of an app, the types against the module, and real runs of the package's own
// procsweep.exe (under Wine when not on Windows).
//
// Environment: PROCSWEEP_SOURCE_DIR, the checkout (for the tool's vocabulary and tools/wine-run;
// by default two folders up from here, as in the checkout).

const assert = require('node:assert/strict');
const childProcess = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const test = require('node:test');

const procsweep = require('procsweep');

const SOURCE_DIR = process.env.PROCSWEEP_SOURCE_DIR || path.resolve(__dirname, '..', '..');
const PACKAGE_DIR = path.dirname(require.resolve('procsweep/package.json'));

function temporaryFolder(t, prefix) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), prefix));
  t.after(() => fs.rmSync(folder, { recursive: true, force: true }));
  return folder;
}

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
  const folder = temporaryFolder(t, 'procsweep-node-');
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
  // 2 also answers a malformed command line, which has no events to see.
  assert.match(procsweep.describeExitCode(procsweep.ExitCode.FAILURE), /malformed/);
  assert.match(procsweep.describeExitCode(3), /unexpected exit code 3/);
});

// Copies of the package's own files, at these places below root. The module is required from
// its place there, so that it sees the folder it would see in that layout.
function layOut(root, files) {
  for (const relative of files) {
    const target = path.join(root, ...relative.split('/'));
    fs.mkdirSync(path.dirname(target), { recursive: true });
    fs.copyFileSync(path.join(PACKAGE_DIR, path.basename(target)), target);
  }
}

test('findProcsweepExe finds the copy that can be started, in each layout of an app', (t) => {
  // A packaged app's resources folder, as electron-builder leaves it, with the app's
  // node_modules in app.asar (or in app, without an archive).
  const ASAR = 'resources/app.asar/node_modules/procsweep';
  const UNPACKED = 'resources/app.asar.unpacked/node_modules/procsweep';
  const layouts = [
    { name: 'extraResources',
      files: [`${ASAR}/procsweep.js`, `${ASAR}/procsweep.exe`, 'resources/procsweep.exe'],
      found: 'resources/procsweep.exe' },
    { name: 'unpacked from app.asar (by electron-builder itself, or asarUnpack)',
      files: [`${ASAR}/procsweep.js`, `${ASAR}/procsweep.exe`, `${UNPACKED}/procsweep.exe`],
      found: `${UNPACKED}/procsweep.exe` },
    { name: 'both: extraResources first',
      files: [`${ASAR}/procsweep.js`, `${UNPACKED}/procsweep.exe`, 'resources/procsweep.exe'],
      found: 'resources/procsweep.exe' },
    { name: 'no archive ("asar": false)',
      files: ['resources/app/node_modules/procsweep/procsweep.js',
        'resources/app/node_modules/procsweep/procsweep.exe'],
      found: 'resources/app/node_modules/procsweep/procsweep.exe' },
    // Electron's fs finds a file inside app.asar as if it were there, but Windows cannot start
    // it: never taken, whatever the letter case of the archive's name.
    { name: 'only inside app.asar',
      files: [`${ASAR}/procsweep.js`, `${ASAR}/procsweep.exe`], found: null },
    { name: 'only inside App.ASAR',
      files: ['resources/App.ASAR/node_modules/procsweep/procsweep.js',
        'resources/App.ASAR/node_modules/procsweep/procsweep.exe'], found: null },
    // `electron .` in development: Electron's own resources folder, without procsweep.exe.
    { name: 'development under Electron',
      files: ['node_modules/procsweep/procsweep.js', 'node_modules/procsweep/procsweep.exe'],
      resources: 'node_modules/electron/dist/resources',
      found: 'node_modules/procsweep/procsweep.exe' },
  ];
  for (const layout of layouts) {
    const root = temporaryFolder(t, 'procsweep-layout-');
    layOut(root, layout.files);
    const resourcesPath = path.join(root, ...(layout.resources || 'resources').split('/'));
    fs.mkdirSync(resourcesPath, { recursive: true });
    const copy = require(path.join(root, ...layout.files[0].split('/')));
    if (layout.found) {
      assert.equal(copy.findProcsweepExe({ resourcesPath }),
        path.join(root, ...layout.found.split('/')), layout.name);
    } else {
      assert.throws(() => copy.findProcsweepExe({ resourcesPath }),
        /procsweep\.exe not found .*"from": "node_modules\/procsweep\/procsweep\.exe"/,
        layout.name);
    }
  }
});

test('findProcsweepExe takes Electron\'s resources folder, or the package\'s own copy', (t) => {
  // Plain Node (no process.resourcesPath): the copy the package brought.
  assert.equal(procsweep.findProcsweepExe(), path.join(PACKAGE_DIR, 'procsweep.exe'));
  const resources = temporaryFolder(t, 'procsweep-resources-');
  layOut(resources, ['procsweep.exe']);
  // What Electron sets in a packaged app.
  process.resourcesPath = resources;
  t.after(() => { delete process.resourcesPath; });
  assert.equal(procsweep.findProcsweepExe(), path.join(resources, 'procsweep.exe'));
});

test('index.d.ts declares every export, and the event names the module knows', () => {
  const types = fs.readFileSync(path.join(PACKAGE_DIR, 'index.d.ts'), 'utf8');
  const declared = [...types.matchAll(/^export declare (?:const|function) (\w+)/gm)]
    .map((match) => match[1]);
  assert.deepEqual(declared.sort(), Object.keys(procsweep).sort());
  const union = types.slice(types.indexOf('export type EventName ='));
  const names = [...union.slice(0, union.indexOf(';')).matchAll(/'([a-z-]+)'/g)]
    .map((match) => match[1]);
  assert.deepEqual(names, [...procsweep.EVENT_NAMES]);
});

// A stand-in for procsweep.exe: Node.js running `script`, started as a launcher would start the
// tool, so that process.argv holds what the tool would get (--log and its path, the mode word...).
function standIn(script) {
  return { launcher: [process.execPath, '-e', script] };
}

// What a stand-in writes into the log it is given, as the tool would.
const APPEND_MATCHED = `
  const log = process.argv[process.argv.indexOf('--log') + 1];
  require('fs').appendFileSync(log,
    Buffer.from('matched pid=7 win32-error=0 C:\\\\App\\\\App.exe\\r\\n', 'utf16le'));`;

// Calls runProcsweep as a caller that only handles rejections would: a synchronous throw fails.
function runOrThrown(...args) {
  let promise;
  try {
    promise = procsweep.runProcsweep(...args);
  } catch (error) {
    assert.fail(`runProcsweep threw instead of rejecting: ${error.message}`);
  }
  assert.ok(promise instanceof Promise);
  return promise;
}

test('runProcsweep resolves with the tool\'s answer, and rejects on anything else', async (t) => {
  const folder = temporaryFolder(t, 'procsweep-run-');
  const log = path.join(folder, 'events.log');
  const missingFolderLog = path.join(folder, 'no such folder', 'events.log');
  const toolPathFailure = new Error('no Windows path for this');
  const cases = [
    { name: 'the tool answers 10, with an event in its log',
      run: ['procsweep.exe', ['probe', 'C:\\App', 'App.exe'],
        { ...standIn(`${APPEND_MATCHED} process.exit(10);`), logFile: log }],
      resolves: { exitCode: 10, events: [['matched', 7, 'C:\\App\\App.exe']] } },
    // An empty installation directory (an installer's variable never set) is a string, as the
    // types allow, and the tool refuses it.
    { name: 'the tool answers 2 without an event (a malformed command line)',
      run: ['procsweep.exe', ['probe', '', 'App.exe'], standIn('process.exit(2);')],
      resolves: { exitCode: 2, events: [] } },
    // Before the program starts.
    { name: 'the log file\'s folder does not exist',
      run: ['procsweep.exe', ['probe', 'C:\\App', 'App.exe'],
        { ...standIn('process.exit(0);'), logFile: missingFolderLog }],
      rejects: { code: 'ENOENT' } },
    { name: 'the log file is a folder',
      run: ['procsweep.exe', ['probe', 'C:\\App', 'App.exe'],
        { ...standIn('process.exit(0);'), logFile: folder }],
      rejects: (error) => ['EISDIR', 'EPERM', 'EACCES'].includes(error.code) },
    { name: 'toolPath fails',
      run: ['procsweep.exe', ['probe', 'C:\\App', 'App.exe'],
        { ...standIn('process.exit(0);'), logFile: log,
          toolPath: () => { throw toolPathFailure; } }],
      rejects: (error) => error === toolPathFailure },
    { name: 'the arguments are no array', run: ['procsweep.exe', null], rejects: TypeError },
    { name: 'the options are null', run: ['procsweep.exe', ['probe', 'C:\\App', 'App.exe'], null],
      rejects: TypeError },
    { name: 'the program does not exist',
      run: [path.join(folder, 'no such folder', 'procsweep.exe'), ['probe', 'C:\\App', 'App.exe']],
      rejects: { code: 'ENOENT' } },
    // After it has started.
    { name: 'an exit code that is none of the tool\'s (a launcher that cannot find the program)',
      run: ['procsweep.exe', ['probe', 'C:\\App', 'App.exe'], standIn('process.exit(53);')],
      rejects: { exitCode: 53 } },
    { name: 'exit code 1 (Wine that could not start)',
      run: ['procsweep.exe', ['probe', 'C:\\App', 'App.exe'], standIn('process.exit(1);')],
      rejects: { exitCode: 1 } },
    { name: 'no end within timeoutMs',
      run: ['procsweep.exe', ['probe', 'C:\\App', 'App.exe'],
        { ...standIn('setTimeout(() => {}, 20000);'),
        timeoutMs: 300 }],
      rejects: { timedOut: true } },
    { name: 'the log file gone when it is read back',
      run: ['procsweep.exe', ['probe', 'C:\\App', 'App.exe'], { ...standIn(`
        require('fs').rmSync(process.argv[process.argv.indexOf('--log') + 1]);`), logFile: log }],
      rejects: { code: 'ENOENT' } },
  ];
  if (process.platform !== 'win32') {
    cases.push({ name: 'ended by a signal',
      run: ['procsweep.exe', ['probe', 'C:\\App', 'App.exe'],
        standIn('process.kill(process.pid, "SIGKILL");')],
      rejects: { signal: 'SIGKILL' } });
  }
  for (const { name, run, resolves, rejects } of cases) {
    const promise = runOrThrown(...run);
    if (resolves) {
      const { exitCode, events } = await promise;
      assert.deepEqual({ exitCode, events: events.map((e) => [e.event, e.pid, e.text]) }, resolves,
        name);
    } else {
      await assert.rejects(promise, rejects, name);
    }
  }
  assert.equal(fs.existsSync(path.dirname(missingFolderLog)), false);
});

// Each call below is one that index.d.ts does not allow. Each must reject with a TypeError that
// names what is wrong (or, for a program that is not there, the code spawn would have given),
// and start nothing: the stand-in would answer 0, "nothing runs", and leaves a mark when it is
// started.
test('runProcsweep rejects arguments and options that index.d.ts does not allow, naming them',
  async (t) => {
    const folder = temporaryFolder(t, 'procsweep-check-');
    const mark = path.join(folder, 'started');
    const { launcher } = standIn(`require('fs').writeFileSync(${JSON.stringify(mark)}, '');`);
    const log = path.join(folder, 'events.log');
    const exe = 'procsweep.exe';
    const probe = ['probe', 'C:\\App', 'App.exe'];
    const cases = [
      ['exePath is no string', [undefined, probe, { launcher }], /exePath must be a string/],
      ['exePath is empty', ['', probe, { launcher }], /exePath must be a path, not ""/],
      ['exePath, without a launcher, is no file', [path.join(folder, 'missing.exe'), probe],
        { code: 'ENOENT', message: /exePath .*missing\.exe is not an existing file \(ENOENT\)/ }],
      ['exePath, without a launcher, is a folder', [folder, probe],
        { code: 'EISDIR', message: /exePath .* is a folder, not a file/ }],
      ['args is a string', [exe, 'probe', { launcher }], /args must be an array/],
      ['args is null', [exe, null, { launcher }], /args must be an array/],
      ['args is empty', [exe, [], { launcher }], /args\[0\] must be a mode word/],
      ['the mode word in capitals', [exe, ['Probe', 'C:\\App', 'App.exe'], { launcher }],
        new RegExp('args\\[0\\] must be a mode word ' +
          '\\(probe, close, clean, force, legacy-owners, owners\\), not the string "Probe"')],
      ['an unknown mode word', [exe, ['kill', 'C:\\App', 'App.exe'], { launcher }],
        /args\[0\] must be a mode word .*"kill"/],
      ['a mode word without its operands', [exe, ['probe'], { launcher }],
        /args must be \[mode, installDir, mainExe\] for "probe", not 1 item/],
      ['one operand too many', [exe, [...probe, '--log'], { launcher }],
        /args must be \[mode, installDir, mainExe\] for "probe", not 4 items/],
      ['owners with an installation', [exe, ['owners', 'C:\\App', 'App.exe'], { launcher }],
        /args must be \['owners', file\], not 3 items/],
      ['an installation directory that is no string', [exe, ['close', 42, 'App.exe'], { launcher }],
        /args\[1\] \(installDir\) must be a string, not the number 42/],
      ['a main executable that is no string',
        [exe, ['legacy-owners', 'C:\\App', undefined], { launcher }],
        /args\[2\] \(mainExe\) must be a string, not undefined/],
      ['a file that is no string', [exe, ['owners', ['C:\\data.txt']], { launcher }],
        /args\[1\] \(file\) must be a string, not an array/],
      ['options is a string', [exe, probe, 'wine'], /options must be an object, not the string/],
      ['options is an array (a launcher)', [exe, probe, ['wine']],
        /options must be an object, not an array/],
      ['options is null', [exe, probe, null], /options must be an object, not null/],
      ['an option name that is none', [exe, probe, { launcher, logfile: log }],
        new RegExp('options\\.logfile is no option of runProcsweep ' +
          '\\(its options: logFile, launcher, toolPath, timeoutMs\\)')],
      ['the launcher is a string', [exe, probe, { launcher: 'wine' }],
        /options\.launcher must be an array of strings, not the string "wine"/],
      ['a launcher argument that is no string', [exe, probe, { launcher: [...launcher, 5] }],
        /options\.launcher\[3\] must be a string, not the number 5/],
      ['a launcher whose program is empty', [exe, probe, { launcher: ['', ...launcher] }],
        /options\.launcher\[0\] must be a program, not ""/],
      ['the log file is no string', [exe, probe, { launcher, logFile: 42 }],
        /options\.logFile must be a string, not the number 42/],
      ['the log file is empty', [exe, probe, { launcher, logFile: '' }],
        /options\.logFile must be a path, not ""/],
      ['toolPath is no function', [exe, probe, { launcher, logFile: log, toolPath: 'Z:' }],
        /options\.toolPath must be a function, not the string "Z:"/],
      ['toolPath gives no path', [exe, probe, { launcher, logFile: log, toolPath: () => {} }],
        /options\.toolPath gave undefined for .*events\.log, not a path/],
      ['timeoutMs is a string', [exe, probe, { launcher, timeoutMs: '5000' }],
        new RegExp('options\\.timeoutMs must be a number of milliseconds from 1 to 2147483647, ' +
          'not the string "5000"')],
      // setTimeout takes each of these for 1 ms, and would end the run at once.
      ...[0, -1, NaN, Infinity, 2 ** 31].map((timeoutMs) => [`timeoutMs ${timeoutMs}`,
        [exe, probe, { launcher, timeoutMs }],
        new RegExp(`options\\.timeoutMs must be a number of milliseconds .*, ` +
          `not the number ${timeoutMs}`)]),
    ];
    for (const [name, run, expected] of cases) {
      const { code, message } = expected instanceof RegExp ? { message: expected } : expected;
      await assert.rejects(runOrThrown(...run), (error) => {
        assert.ok(code ? error.code === code : error instanceof TypeError,
          `${name}: ${error.stack}`);
        assert.match(error.message, message, name);
        return true;
      }, name);
      assert.equal(fs.existsSync(mark), false, `${name}: something was started`);
    }
    // The log file was not made either.
    assert.equal(fs.existsSync(log), false);
  });

test('the module\'s other functions throw a TypeError that names an argument of another type',
  (t) => {
    const log = path.join(temporaryFolder(t, 'procsweep-check-'), 'events.log');
    fs.writeFileSync(log, Buffer.from('matched pid=1 win32-error=0 C:\\App.exe\r\n', 'utf16le'));
    const cases = [
      // The text of a log, not its bytes.
      ['parseEvents', () => procsweep.parseEvents(fs.readFileSync(log)),
        new RegExp('parseEvents: text must be a string, not a Uint8Array ' +
          '\\(decodeLog or decodeStdout makes one\\)')],
      ['decodeLog', () => procsweep.decodeLog('matched'),
        /decodeLog: bytes must be a Uint8Array \(such as a Buffer\), not the string "matched"/],
      ['decodeStdout', () => procsweep.decodeStdout([0x41]),
        /decodeStdout: bytes must be a Uint8Array \(such as a Buffer\), not an array/],
      // fs would read a number as an open file descriptor.
      ['readLogEvents path', () => procsweep.readLogEvents(1),
        /readLogEvents: path must be a string, not the number 1/],
      ['readLogEvents empty path', () => procsweep.readLogEvents(''),
        /readLogEvents: path must be a path, not ""/],
      // A negative offset would read the end of the file.
      ...[-2, 1.5, '2', NaN].map((offset) => [`readLogEvents offset ${typeof offset} ${offset}`,
        () => procsweep.readLogEvents(log, offset),
        /readLogEvents: offset must be a whole number of bytes from 0 on, not /]),
      ['describeExitCode', () => procsweep.describeExitCode('10'),
        /describeExitCode: exitCode must be a number, not the string "10"/],
      // A string would be taken for options without resourcesPath, and the package's own copy
      // found.
      ['findProcsweepExe options', () => procsweep.findProcsweepExe('C:\\App\\resources'),
        /findProcsweepExe: options must be an object, not the string/],
      ['findProcsweepExe option name', () => procsweep.findProcsweepExe({ resourcePath: 'x' }),
        /options\.resourcePath is no option of findProcsweepExe \(its options: resourcesPath\)/],
      ['findProcsweepExe resourcesPath', () => procsweep.findProcsweepExe({ resourcesPath: 1 }),
        /findProcsweepExe: options\.resourcesPath must be a string, not the number 1/],
      ['findProcsweepExe empty resourcesPath',
        () => procsweep.findProcsweepExe({ resourcesPath: '' }),
        /findProcsweepExe: options\.resourcesPath must be a path, not ""/],
    ];
    for (const [name, call, message] of cases) {
      assert.throws(call, (error) => {
        assert.ok(error instanceof TypeError, `${name}: ${error.stack}`);
        assert.match(error.message, message, name);
        return true;
      }, name);
    }
    // What the types allow still works: a Buffer is a Uint8Array, undefined is a missing option.
    assert.equal(procsweep.readLogEvents(log, 0).length, 1);
    assert.equal(procsweep.decodeStdout(Buffer.from('A')), 'A');
    assert.equal(typeof procsweep.findProcsweepExe({ resourcesPath: undefined }), 'string');
  });

// A stand-in for procsweep.exe asked `legacy-owners <installDir> <mainExe>`: it writes these
// event lines to standard output (one byte a character, as an ANSI code page would) and, as the
// tool does, to the log file it is given (UTF-16LE; not with toLog false: a log it could not
// open), and answers exitCode. Asked anything else, it answers 99.
function legacyOwnersStandIn(installDir, mainExe, lines, exitCode, toLog = true) {
  const text = lines.map((line) => `${line}\r\n`).join('');
  return standIn(`
    const asked = ${JSON.stringify(['legacy-owners', installDir, mainExe])};
    if (JSON.stringify(process.argv.slice(-3)) !== JSON.stringify(asked)) process.exit(99);
    const text = ${JSON.stringify(text)};
    process.stdout.write(Buffer.from(text, 'latin1'));
    const log = process.argv.indexOf('--log');
    if (${toLog} && log >= 0) {
      require('fs').appendFileSync(process.argv[log + 1], Buffer.from(text, 'utf16le'));
    }
    process.exitCode = ${exitCode};`);
}

test('findInstallationHolders names the holders, and rejects when nobody could be asked',
  async (t) => {
    const folder = temporaryFolder(t, 'procsweep-holders-');
    const DIR = 'C:\\Program Files\\Example App';
    const MAIN = 'Example App.exe';
    const sampled = [
      `restart-manager-legacy-sample pid=0 win32-error=0 ${DIR}`,
      `restart-manager-sampled-file pid=0 win32-error=0 ${DIR}\\${MAIN}`,
      `restart-manager-sampled-file pid=0 win32-error=0 ${DIR}\\resources\\app.asar`,
    ];
    const noOwner = 'restart-manager-no-owner-reported pid=0 win32-error=0 ';
    const eventNames = (lines) => lines.map((line) => line.slice(0, line.indexOf(' ')));
    const cases = [
      // The holders stand in: Wine's Restart Manager never names one. An application name is
      // exact in the log only, and is never read as further fields.
      { name: 'two holders, from the log', answer: [...sampled,
        'restart-manager-owner pid=5140 win32-error=0 Example App',
        'restart-manager-owner pid=7312 win32-error=0 Редактор pid=1 win32-error=0'],
      resolves: [{ pid: 5140, appName: 'Example App' },
        { pid: 7312, appName: 'Редактор pid=1 win32-error=0' }] },
      { name: 'a holder, from standard output (no log file)', logFile: false,
        answer: [...sampled, 'restart-manager-owner pid=5140 win32-error=0 Example App'],
        resolves: [{ pid: 5140, appName: 'Example App' }] },
      { name: 'nobody holds them', answer: [...sampled, noOwner], resolves: [] },
      // Nothing to hold, and nothing asked.
      { name: 'none of the files exists', answer: sampled.slice(0, 1), resolves: [] },
      { name: 'the installation directory does not exist', answer: [], resolves: [] },
      // Could not ask: never an empty list.
      { name: 'the Restart Manager query failed',
        answer: [...sampled, 'restart-manager-query-failed pid=0 win32-error=353 '],
        rejects: { win32Error: 353, message: new RegExp('could not ask the Restart Manager who ' +
          'holds the files of C:\\\\Program Files\\\\Example App: error 353') } },
      { name: 'the tool answers 2 with its reason', exitCode: 2,
        answer: [`installation-path-failed pid=0 win32-error=267 ${DIR}`],
        rejects: { exitCode: 2, events: ['installation-path-failed'],
          message: /could not ask who holds .*: installation-path-failed 267 C:\\Program Files/ } },
      { name: 'the tool answers 2 without events (a malformed command line)', exitCode: 2,
        answer: [], rejects: { exitCode: 2, events: [], message: /malformed/ } },
      { name: 'an answer that stops before naming holders or their absence', answer: sampled,
        rejects: { events: eventNames(sampled),
          message: /names neither holders nor their absence/ } },
      { name: 'the log lacks what standard output has', toLog: false,
        answer: [...sampled, noOwner],
        rejects: { message: /wrote 4 event lines to standard output and 0 to the log file/ } },
      { name: 'an exit code legacy-owners never gives', exitCode: 10, answer: [],
        rejects: { exitCode: 10, message: /answered 10, which legacy-owners never does/ } },
      { name: 'not the tool\'s exit code (a launcher that could not start it)', exitCode: 53,
        answer: [], rejects: { exitCode: 53 } },
    ];
    for (const [i, { name, answer, exitCode = 0, toLog, logFile, resolves, rejects }]
      of cases.entries()) {
      const options = legacyOwnersStandIn(DIR, MAIN, answer, exitCode, toLog);
      if (logFile !== false) options.logFile = path.join(folder, `${i}.log`);
      let promise;
      try {
        promise = procsweep.findInstallationHolders('procsweep.exe', DIR, MAIN, options);
      } catch (error) {
        assert.fail(`${name}: findInstallationHolders threw instead of rejecting: ${error.stack}`);
      }
      if (resolves) {
        assert.deepEqual(await promise, resolves, name);
        continue;
      }
      const error = await promise.then(() => assert.fail(`${name}: resolved`), (failed) => failed);
      for (const [field, expected] of Object.entries(rejects)) {
        if (expected instanceof RegExp) {
          assert.match(error[field], expected, name);
        } else if (field === 'events') {
          assert.deepEqual(error.events.map((e) => e.event), expected, name);
        } else {
          assert.deepEqual(error[field], expected, name);
        }
      }
    }
  });

test('findInstallationHolders rejects arguments and options that index.d.ts does not allow',
  async (t) => {
    const folder = temporaryFolder(t, 'procsweep-check-');
    const mark = path.join(folder, 'started');
    const { launcher } = standIn(`require('fs').writeFileSync(${JSON.stringify(mark)}, '');`);
    const exe = 'procsweep.exe';
    const cases = [
      ['exePath is no string', [undefined, 'C:\\App', 'App.exe', { launcher }],
        /findInstallationHolders: exePath must be a string, not undefined/],
      ['installDir is no string', [exe, 1, 'App.exe', { launcher }],
        /findInstallationHolders: installDir must be a string, not the number 1/],
      ['mainExe is no string', [exe, 'C:\\App', ['App.exe'], { launcher }],
        /findInstallationHolders: mainExe must be a string, not an array/],
      ['options is a launcher', [exe, 'C:\\App', 'App.exe', launcher],
        /findInstallationHolders: options must be an object, not an array/],
      ['an option name that is none', [exe, 'C:\\App', 'App.exe', { launcher, timeout: 5 }],
        /options\.timeout is no option of findInstallationHolders \(its options: logFile, /],
      ['the launcher is a string', [exe, 'C:\\App', 'App.exe', { launcher: 'wine' }],
        /findInstallationHolders: options\.launcher must be an array of strings/],
      ['exePath, without a launcher, is no file', [path.join(folder, 'none.exe'), 'C:\\App',
        'App.exe'], /findInstallationHolders: exePath .*none\.exe is not an existing file/],
    ];
    for (const [name, run, message] of cases) {
      let promise;
      try {
        promise = procsweep.findInstallationHolders(...run);
      } catch (error) {
        assert.fail(`${name}: findInstallationHolders threw instead of rejecting: ${error.stack}`);
      }
      await assert.rejects(promise, message, name);
      assert.equal(fs.existsSync(mark), false, `${name}: something was started`);
    }
  });

const onWindows = process.platform === 'win32';
const launcher = onWindows ? [] : [path.join(SOURCE_DIR, 'tools', 'wine-run')];
const toolPath = (linuxPath) => (onWindows ? linuxPath : `Z:${linuxPath.replace(/\//g, '\\')}`);

// The package's procsweep.exe, ready to be run with `launcher` (under Wine when not on Windows),
// and a folder for a test's files, which the tool reaches through toolPath.
let wineStarted = false;
function realTool(t) {
  const exe = procsweep.findProcsweepExe();
  // Wine turns non-ASCII arguments into UTF-16 only under a UTF-8 locale.
  process.env.LC_ALL = 'C.UTF-8';
  if (!process.env.WINEPREFIX && process.env.PROCSWEEP_BUILD_DIR) {
    process.env.WINEPREFIX = path.join(process.env.PROCSWEEP_BUILD_DIR, 'wineprefix');
  }
  if (!onWindows && !wineStarted) {
    // The first program of a Wine prefix starts its services, which inherit its handles and
    // would hold a pipe of ours open: start one with none first.
    childProcess.spawnSync(launcher[0], [exe], { stdio: 'ignore' });
    wineStarted = true;
  }
  const folder = fs.mkdtempSync(path.join(process.env.PROCSWEEP_BUILD_DIR || os.tmpdir(),
    'node-test-'));
  t.after(() => fs.rmSync(folder, { recursive: true, force: true }));
  return { exe, folder };
}

test('runProcsweep runs the package\'s procsweep.exe and reads its log', async (t) => {
  const { exe, folder } = realTool(t);
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
  const malformed = await procsweep.runProcsweep(exe, ['probe', '', 'App.exe'],
    { logFile: log, launcher, toolPath });
  assert.deepEqual([malformed.exitCode, malformed.events], [procsweep.ExitCode.FAILURE, []]);
  assert.equal(procsweep.readLogEvents(log).length, 2);

  // The launcher starts, but cannot find the program: not the tool's answer.
  if (!onWindows) {
    await assert.rejects(procsweep.runProcsweep(toolPath(path.join(folder, 'procsweep.exe')),
      ['probe', toolPath(folder), 'App.exe'], { launcher, toolPath }), { exitCode: 53 });
  }
});


test('findInstallationHolders asks the package\'s procsweep.exe about an installation',
  async (t) => {
    const { exe, folder } = realTool(t);
    const MAIN = 'Example App.exe';
    const installation = path.join(folder, 'Example App');
    fs.mkdirSync(path.join(installation, 'resources'), { recursive: true });
    fs.writeFileSync(path.join(installation, MAIN), 'stands in for the application');
    fs.writeFileSync(path.join(installation, 'resources', 'app.asar'), 'archive');
    const log = path.join(folder, 'events.log');
    const options = { logFile: log, launcher, toolPath };

    // Wine's Restart Manager never names a holder: the tool asked about both files, and was
    // told that nobody holds them.
    assert.deepEqual(await procsweep.findInstallationHolders(exe, toolPath(installation), MAIN,
      options), []);
    assert.deepEqual(procsweep.readLogEvents(log).map((e) => [e.event, e.text]), [
      ['restart-manager-legacy-sample', toolPath(installation)],
      ['restart-manager-sampled-file', `${toolPath(installation)}\\${MAIN}`],
      ['restart-manager-sampled-file', `${toolPath(installation)}\\resources\\app.asar`],
      ['restart-manager-no-owner-reported', ''],
    ]);

    // No installation there: nothing to hold.
    assert.deepEqual(await procsweep.findInstallationHolders(exe,
      toolPath(path.join(folder, 'none')), MAIN, options), []);

    // The main executable's own path for the folder: the tool answers 2, error 267.
    await assert.rejects(procsweep.findInstallationHolders(exe,
      toolPath(path.join(installation, MAIN)), MAIN, options), (error) => {
      assert.equal(error.exitCode, procsweep.ExitCode.FAILURE);
      assert.deepEqual(error.events.map((e) => [e.event, e.win32Error]),
        [['installation-path-failed', 267]]);
      return true;
    });
    // An empty installation directory (an unset variable): 2 without events.
    await assert.rejects(procsweep.findInstallationHolders(exe, '', MAIN, options),
      { exitCode: procsweep.ExitCode.FAILURE, events: [], message: /malformed/ });
  });
