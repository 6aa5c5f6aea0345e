'use strict';
// An Electron app's own update code, in its main process: before it hands over to a downloaded
// installer, it learns with procsweep.exe what else of its installation runs and who else holds
// the files that the installer will replace. The npm package procsweep brings the module and
// procsweep.exe, which ships with the app as an extraResources entry (see findProcsweepExe).
//
// The app's own processes are matches too: its main process is the main executable, and so are
// its renderer, GPU and utility processes. So the app never runs "close", "clean" or "force" on
// its own installation (they would end the app itself); it only looks ("probe", "owners") and
// leaves the closing and ending to the installer.

const childProcess = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const { app, dialog } = require('electron');

const { describeInstallerExit, nsisInstallerSpawn } = require('./nsis-installer.js');
const procsweep = require('procsweep');

function procsweepPaths() {
  return {
    exe: procsweep.findProcsweepExe(),
    installDir: path.dirname(process.execPath),
    mainExe: path.basename(process.execPath),
    logFile: path.join(app.getPath('temp'), `procsweep-${process.pid}.log`),
  };
}

// The processes of the installation that are not this app's own: another instance (in another
// user's session, for example) or helpers left over from an earlier run.
async function otherProcessesOfTheInstallation() {
  const { exe, installDir, mainExe, logFile } = procsweepPaths();
  const ownPids = new Set(app.getAppMetrics().map((metric) => metric.pid));
  const { exitCode, events } = await procsweep.runProcsweep(exe, ['probe', installDir, mainExe],
    { logFile });
  fs.rmSync(logFile, { force: true });
  if (exitCode === procsweep.ExitCode.FAILURE) {
    const failures = events.filter((e) => e.event !== 'matched');
    throw new Error(`procsweep failed: ${failures.map((e) => `${e.event} ${e.win32Error} ${e.text}`)
      .join('; ')}`);
  }
  return events.filter((e) => e.event === 'matched' && !ownPids.has(e.pid))
    .map((e) => ({ pid: e.pid, image: e.text }));
}

// The processes other than this app's own that hold the installation's files (its main
// executable, resources\app.asar and the helpers), as the Windows Restart Manager sees them:
// [{ pid, appName }]. It rejects when the Restart Manager could not be asked, so an empty list
// means that nobody else holds them.
async function otherHoldersOfTheInstallation() {
  const { exe, installDir, mainExe, logFile } = procsweepPaths();
  const ownPids = new Set(app.getAppMetrics().map((metric) => metric.pid));
  try {
    const holders = await procsweep.findInstallationHolders(exe, installDir, mainExe, { logFile });
    return holders.filter((holder) => !ownPids.has(holder.pid));
  } finally {
    fs.rmSync(logFile, { force: true });
  }
}

// Starts the installer for this app's own folder and resolves with { exitCode } once it has
// ended, or { error } when it could not be started. The installer's first look finds this app
// running and asks it to close, as a user would (its window gets WM_CLOSE); the app quits as it
// does when its last window is closed, or is ended after ten seconds. So a successful installer
// outlives the app, and one that gives up before (exit code 2 or 3) is reported here.
function runInstaller(installerPath, installDir = path.dirname(process.execPath)) {
  const { file, args, options } = nsisInstallerSpawn(installerPath, installDir);
  return new Promise((resolve) => {
    const installer = childProcess.spawn(file, args, options);
    installer.once('error', (error) => resolve({ error }));
    installer.once('exit', (exitCode) => resolve({ exitCode }));
  });
}

// What the user is told when the installer is back while the app still runs.
function describeInstallerOutcome({ error, exitCode }) {
  if (error) return `The update could not be started: ${error.message}`;
  // The NSIS example's report: a new file named with the installer's run time, in %TEMP% (a
  // per-user installer runs unelevated).
  const report = path.join(app.getPath('temp'), 'Example App setup procsweep <date>-<time>.log');
  return describeInstallerExit(exitCode, report);
}

// Called once the installer has been downloaded and verified.
async function installUpdate(installerPath) {
  const others = await otherProcessesOfTheInstallation();
  // Another instance of the app holds its main executable too: it is named once.
  const otherPids = new Set(others.map((p) => p.pid));
  const strangers = (await otherHoldersOfTheInstallation())
    .filter((holder) => !otherPids.has(holder.pid));
  if (others.length > 0 || strangers.length > 0) {
    const names = [...others.map((p) => `${p.image} (${p.pid})`),
      ...strangers.map((h) => `${h.appName} (${h.pid})`)];
    const { response } = await dialog.showMessageBox({
      type: 'warning',
      buttons: ['Update anyway', 'Later'],
      message: 'Other programs still use this application\'s files.',
      // The installer closes or ends the installation's own processes only.
      detail: `${names.join('\n')}\n\nThe update closes this application's processes; ` +
        'close the other programs first.',
    });
    if (response !== 0) return;
  }
  const outcome = await runInstaller(installerPath);
  if (outcome.exitCode === 0) {
    app.quit();
    return;
  }
  dialog.showErrorBox('Example App', describeInstallerOutcome(outcome));
}

module.exports = {
  otherProcessesOfTheInstallation, otherHoldersOfTheInstallation, runInstaller,
  describeInstallerOutcome, installUpdate,
};
