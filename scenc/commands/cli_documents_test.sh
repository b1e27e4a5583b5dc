#!/usr/bin/env bash
# The manual pages and the bash completion that the build made from scenc's command line, held
# against what scenc --help says: a page for each subcommand that man shows without a warning
# and that names every option its --help names, and completion of subcommands, options and
# file or folder names.
#
# Usage: cli_documents_test.sh SCENC CLI_DOCUMENTS_FOLDER
set -euo pipefail
scenc=$1
documents=$2
failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

mapfile -t subcommands < <("$scenc" --help | awk '/^Subcommands:/ { on = 1; next } on && NF { print $1 }')
((${#subcommands[@]} > 0)) || fail "scenc --help lists no subcommand"

for page in scenc "${subcommands[@]/#/scenc-}"; do
    file=$documents/man1/$page.1.gz
    [[ -f $file ]] || { fail "no page $file"; continue; }
    warnings=$(MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null) || fail "man $page fails"
    [[ -z $warnings ]] || fail "man $page warns: $warnings"
    text=$(MANWIDTH=200 man -l "$file" 2>/dev/null)
    if [[ $page == scenc ]]; then
        help=$("$scenc" --help)
    else
        help=$("$scenc" "${page#scenc-}" --help)
    fi
    for option in $(grep -oE '(^|[ ,])--[a-z][a-z-]*' <<<"$help" | tr -d ' ,' | sort -u); do
        grep -q -- "$option" <<<"$text" || fail "man $page does not name $option"
    done
done

# Completion as bash asks for it: COMP_WORDS holds the words typed, the last one being completed.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/folder"
touch "$work/text_linea.txt"
# shellcheck source=/dev/null
source "$documents/completions/scenc"
complete_words() {
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    (cd "$work" && _scenc scenc "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" &&
        printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort | tr '\n' ' ')
}
expect() {
    local got wanted=$1
    shift
    got=$(complete_words "$@")
    [[ $got == "$wanted" ]] || fail "completing '$*': got '$got', wanted '$wanted'"
}
expect "$(printf '%s\n' "${subcommands[@]}" | sort | tr '\n' ' ')" scenc ""
expect "check compile " scenc c
expect "--max-errors --max-warnings " scenc check --max
expect "--max-errors " scenc check --max-e
expect "--no-plan " scenc compile --no
expect "folder text_linea.txt " scenc check ""
expect "text_linea.txt " scenc check folder t
expect "folder " scenc compile x y -o ""
expect "folder " scenc example ""
expect "" scenc check --max-errors ""

echo "$failures failed"
((failures == 0))
