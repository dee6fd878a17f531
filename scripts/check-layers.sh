#!/usr/bin/env bash
# Each part of the tree includes only itself and the parts it is built on; an include that
# runs up (the model reaching the document, the core reaching Qt's window) is named and fails.
# Usage: check-layers.sh [SOURCE_DIR]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

# part: the parts it may include besides itself. The longest matching folder is a file's part.
declare -A may=(
  [framework/core]=""
  [ids]="framework/core"
  [trace/model]="framework/core"
  [trace/formats/io]="framework/core"
  [trace/formats]="framework/core trace/model trace/formats/io"
  [trace/formats/text]="framework/core trace/model trace/formats trace/formats/io"
  [trace/formats/capture]="framework/core trace/model trace/formats trace/formats/io"
  [trace/formats/csv]="framework/core trace/model trace/formats trace/formats/io"
  [trace/formats/wav]="framework/core trace/model trace/formats trace/formats/io
                       trace/formats/capture"
  [trace/display]="framework/core trace/model"
  [trace/stats]="framework/core trace/model"
  [trace/document]="framework/core ids trace/model trace/formats trace/formats/io
                    trace/formats/capture trace/display trace/stats"
  [view/rules]="framework/core ids trace/model trace/display trace/document"
  [res]="framework/core ids"
  [framework/gui]="framework/core"
  [dialogs]="framework/core framework/gui"
  [view]="framework/core framework/gui ids trace/model trace/display trace/document dialogs
          view/rules"
)

part_of() {
  local path=$1 best=""
  for p in "${!may[@]}"; do
    if [[ $path == "$p"/* && ${#p} -gt ${#best} ]]; then best=$p; fi
  done
  echo "$best"
}

bad=0
while IFS= read -r file; do
  from=$(part_of "$file")
  [[ -z $from ]] && continue
  while IFS= read -r included; do
    to=$(part_of "$included")
    [[ -z $to || $to == "$from" ]] && continue
    if [[ " ${may[$from]//$'\n'/ } " != *" $to "* ]]; then
      echo "$file includes $included: $from is not built on $to"
      bad=1
    fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
  # The Qt-free parts never reach Qt.
  if [[ $from == trace/* || $from == framework/core || $from == ids || $from == view/rules ]] &&
     grep -qE '^#include <Q' "$file"; then
    echo "$file includes Qt: $from is Qt-free"
    bad=1
  fi
done < <(git ls-files '*.h' '*.cpp' 2>/dev/null || find . -name '*.h' -o -name '*.cpp')
exit $bad
