#!/usr/bin/env bash
# Checks that the compiled manual holds every file its project lists, with
# its table of contents and index: check_chm.sh pontra.chm pontra.hhp
set -euo pipefail
chm=$1
project=$2
listing=$(enum_chmLib "$chm")
missing=0
for file in toc.hhc index.hhk $(sed -n '/^\[FILES\]/,/^\[/p' "$project" | grep -v '^\[' | tr -d '\r'); do
  if ! grep -q "[[:space:]]/$file\$" <<<"$listing"; then
    echo "missing in $chm: $file"
    missing=1
  fi
done
exit $missing
