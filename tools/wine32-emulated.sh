#!/usr/bin/env bash
# Prepares 32-bit Wine run through QEMU's user-mode emulator, for machines whose kernel runs no
# 32-bit code (NSIS's default installers, electron-builder's installers, Inno Setup's compiler and
# setups are all 32-bit Windows programs). tools/wine-run uses it wherever it is ready and the
# machine's own Wine runs no 32-bit program, or always with PROCSWEEP_WINE32=emulated.
#
# Usage: tools/wine32-emulated.sh    sets it up unless it is ready, and checks it (about 15 s
#                                    here: ~145 MB downloaded, ~730 MB on disk)
#
# Everything lives in build/wine32-emulated/ and nothing on the machine changes: Debian's i386
# packages of Wine (the same version as the installed wine64), the X and font libraries and
# their dependencies are downloaded by apt-get on a configuration of their own (its own package
# lists, cache and an empty package status, so that apt takes the whole dependency closure; dpkg's
# list of architectures is never touched) and unpacked with dpkg -x into root/. Installing
# wine32:i386 system-wide instead would make Debian's `wine` pick its 32-bit loader for every
# program, which fails where the kernel runs no 32-bit code.
#
# Needs wine64, qemu-user (qemu-i386), gcc and apt-get; tools/deps.sh installs them. Exits
# non-zero, saying what is missing, when it cannot be set up.
#
# Layout, which tools/wine-run relies on:
#   root/                    the unpacked i386 packages; qemu-i386 -L root looks here first for
#                            every path the emulated process opens
#   root/usr/lib/wine/       the loaders' folder. Wine 8 starts a child's loader from the folder
#                            of the running loader's real path (`wine` for a 32-bit child,
#                            `wine64` for a 64-bit one) and the wineserver too, whatever
#                            $WINELOADER or $PATH say, and finds its data (wine.inf, nls) at
#                            ../../share/wine from there. So the folder holds a copy (a link would
#                            lead back to /usr/lib/wine) of the machine's wine64, the real i386
#                            loader renamed wine-i386, and `wine`, a script that runs wine-i386
#                            under qemu-i386.
#   ready                    written last: what the set-up was made from
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
dir=$here/build/wine32-emulated

fail() {
  echo "wine32-emulated: $*" >&2
  exit 1
}

# The X and font libraries Wine's 32-bit half loads when it draws a window or measures text;
# Wine's packages only recommend them.
window_libraries=(libfreetype6 libfontconfig1 libx11-6 libxext6 libxrender1 libxrandr2 libxi6
                  libxcursor1 libxinerama1 libxcomposite1 libxfixes3 libxxf86vm1)

missing=()
version=$(dpkg-query -W -f='${Version}' wine64 2>/dev/null || true)
[ -n "$version" ] || missing+=("wine64 (Debian's 64-bit Wine, the half that is not emulated)")
command -v qemu-i386 >/dev/null 2>&1 || missing+=("qemu-i386 (Debian's qemu-user)")
command -v gcc >/dev/null 2>&1 || missing+=("gcc (builds tools/wine32-emulated-shim.c)")
command -v apt-get >/dev/null 2>&1 || missing+=("apt-get")
[ -x /usr/lib/wine/wine64 ] || missing+=("/usr/lib/wine/wine64 (from wine64)")
if [ ${#missing[@]} -gt 0 ]; then
  fail "cannot set up 32-bit Wine under emulation; missing: $(printf '%s; ' "${missing[@]}")" \
       "tools/deps.sh installs them."
fi

shim=$here/tools/wine32-emulated-shim.c
recipe="set-up $(sha256sum <"${BASH_SOURCE[0]}" | cut -d' ' -f1)
wine $version
qemu $(qemu-i386 -version | head -n 1)
shim $(sha256sum <"$shim" | cut -d' ' -f1)
libraries ${window_libraries[*]}"

mkdir -p "$dir"
exec 9>"$dir/lock"
flock 9
if [ -f "$dir/ready" ] && [ "$(cat "$dir/ready")" = "$recipe" ]; then
  exit 0
fi
started=$SECONDS
rm -f "$dir/ready"

# apt-get on a configuration of its own: i386 package lists of the machine's own sources,
# nothing read from or written to the machine's package state.
apt=$dir/apt
mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial"
: >"$apt/status"
cat >"$apt/apt.conf" <<EOF
APT::Architecture "i386";
APT::Architectures { "i386"; };
APT::Install-Recommends "false";
APT::Sandbox::User "root";
Dir::State::Lists "$apt/lists";
Dir::State::status "$apt/status";
Dir::Cache "$apt/cache";
Dir::Cache::pkgcache "";
Dir::Cache::srcpkgcache "";
Acquire::Languages "none";
Debug::NoLocking "true";
EOF
private_apt() {
  APT_CONFIG=$apt/apt.conf DEBIAN_FRONTEND=noninteractive "$@"
}
echo "wine32-emulated: downloading Debian's i386 packages of Wine $version"
# Only what this download brings is unpacked below (an earlier set-up stopped half-way may have
# left some).
rm -f "$apt/cache/archives/"*.deb
if ! private_apt apt-get update -qq >"$apt/update.log" 2>&1; then
  cat "$apt/update.log" >&2
  fail "apt-get update of the i386 package lists failed (above)"
fi
if ! private_apt apt-get install -d -y -q "wine32=$version" "libwine=$version" \
     "${window_libraries[@]}" >"$apt/download.log" 2>&1; then
  tail -n 20 "$apt/download.log" >&2
  fail "the i386 packages of Wine $version (the version of the installed wine64) cannot be" \
       "downloaded from this machine's apt sources (above)"
fi
for package in wine32 libwine; do
  deb=$(ls "$apt/cache/archives/${package}_"*_i386.deb 2>/dev/null | while read -r file; do
          [ "$(dpkg-deb -f "$file" Version)" = "$version" ] && echo "$file"; done | head -n 1)
  [ -n "$deb" ] || fail "no $package i386 package of version $version was downloaded"
done
downloaded=$SECONDS

# Unpacked afresh, so that nothing of an older version stays behind.
root=$dir/root
rm -rf "$root" "$root.new"
mkdir -p "$root.new"
for deb in "$apt/cache/archives/"*.deb; do
  dpkg -x "$deb" "$root.new"
done
rm -f "$apt/cache/archives/"*.deb

# The packages unpacked by hand are laid out as on a Debian 12 machine that has not merged /usr:
# the C library and zlib are in lib/i386-linux-gnu, and the dynamic loader, looking for a library
# that another one loads later (FreeType's zlib), only looks in usr/lib/i386-linux-gnu. Links
# there make both places hold everything.
for file in "$root.new"/lib/i386-linux-gnu/*; do
  name=$(basename "$file")
  [ -e "$root.new/usr/lib/i386-linux-gnu/$name" ] ||
    ln -s "../../../lib/i386-linux-gnu/$name" "$root.new/usr/lib/i386-linux-gnu/$name"
done
# The machine's own library cache lists the machine's libraries (and, where i386 packages are
# installed, its i386 ones): an empty one here makes the emulated processes take their libraries
# from the root only.
: >"$root.new/etc/ld.so.cache"

# libwine's install script makes Wine's zlib1.dll from libz-mingw-w64's, marked as one of Wine's
# own DLLs (the same bytes as the machine's libwine:amd64 made of its own copy); dpkg -x runs no
# install script. Without it user32 does not load and a new prefix's
# 32-bit half stays empty ("could not load kernel32.dll, status c0000135").
wine_dlls=$root.new/usr/lib/i386-linux-gnu/wine
for arch in i386:i686 x86_64:x86_64; do
  mingw=$root.new/usr/${arch#*:}-w64-mingw32/lib/zlib1.dll
  [ -f "$mingw" ] || fail "libz-mingw-w64's zlib1.dll is not in the downloaded packages"
  mkdir -p "$wine_dlls/${arch%%:*}-windows"
  {
    head -c 64 "$mingw"
    printf 'Wine builtin DLL'
    printf '\0%.0s' $(seq 16)
    tail -c +97 "$mingw"
  } >"$wine_dlls/${arch%%:*}-windows/zlib1.dll"
done

loaders=$root.new/usr/lib/wine
[ -x "$loaders/wine" ] || fail "wine32's loader is not in the downloaded packages"
mv "$loaders/wine" "$loaders/wine-i386"
cp /usr/lib/wine/wine64 "$loaders/wine64"
# wine64 looks for ntdll.so in ../x86_64-linux-gnu/wine from its own folder, and nowhere else: the
# machine's own 64-bit Wine.
mkdir -p "$root.new/usr/lib/x86_64-linux-gnu"
ln -s /usr/lib/x86_64-linux-gnu/wine "$root.new/usr/lib/x86_64-linux-gnu/wine"
cat >"$loaders/wine" <<'EOF'
#!/bin/sh
# The 32-bit loader, under QEMU's user-mode emulator (tools/wine32-emulated.sh). The loader must
# not re-execute itself to reserve memory first (WINELOADERNOEXEC): the kernel would refuse to
# run it. -0 gives it this script's name as the one it was started by, which it starts its 32-bit
# children by in turn: by its own name they would start outside the emulator (and fail).
here=$(dirname "$(readlink -f "$0")")
WINELOADERNOEXEC=1 exec qemu-i386 -L "$here/../../.." -0 "$here/wine" "$here/wine-i386" "$@"
EOF
chmod +x "$loaders/wine"

gcc -m32 -O2 -fPIC -fno-stack-protector -ffreestanding -nostdlib -shared \
  -o "$root.new/usr/lib/i386-linux-gnu/wine32-emulated-shim.so" "$shim"
echo /usr/lib/i386-linux-gnu/wine32-emulated-shim.so >"$root.new/etc/ld.so.preload"

# What the emulated loader loads, and FreeType, which Wine loads when it needs text: every
# library each needs must be found in the root.
for library in /usr/lib/wine/wine-i386 /usr/lib/i386-linux-gnu/wine/i386-unix/ntdll.so \
               /usr/lib/i386-linux-gnu/libfreetype.so.6; do
  listed=$(qemu-i386 -L "$root.new" "$root.new/lib/ld-linux.so.2" --list "$library" 2>&1) ||
    fail "the emulated dynamic loader cannot load $library: $listed"
  if grep -q 'not found' <<<"$listed"; then
    fail "libraries of $library are missing from the root: $(grep 'not found' <<<"$listed")"
  fi
done

mv "$root.new" "$root"
printf '%s\n' "$recipe" >"$dir/ready"
echo "wine32-emulated: ready in $((SECONDS - started)) s (download $((downloaded - started)) s)"
