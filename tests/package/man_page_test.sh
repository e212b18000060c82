#!/bin/sh
# The manual page must format without a single warning of any kind.
# Usage: man_page_test.sh GROFF PAGE
set -eu
groff=$1 page=$2
warnings=$("$groff" -man -ww -z "$page" 2>&1) || { echo "$warnings" >&2; exit 1; }
if [ -n "$warnings" ]; then
  echo "groff warns about $page:" >&2
  echo "$warnings" >&2
  exit 1
fi
# The formatted page must hold every section a user looks for.
text=$("$groff" -man -Tutf8 -P-cbou "$page" 2>&1)
for section in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" FILES NOTES EXAMPLES; do
  echo "$text" | grep -q "^$section\$" || { echo "section $section missing" >&2; exit 1; }
done
