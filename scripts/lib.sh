# Shared by scripts/test and scripts/demo: configure and build both builds, start a display.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${GLEANER_BUILD:-$root/build}
export GLEANER_BUILD="$build"
# Several build folders may share one set of dependencies.
export GLEANER_DEPS="${GLEANER_DEPS:-$build/deps}"

jobs=$(nproc 2>/dev/null || echo 2)

build_all() {
  bash "$root/scripts/deps.sh"
  cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build "$build/native" -j "$jobs"
  cmake -S "$root" -B "$build/win" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DGLEANER_DEPS="$GLEANER_DEPS" -DGLEANER_NATIVE_BUILD="$build/native" \
    -DGLEANER_RELEASE_BUILD="$build/win-release" >/dev/null
  cmake --build "$build/win" -j "$jobs"
}

# The release build of the program (optimised, symbols split off) and its installer,
# <build>/win-release/gleaner-setup.exe, which the Windows build's installer test installs.
build_release() {
  cmake -S "$root" -B "$build/win-release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DGLEANER_DEPS="$GLEANER_DEPS" >/dev/null
  cmake --build "$build/win-release" -j "$jobs" --target gleaner_setup
}

xvfb_pid=""
# Starts Xvfb on the first free display number and exports DISPLAY.
start_display() {
  local n=91
  while :; do
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 100); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    # Another run may have taken the same number at the same moment: try the next one.
    if kill -0 "$xvfb_pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then break; fi
    wait "$xvfb_pid" 2>/dev/null || true
    n=$((n + 1))
  done
  export DISPLAY=":$n"
}

stop_display() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  fi
}
