# Shared by the scripts: sourced, not run.
#   as_root CMD...              runs a command as root (directly, or through sudo)
#   vt_build PRESET [ARGS...]   configures and builds a CMake preset quietly, keeping both logs
#                               in build/PRESET-configure.log and build/PRESET-build.log; on
#                               failure prints the configure log or the build's errors and
#                               returns 1

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

vt_build() {
  local preset="$1"; shift
  mkdir -p build
  if ! cmake --preset "$preset" "$@" >"build/$preset-configure.log" 2>&1; then
    cat "build/$preset-configure.log"; return 1
  fi
  if ! cmake --build --preset "$preset" >"build/$preset-build.log" 2>&1; then
    grep -E "error|Error|FAILED" "build/$preset-build.log" | head -n 40; return 1
  fi
}
