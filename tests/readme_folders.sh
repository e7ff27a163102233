#!/usr/bin/env bash
# The README's folder map lists every top-level folder of the tree once, and
# no folder that is not there. Usage: readme_folders.sh SOURCE_DIR
# (skipped, status 77, outside a git checkout)
set -u
cd "$1" || exit 2
tracked=$(git ls-files 2>/dev/null | grep / | cut -d/ -f1 | sort -u) || exit 77
[ -n "$tracked" ] || exit 77
listed=$(sed -n '/^## Folders$/,/^Licence/p' README.md | grep '^| `' | cut -d'|' -f2 |
   grep -o '`[^`]*/`' | tr -d '`/' | sort)
if [ "$listed" != "$tracked" ]; then
   echo "README folder map (<) against the folders of the tree (>):"
   diff <(echo "$listed") <(echo "$tracked")
   exit 1
fi
