#!/usr/bin/env bash
# Every command the tool lists has a manual page that man shows, named after the command and
# carrying every option of the command's --help.
# usage: check_man_pages.sh TOOL MAN_DIR
set -euo pipefail
tool=$1
pages=$2
shown() { MANWIDTH=200 man -P cat -l "$1" 2>/dev/null | sed 's/.\x08//g'; }

commands=$("$tool" --help | sed -n '/^commands:/,/^$/s/^  \([a-z]*\) .*/\1/p')
[ -n "$commands" ] || { echo "no commands in $tool --help"; exit 1; }
overview=$(shown "$pages/kvxtheme.1")
grep -q "^NAME" <<<"$overview" || { echo "man -l does not show kvxtheme.1"; exit 1; }
for command in $commands; do
  grep -q "kvxtheme-$command(1)" <<<"$overview" ||
    { echo "kvxtheme.1 does not refer to kvxtheme-$command(1)"; exit 1; }
  page=$(shown "$pages/kvxtheme-$command.1")
  grep -q "^KVXTHEME-${command^^}(1)" <<<"$page" ||
    { echo "kvxtheme-$command.1 is not titled after the command"; exit 1; }
  grep -q "^ *kvxtheme-$command - " <<<"$page" ||
    { echo "kvxtheme-$command.1 has no NAME line for the command"; exit 1; }
  for option in $("$tool" "$command" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -q -- "$option" <<<"$page" ||
      { echo "kvxtheme-$command.1 lacks $option"; exit 1; }
  done
done
echo "manual pages for: kvxtheme" $commands
