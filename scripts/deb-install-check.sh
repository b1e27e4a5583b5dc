#!/usr/bin/env bash
# Builds scenc's .deb, checks it with lintian, installs it with apt and checks it as a Debian
# user meets it: scenc on PATH writes and checks the example, its manual pages show, bash
# completes it, the Neovim set-up of docs/editors.md starts its language server; then removes it
# and checks that no file of it is left. Run as root on a machine (a fresh root) where scenc is
# not installed otherwise; it installs its packages first.
#
# Usage: scripts/deb-install-check.sh     (from any folder; uses the build folder build/)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash scripts/install-dependencies.sh deb

failures=0
pass() { echo "ok: $*"; }
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

# The build folder as the test command leaves it; configured here when the first command left
# it without the tests, or is missing.
[[ -f build/CMakeCache.txt ]] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBUILD_TESTING=OFF
cmake --build build
rm -rf build/package
(cd build && cpack -G DEB) >/dev/null
deb=$(echo build/package/scenc_*.deb)
[[ -f $deb ]] || { echo "FAILED: cpack made no build/package/scenc_*.deb"; exit 1; }
echo "== $deb: $(stat -c %s "$deb") bytes; $(dpkg-deb -f "$deb" Depends)"

echo "== lintian"
if lintian --fail-on error --tag-display-limit 0 "$deb"; then
    pass "lintian reports no error"
else
    fail "lintian reports errors"
fi

echo "== apt install"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null
mapfile -t package_files < <(dpkg -L scenc)

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
cd "$home"
[[ $(command -v scenc) == /usr/bin/scenc ]] && pass "scenc is /usr/bin/scenc" ||
    fail "scenc on PATH is '$(command -v scenc)'"
if scenc example mine >/dev/null &&
    scenc check mine/Brenzola_Tessalto_linea.txt mine/Brenzola_Tessalto_917-.txt >check.txt; then
    pass "scenc example, then scenc check: $(tail -n 1 check.txt)"
else
    fail "scenc example or scenc check"
    cat check.txt 2>/dev/null || true
fi

# Every page that the program's own --help names.
for page in scenc $(scenc --help | awk '/^Subcommands:/ { on = 1; next } on && NF { print "scenc-" $1 }'); do
    if man -P cat "$page" 2>/dev/null | grep -q "^NAME"; then
        pass "man $page"
    else
        fail "man $page shows no page"
    fi
done

# An interactive bash as a new user has it (Debian's /etc/skel/.bashrc loads bash-completion);
# a first TAB after "scenc " loads the completion, as below, and then offers the subcommands.
cp /etc/skel/.bashrc "$home/.bashrc"
completion=$(HOME=$home bash -i -c '
    COMP_WORDS=(scenc ""); COMP_CWORD=1; COMP_LINE="scenc "; COMP_POINT=6
    _completion_loader scenc "" scenc
    complete -p scenc && _scenc scenc "" scenc && echo "scenc <TAB><TAB>: ${COMPREPLY[*]}"
' 2>/dev/null) || true
echo "$completion" | sed 's/^/    /'
if grep -q "^complete -F _scenc scenc" <<<"$completion" &&
    grep -q "<TAB><TAB>: check compile" <<<"$completion"; then
    pass "complete -p scenc in an interactive bash, and scenc <TAB><TAB>"
else
    fail "bash completion of scenc"
fi

# The Neovim set-up exactly as docs/editors.md gives it, on a train text.
mkdir -p "$home/.config/nvim"
awk '/In `init.lua`:$/ { on = 1; next } on && /^      / { sub(/^      /, ""); print; next }
     on && NF { exit }' "$top/docs/editors.md" >"$home/.config/nvim/init.lua"
cat >"$home/started.lua" <<'EOF'
local started = vim.wait(20000, function()
  for _, client in pairs(vim.lsp.get_active_clients()) do
    if client.name == 'scenc' and client.initialized then return true end
  end
  return false
end, 100)
io.stdout:write(started and 'language server started\n' or 'no language server\n')
vim.cmd(started and 'qall!' or 'cquit 1')
EOF
if [[ -s $home/.config/nvim/init.lua ]] &&
    HOME=$home timeout 60 nvim --headless -c "luafile $home/started.lua" \
        mine/Brenzola_Tessalto_917-.txt; then
    pass "Neovim's set-up starts scenc lsp"
else
    fail "Neovim's set-up did not start scenc lsp (init.lua: $(wc -l <"$home/.config/nvim/init.lua") lines)"
fi

echo "== apt remove"
cd "$top"
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq scenc >/dev/null
left=()
for path in "${package_files[@]}"; do
    [[ -e $path ]] || continue
    # Folders that other packages own too (/usr/share/man/man1, ...) stay, as they should.
    [[ -d $path ]] && dpkg-query -S "$path" >/dev/null 2>&1 && continue
    left+=("$path")
done
if ((${#left[@]})); then
    fail "apt remove left: ${left[*]}"
else
    pass "apt remove leaves no file of scenc (${#package_files[@]} paths checked)"
fi

echo "== $failures failed"
((failures == 0))
