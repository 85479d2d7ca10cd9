#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The installed desktop files, without building a package: the manual pages render without
# a warning, the menu entries validate, and the manual page and the bash completion name
# every command and option that `vidur --help` and `vidur COMMAND --help` name.
#   check-files.sh VIDUR SOURCE-DIR MAN-DIR
set -uo pipefail
vidur=$1 source=$2 mandir=$3
faults=0
fail() { echo "FAIL: $*"; faults=$((faults + 1)); }

for page in "$mandir"/*.[1-8]; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings=w -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$(basename "$page") renders with warnings: $warnings"
  [ "$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null | wc -l)" -gt 20 ] || fail "$(basename "$page") renders empty"
  # An option or a variable name broken at a line end (--time-/out, VIDUR_NET-/WORK) cannot
  # be searched for or copied: no word ends a line in a hyphen, on a narrow terminal either.
  for width in 40 60 80; do
    broken=$(LC_ALL=C.UTF-8 MANWIDTH=$width man -l "$page" 2>/dev/null | grep -E '[^ ][-‐]$')
    [ -z "$broken" ] || fail "$(basename "$page") breaks words at $width columns: $broken"
  done
done

for entry in "$source"/packaging/desktop/*.desktop; do
  out=$(desktop-file-validate "$entry" 2>&1) || fail "$(basename "$entry"): $out"
  [ -z "$out" ] || fail "$(basename "$entry"): $out"
done

# The completion as bash-completion loads it, asked as the shell asks it.
complete_words() {
  bash -c 'source /usr/share/bash-completion/bash_completion; source "$1"; shift
    complete -p vidur >/dev/null || exit 3
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    _vidur vidur "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"
    printf "%s\n" "${COMPREPLY[@]}"' _ "$source/packaging/completion/vidur" "$@"
}
man_text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$mandir/vidur.1" 2>/dev/null)

commands=$("$vidur" --help | awk '/^commands:/ { on = 1; next } /^$/ { on = 0 } on { print $1 }')
[ -n "$commands" ] || fail "vidur --help lists no commands"
completed_commands=$(printf '%s\n' $commands help | sort)
offered=$(complete_words vidur "" | sort)
[ "$offered" = "$completed_commands" ] ||
  fail "completion offers [$(echo $offered)], vidur --help lists [$(echo $commands)]"
for command in $commands; do
  options=$("$vidur" "$command" --help | awk '/^options:/ { on = 1; next } /^$/ { on = 0 } on { print $1 }')
  offered=$(complete_words vidur "$command" -- | sort)
  for option in $options; do
    grep -qx -- "$option" <<<"$offered" || fail "completion of '$command' lacks $option"
    [ "$option" = --help ] || [ "$option" = --network ] ||
      grep -q -- "^ *$option" <<<"$man_text" || fail "vidur(1) lacks $option of '$command'"
  done
  grep -q "^   $command" <<<"$man_text" || fail "vidur(1) has no section for '$command'"
done
for option in --network --version; do
  grep -q -- "^ *$option" <<<"$man_text" || fail "vidur(1) lacks $option"
done
[ "$(complete_words vidur lookup --network "")" != "" ] || fail "no --network values offered"
# --network before the command, which the command accepts too.
grep -qx sim <<<"$(complete_words vidur --network "")" || fail "vidur --network <TAB> offers no networks"
offered=$(complete_words vidur --network sim "" | sort)
[ "$offered" = "$completed_commands" ] || fail "vidur --network sim <TAB> offers [$(echo $offered)]"
[ "$(complete_words vidur --network sim zones --)" = "$(complete_words vidur zones --)" ] ||
  fail "vidur --network sim zones -<TAB> differs from vidur zones -<TAB>"

[ $faults -eq 0 ] && echo "manual pages, menu entries and completion agree with vidur --help"
exit $((faults > 0))
