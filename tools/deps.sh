#!/usr/bin/env bash
# Installs what building and testing procsweep needs and this machine lacks: Debian's packages
# with apt-get (as root; otherwise prints the exact commands and stops), then the npm packages
# pinned in package-lock.json with `npm ci`.
#
# Usage: tools/deps.sh [--package] [command:package ...]
#   --package: only what make release and make package need (the cross compiler, CMake, Ninja,
#   Python 3 and npm): no Wine, no NSIS, no GoogleTest, no npm packages.
#   Each command:package argument adds a tool to the list below: the command that must be on
#   PATH, and the Debian package that brings it.
set -euo pipefail
cd "$(dirname "$0")/.."

profile=all
if [ "${1:-}" = --package ]; then
  profile=package
  shift
fi

# What builds procsweep.exe and packs the npm package.
tools=(
  x86_64-w64-mingw32-g++-posix:g++-mingw-w64-x86-64
  x86_64-w64-mingw32-windres:mingw-w64-tools
  cmake:cmake
  ninja:ninja-build
  python3:python3
  npm:npm
)
# What the tests, the demo and the benchmarks need besides.
if [ $profile = all ]; then
  tools+=(
    wine:wine64
    makensis:nsis
    node:nodejs
    # The release test signs with osslsigncode, and openssl makes its throwaway certificate.
    osslsigncode:osslsigncode
    openssl:openssl
    # electron-builder packs the application with 7-Zip instead of downloading its own.
    7za:p7zip-full
    # The MSI example: wixl compiles WiX sources into a package, msibuild (msitools) edits its
    # tables and msiinfo reads them.
    wixl:wixl
    msibuild:msitools
  )
fi
tools+=("$@")

# Whether this kernel runs 32-bit x86 programs: it starts the smallest one there is, a 93-byte
# static ELF whose only instructions are exit(0) through int 0x80. Some x86-64 kernels have
# their IA-32 emulation off, and other processors have none.
runs_32_bit_code() {
  [ "$(uname -m)" = x86_64 ] || return 1
  local probe
  probe=$(mktemp)
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08'\
'\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'\
'\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00'\
'\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
  chmod +x "$probe"
  local status=0
  "$probe" 2>/dev/null || status=1
  rm -f "$probe"
  return $status
}

missing=()
for pair in "${tools[@]}"; do
  command -v "${pair%%:*}" >/dev/null 2>&1 || missing+=("${pair##*:}")
done
if [ $profile = all ]; then
  [ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)
fi
# NSIS's installers and Inno Setup's compiler are 32-bit Windows programs: they need 32-bit Wine
# beside wine64. Where the kernel runs 32-bit code, that is Debian's wine32 from the i386
# architecture. Elsewhere wine32 runs nothing, and once it is installed Debian's `wine` script
# picks its 32-bit loader and fails for every program, 64-bit ones included ("Exec format
# error"): there tools/wine32-emulated.sh prepares 32-bit Wine in a folder of the build, run
# through QEMU's user-mode emulator, and so does PROCSWEEP_WINE32=emulated anywhere.
emulate_32_bit=no
bare=()
if [ $profile = all ]; then
  case "${PROCSWEEP_WINE32:-}" in
    emulated) emulate_32_bit=yes ;;
    system) ;;
    *) runs_32_bit_code || emulate_32_bit=yes ;;
  esac
  if [ $emulate_32_bit = yes ]; then
    # Without its recommended qemu-user-binfmt: nothing else on the machine is to start
    # through QEMU.
    command -v qemu-i386 >/dev/null 2>&1 || bare+=(qemu-user)
    command -v gcc >/dev/null 2>&1 || bare+=(gcc)
  elif runs_32_bit_code &&
       ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q ' installed$'; then
    missing+=(wine32:i386)
  fi
fi

if [ $((${#missing[@]} + ${#bare[@]})) -gt 0 ]; then
  add_i386=""
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
     ! dpkg --print-foreign-architectures | grep -qx i386; then
    add_i386="dpkg --add-architecture i386"
  fi
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing: ${missing[*]} ${bare[*]}. Install them as root with:"
    if [ ${#missing[@]} -gt 0 ]; then
      echo "  ${add_i386:+$add_i386 && }apt-get update && apt-get install -y ${missing[*]}"
    fi
    if [ ${#bare[@]} -gt 0 ]; then
      echo "  apt-get update && apt-get install -y --no-install-recommends ${bare[*]}"
    fi
    exit 1
  fi
  echo "Installing: ${missing[*]} ${bare[*]}"
  if [ -n "$add_i386" ]; then $add_i386; fi
  apt-get update -qq
  if [ ${#missing[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
  fi
  if [ ${#bare[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${bare[@]}" \
      >/dev/null
  fi
fi

# The emulated 32-bit Wine. Where it was asked for, a set-up that fails stops here; where it only
# stands in for a kernel without 32-bit code, the tests that need 32-bit programs say they are
# skipped, and why, and everything else goes on.
if [ $emulate_32_bit = yes ] && ! bash tools/wine32-emulated.sh; then
  if [ "${PROCSWEEP_WINE32:-}" = emulated ]; then
    exit 1
  fi
  echo "Going on without 32-bit Windows programs: the tests that need them are skipped."
fi

# The npm packages that the tests use (Inno Setup's compiler, electron-builder, TypeScript),
# exactly as package-lock.json pins them.
if [ $profile = all ] && [ ! node_modules/.package-lock.json -nt package-lock.json ]; then
  echo "Installing the npm packages of package-lock.json (npm ci)"
  npm ci --no-audit --no-fund --loglevel=error
fi
