# Shared by scripts/wine-tests, scripts/windows-program-tests and bench/com_bench.sh (sourced,
# POSIX sh): the cross build of
# the Windows project (windows/) and a fresh, throw-away Wine prefix with the fake spreadsheet
# application registered. Needs x86_64-w64-mingw32-g++-posix, wine, wineserver, wineboot.

wine_tools_missing() {
  for tool in x86_64-w64-mingw32-g++-posix wine wineserver wineboot winepath; do
    if ! command -v "$tool" >/dev/null 2>&1; then echo "$tool"; return 0; fi
  done
  return 1
}

# wine_cross_build ROOT BUILD_DIR: configures (once) and builds windows/ into BUILD_DIR.
wine_cross_build() {
  # No optimisation: the tests gain nothing from it, and compiling stays quick.
  cmake -S "$1/windows" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE= \
    -DCMAKE_TOOLCHAIN_FILE="$1/cmake/mingw-w64-x86_64.cmake" >/dev/null
  cmake --build "$2" --parallel
}

# wine_prefix_boot WORK_DIR: a fresh prefix under WORK_DIR, on the caller's DISPLAY if any.
# After wineboot the server must settle (wineserver -w) or the first COM call hangs; it then stays
# up (-p) between programs, so `wineserver -w` no longer returns by itself. Every Wine process
# starts with its output redirected, so no background service keeps the caller's pipe open (CTest
# would wait for it for ever). wine_prefix_down ends the server.
wine_prefix_boot() {
  export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEPREFIX="$1/prefix"
  timeout 300 wineboot -i </dev/null >"$1/wineboot.log" 2>&1
  timeout 120 wineserver -w </dev/null >/dev/null 2>&1 || echo "wineserver did not settle within 120 s"
  wineserver -p </dev/null >/dev/null 2>&1
}

# wine_prefix_up WORK_DIR BUILD_DIR: a fresh prefix, no display, with BUILD_DIR's FakeExcel.exe
# registered as "Excel.Application".
wine_prefix_up() {
  unset DISPLAY WAYLAND_DISPLAY
  wine_prefix_boot "$1"
  timeout 60 wine cmd /c exit </dev/null >/dev/null 2>&1 || true
  timeout 60 wine "$2/FakeExcel.exe" /regserver </dev/null >"$1/register.log" 2>&1 || {
    cat "$1/register.log"; return 1; }
}

wine_prefix_down() {
  timeout 20 wineserver -k >/dev/null 2>&1 || true
}
