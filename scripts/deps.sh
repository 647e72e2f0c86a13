#!/usr/bin/env bash
# Installs what the build and the tests need, from Debian's repositories only,
# and cross-builds libjpeg-turbo for the Windows target. Idempotent: a second
# run finds everything in place and returns at once.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${GLEANER_BUILD:-$root/build}
deps=${GLEANER_DEPS:-$build/deps}
mkdir -p "$deps"

log() { printf '[deps] %s\n' "$*"; }

# --- Debian packages -------------------------------------------------------
packages=(cmake ninja-build g++ g++-mingw-w64-x86-64-posix wine wine64 xvfb
          libgtest-dev googletest nlohmann-json3-dev dpkg-dev locales
          x11-apps x11-utils imagemagick nsis fp-utils
          clang libclang-rt-14-dev    # clang with libFuzzer for tests/fuzz
          mingw-w64-tools libwine-dev) # widl and the .idl files it imports, for the stand-in's type library
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  log "installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# --- libjpeg-turbo for the Windows target ----------------------------------
jpeg_prefix=$deps/libjpeg-win64
if [ ! -f "$jpeg_prefix/lib/libjpeg.a" ]; then
  log "cross-building libjpeg-turbo"
  apt_dir=$deps/apt
  mkdir -p "$apt_dir/sources" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$deps/src"
  # Debian's own source list, with source packages enabled beside the binaries.
  : > "$apt_dir/sources/debian.sources"
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    sed -E 's/^Types:.*$/Types: deb deb-src/' "$f" >> "$apt_dir/sources/debian.sources"
    echo >> "$apt_dir/sources/debian.sources"
  done
  if [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' > "$apt_dir/sources/extra.list" || true
  fi
  apt_opts=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$apt_dir/sources"
            -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
            -o "APT::Sandbox::User=root")
  if ! ls "$deps"/src/libjpeg-turbo_*.dsc >/dev/null 2>&1; then
    apt-get "${apt_opts[@]}" update -qq
    (cd "$deps/src" && apt-get "${apt_opts[@]}" source --download-only -qq libjpeg-turbo)
  fi
  dsc=$(ls "$deps"/src/libjpeg-turbo_*.dsc | head -n1)
  rm -rf "$deps/src/libjpeg-turbo"
  dpkg-source --no-check -x "$dsc" "$deps/src/libjpeg-turbo" >/dev/null
  rm -rf "$deps/src/jpeg-build"
  cmake -S "$deps/src/libjpeg-turbo" -B "$deps/src/jpeg-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$jpeg_prefix" -DWITH_SIMD=OFF -DENABLE_SHARED=OFF \
    -DWITH_TURBOJPEG=OFF -Wno-dev >/dev/null
  cmake --build "$deps/src/jpeg-build" >/dev/null
  cmake --install "$deps/src/jpeg-build" >/dev/null
fi

# --- Private locales (the host has none) -----------------------------------
locales=$deps/locales
for l in en_US de_DE; do
  if [ ! -d "$locales/$l.UTF-8" ]; then
    mkdir -p "$locales"
    localedef -i "$l" -f UTF-8 "$locales/$l.UTF-8" 2>/dev/null || localedef -i "$l" -f UTF-8 "$locales/$l.UTF-8" || true
  fi
done
log "ready"
