# Sourced by the benchmarks: SheetJS (xlsx@0.18.5 under node), the reference reader.
#   sheetjs_ready WORK  installs it into WORK/node once; true when it can run (else says why),
#                       and then "${sheetjs[@]}" ARGS... runs bench/sheetjs_texts.js with ARGS
sheetjs_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
sheetjs_ready() {
  if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    echo "note: nodejs/npm missing; SheetJS is skipped" >&2
    return 1
  fi
  if [ ! -f "$1/node/node_modules/xlsx/package.json" ]; then
    mkdir -p "$1/node"
    (cd "$1/node" && npm init -y >/dev/null && npm install --silent --no-audit --no-fund xlsx@0.18.5 >/dev/null) \
      || { echo "note: npm could not install xlsx@0.18.5; SheetJS is skipped" >&2; return 1; }
  fi
  sheetjs=(env NODE_PATH="$1/node/node_modules" node "$sheetjs_here/sheetjs_texts.js")
}
