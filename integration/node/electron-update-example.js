'use strict';
// An Electron app's own update code, in its main process: before it hands over to a downloaded
// installer, it learns with procsweep.exe what else of its installation runs and who holds the
// archive that the installer will replace. procsweep.exe ships with the app, for example as an
// extraResources entry, and procsweep.js beside this file.
//
// The app's own processes are matches too: its main process is the main executable, and so are
// its renderer, GPU and utility processes. So the app never runs "close", "clean" or "force" on
// its own installation (they would end the app itself); it only looks ("probe", "owners") and
// leaves the ending to the installer, which runs once the app has quit.

const childProcess = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const { app, dialog } = require('electron');

const procsweep = require('./procsweep.js');

function procsweepPaths() {
  return {
    exe: path.join(process.resourcesPath, 'procsweep.exe'),
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

// Who holds a file, as the Windows Restart Manager sees it: [{ pid, name }].
async function holdersOf(file) {
  const { exe, logFile } = procsweepPaths();
  const { events } = await procsweep.runProcsweep(exe, ['owners', file], { logFile });
  fs.rmSync(logFile, { force: true });
  const failed = events.find((e) => e.event === 'restart-manager-query-failed');
  if (failed) throw new Error(`Restart Manager query failed with error ${failed.win32Error}`);
  return events.filter((e) => e.event === 'restart-manager-owner')
    .map((e) => ({ pid: e.pid, name: e.text }));
}

// Called once the installer has been downloaded and verified.
async function installUpdate(installerPath) {
  const others = await otherProcessesOfTheInstallation();
  const archive = path.join(process.resourcesPath, 'app.asar');
  const ownPids = new Set(app.getAppMetrics().map((metric) => metric.pid));
  const strangers = (await holdersOf(archive)).filter((holder) => !ownPids.has(holder.pid));
  if (others.length > 0 || strangers.length > 0) {
    const names = [...others.map((p) => `${p.image} (${p.pid})`),
      ...strangers.map((h) => `${h.name} (${h.pid})`)];
    const { response } = await dialog.showMessageBox({
      type: 'warning',
      buttons: ['Update anyway', 'Later'],
      message: 'Other programs still use this application\'s files.',
      detail: `${names.join('\n')}\n\nThe update will close them.`,
    });
    if (response !== 0) return;
  }
  // The installer ends what is left (see integration/nsis/example.nsi) once this app has quit.
  childProcess.spawn(installerPath, ['/S'], { detached: true, stdio: 'ignore' }).unref();
  app.quit();
}

module.exports = { otherProcessesOfTheInstallation, holdersOf, installUpdate };
