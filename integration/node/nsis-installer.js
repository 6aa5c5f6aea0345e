'use strict';
// Starting an NSIS installer (the NSIS example, example.nsi) from Node.js, and reading its exit
// code. CommonJS, no dependencies.
//
// NSIS takes the installation directory from "/D=<dir>" only when it is the last argument and
// not quoted, spaces and all: a quoted "/D=C:\My Apps\Example App" is ignored, and the installer
// writes to its default folder. child_process.spawn on Windows quotes every argument that holds
// a space, so the command line is built here and handed over as it is
// (windowsVerbatimArguments); only the installer's own path is quoted, as argv0.

// spawn(file, args, options) for a silent run of the installer into installDir.
function nsisInstallerSpawn(installerPath, installDir) {
  return {
    file: installerPath,
    args: ['/S', `/D=${installDir}`],
    options: {
      argv0: `"${installerPath}"`,
      windowsVerbatimArguments: true,
      detached: true,
      stdio: 'ignore',
    },
  };
}

// The command line that the installer receives on Windows: spawn joins argv0 and the arguments
// with single spaces and, with windowsVerbatimArguments, adds no quotes of its own.
function windowsCommandLine({ args, options }) {
  return [options.argv0, ...args].join(' ');
}

// The exit codes of the NSIS example, example.nsi, for messages. reportFile is where the
// installer keeps what procsweep.exe reported.
function describeInstallerExit(exitCode, reportFile) {
  switch (exitCode) {
    case 0:
      return 'The update was installed.';
    case 1:
      return 'The update was cancelled.';
    case 2:
      return `The update was not installed: the application could not be ended. See ${reportFile}.`;
    case 3:
      return 'The update was not installed: the application was kept running.';
    default:
      return `The update was not installed: the installer ended with exit code ${exitCode}.`;
  }
}

module.exports = { nsisInstallerSpawn, windowsCommandLine, describeInstallerExit };
