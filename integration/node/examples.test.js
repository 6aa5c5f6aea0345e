'use strict';
// Tests of the Node.js examples beside this file: the updater's command line for the NSIS
// installer, and what it tells the user. They require the npm package procsweep by its name:
// NODE_PATH names the node_modules of a project that installed it.

const assert = require('node:assert/strict');
const childProcess = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const test = require('node:test');

const nsisInstaller = require('./nsis-installer.js');

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
  // The example needs Electron: a stand-in for the two objects it uses, found through NODE_PATH
  // beside the installed package.
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
    encoding: 'utf8',
    env: {
      ...process.env,
      NODE_PATH: [path.join(folder, 'modules'), process.env.NODE_PATH].filter(Boolean)
        .join(path.delimiter),
    },
  });
  assert.equal(run.status, 0, run.stderr);
  const told = JSON.parse(run.stdout);
  assert.equal(told[0], 'The update was not installed: the application could not be ended. ' +
    `See ${path.join('C:\\Temp', 'Example App setup procsweep <date>-<time>.log')}.`);
  assert.equal(told[1], 'The update was not installed: the application was kept running.');
  assert.match(told[2], /^The update could not be started: .*ENOENT/);
});

test('describeInstallerExit names the exit codes of the NSIS example', () => {
  const texts = [0, 1, 2, 3, 4].map((code) => nsisInstaller.describeInstallerExit(code, 'r.log'));
  assert.equal(new Set(texts).size, texts.length);
  assert.match(texts[2], /r\.log/);
  assert.match(texts[4], /exit code 4/);
});
