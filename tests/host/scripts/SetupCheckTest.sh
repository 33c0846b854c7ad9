#!/usr/bin/env bash
# scripts/setup --check judges real program calls only: a program on PATH named like a word of the
# scripts' prose never fails it; a call of that program always does, naming it and where it stands.
#   SetupCheckTest.sh SOURCE_DIR
set -uo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$1/scripts" "$1/.ci" "$1/cmake" "$1/tools" "$1/tests" "$work/"
mkdir "$work/bin"
printf '#!/bin/sh\nexit 0\n' >"$work/bin/project"
chmod +x "$work/bin/project"
export PATH="$work/bin:$PATH"
failures=0

check() { # EXPECTED_STATUS EXPECTED_TEXT WHAT
    local out status
    out=$("$work/scripts/setup" --check 2>&1)
    status=$?
    if { [ "$1" = pass ] && [ $status -ne 0 ]; } || { [ "$1" = fail ] && [ $status -eq 0 ]; } ||
        ! grep -qF -- "$2" <<<"$out"; then
        echo "FAILED: $3: expected $1 with '$2', got status $status:"
        echo "$out" | tail -n 5
        failures=$((failures + 1))
    else
        echo "ok: $3"
    fi
}

cat >"$work/scripts/prose" <<'SCRIPT'
#!/usr/bin/env bash
# project: a comment
echo "the fuzzers' former project" 'project'
cat <<TEXT
project
TEXT
case ${1:-} in project) echo project ;; esac
for word in project; do echo "$word"; done
SCRIPT
check pass "every one comes from a package" "prose, here-documents, case patterns and loop words are no calls"

echo 'echo "version: $(timeout 5 project --version)"' >>"$work/scripts/prose"
check fail "project (scripts/prose:9) is called but no Debian package" "a call through a wrapper inside a quoted substitution counts"

printf '#!/bin/sh\ntool=$(command -v project); "$tool"\n' >"$work/scripts/prose"
check fail 'scripts/prose:2 runs "$tool", which names no program' "a command word that cannot be read is refused"

echo "$failures failed"
[ "$failures" -eq 0 ]
