#!/usr/bin/env bash
# Checks the README's two commands as a new user meets them, then scenc's .deb: on a minimal
# Debian 12 root made fresh with mmdebstrap from this machine's own apt sources, with the
# repository cloned into it and ../shared beside the clone, as CI has them. Runs, as root inside
# the root:
#
#   step      what                                                    time limit
#   root      mmdebstrap --variant=apt bookworm                          5 min
#   package   bash scripts/run-package.sh (installs the build set)      20 min  (then checks the six files)
#   tests     bash scripts/test-all.sh (installs the test set)          45 min
#   deb       bash scripts/deb-install-check.sh                         10 min
#
# 80 minutes in all at most, inside CI's 90. Each step reports its exit status, its time and the
# last lines of its output; a step that runs out of time is stopped and named. After the package
# step it reports how many packages the root holds and its size, which the first command set.
#
# The root is always removed at the end, also after a failure or an interrupt: first every
# mount under it is unmounted (and checked gone in /proc/self/mountinfo), then it is removed
# with rm --one-file-system, so nothing of the host can be reached through it. Roots left by a
# run that was killed are removed the same way at the start.
#
# Usage: scripts/fresh-root-check.sh            (as root; installs mmdebstrap when missing)
#        KEEP_LOGS=DIR scripts/fresh-root-check.sh   keeps each step's whole log in DIR
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
sources=/etc/apt/sources.list.d/debian.sources
prefix=${TMPDIR:-/var/tmp}/scenario-fresh-root.
logs=${KEEP_LOGS:-}

if ((EUID != 0)); then
    echo "fresh-root-check: run as root (it makes a root file system and chroots into it)" >&2
    exit 2
fi
test -r "$sources" || { echo "fresh-root-check: no apt sources file at $sources" >&2; exit 2; }
test -d "$top/../shared" || { echo "fresh-root-check: no shared folder beside $top" >&2; exit 2; }

# Mount points under a root, longest path first (so a mount inside another comes off before
# it), as the kernel lists them for this process.
mounts_under() {
    awk -v root="$1" '$5 == root || index($5, root "/") == 1 { print length($5), $5 }' \
        /proc/self/mountinfo | sort -rn | cut -d' ' -f2-
}

remove_root() {
    local root=$1 pid
    [[ -d $root ]] || return 0
    # Processes a step left running inside the root (an Xvfb, say) keep its mounts busy.
    for pid in /proc/[0-9]*; do
        if [[ $(readlink "$pid/root" 2>/dev/null) == "$root"* ]]; then
            kill -9 "${pid#/proc/}" 2>/dev/null || true
        fi
    done
    local point
    for point in $(mounts_under "$root"); do
        umount "$point" 2>/dev/null || umount --lazy "$point" || true
    done
    if [[ -n $(mounts_under "$root") ]]; then
        echo "fresh-root-check: still mounted under $root, not removing it:" >&2
        mounts_under "$root" >&2
        return 1
    fi
    rm -rf --one-file-system "$root"
}

for stale in "$prefix"*; do
    [[ -d $stale ]] || continue
    echo "Removing a root left by an earlier run: $stale"
    remove_root "$stale"
done

if ! command -v mmdebstrap >/dev/null; then
    echo "Installing mmdebstrap"
    DEBIAN_FRONTEND=noninteractive apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends mmdebstrap \
        >/dev/null
fi

work=$(mktemp -d "${prefix}XXXXXX")
root=$work/root
trap 'status=$?; trap - EXIT INT TERM; remove_root "$work"; exit $status' EXIT
trap 'echo "fresh-root-check: interrupted" >&2; exit 130' INT TERM

summary=()
# step NAME MINUTES COMMAND...: runs COMMAND with a time limit, logs it and reports it.
step() {
    local name=$1 minutes=$2
    shift 2
    local log=$work/$name.log start status=0
    start=$(date +%s)
    echo "== $name (limit $minutes min)"
    timeout --kill-after=30 "$((minutes * 60))" "$@" >"$log" 2>&1 || status=$?
    local seconds=$(($(date +%s) - start))
    [[ -n $logs ]] && mkdir -p "$logs" && cp "$log" "$logs/"
    tail -n 25 "$log" | sed 's/^/    /'
    # The test runners' own closing lines, wherever they stand in the log.
    grep -E '^[0-9]+% tests passed' "$log" | sed 's/^/    ctest: /' || true
    if ((status == 124 || status == 137)); then
        echo "== $name: ran out of its $minutes minutes after $seconds s and was stopped"
        summary+=("$name: out of time after $seconds s (limit $minutes min)")
        return 1
    fi
    echo "== $name: exit status $status after $seconds s"
    summary+=("$name: exit status $status, $seconds s")
    return "$status"
}

report() {
    echo "Fresh-root check:"
    printf '  %s\n' "${summary[@]}"
}

# The start of a command line that runs a program inside the root with a clean environment, as
# a new login would have it (only CI's flag passes through).
in_root=(chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb CI="${CI:-}" LANG=C.UTF-8
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin)

# HTTPS on this machine's network may pass a proxy whose certificate authority the machine
# trusts through /usr/local/share/ca-certificates; the root gets the same trust, as it gets the
# same apt sources, and Node (the editor grammar test's npm install) is pointed at it.
copy_machine_certificates() {
    local bundle=$root/usr/local/share/ca-certificates/machine-bundle.pem
    mkdir -p "$root/usr/local/share/ca-certificates"
    compgen -G "/usr/local/share/ca-certificates/*.crt" >/dev/null || return 0
    cp /usr/local/share/ca-certificates/*.crt "$root/usr/local/share/ca-certificates/"
    cat /usr/local/share/ca-certificates/*.crt >"$bundle"
    in_root+=(NODE_EXTRA_CA_CERTS=/usr/local/share/ca-certificates/machine-bundle.pem)
}

# A minimal root has no /etc/hosts (the installer writes it on a real machine), so "localhost"
# would not resolve there; the browser test's driver connects to it by that name.
write_hosts_file() {
    [[ -e $root/etc/hosts ]] && return 0
    printf '127.0.0.1\tlocalhost\n::1\t\tlocalhost ip6-localhost ip6-loopback\n' >"$root/etc/hosts"
}

mount_kernel_trees() {
    mount -t proc proc "$root/proc"
    mount -t sysfs sysfs "$root/sys"
    mount -t devpts -o newinstance,ptmxmode=0666,mode=620 devpts "$root/dev/pts"
    mount --bind "$root/dev/pts/ptmx" "$root/dev/ptmx"
    mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
}

# The six files of a run, with the sizes the simulator expects of the compiled three.
check_package_files() {
    local folder=$root/work/main/build name
    for name in Brenzola_Tessalto_917_note.txt Brenzola_Tessalto_917_rallentamenti.txt \
        Brenzola_Tessalto_917_scheda_treno.txt; do
        test -s "$folder/$name" || { echo "missing: $name"; return 1; }
    done
    local -A sizes=([Brenzola_Tessalto_linea.dat]=4999964 [Brenzola_Tessalto_917.dat]=75015
        [Brenzola_Tessalto_917.sim]=3465)
    for name in "${!sizes[@]}"; do
        local size
        size=$(stat -c %s "$folder/$name" 2>/dev/null) || { echo "missing: $name"; return 1; }
        ((size == sizes[$name])) || { echo "$name: $size bytes, not ${sizes[$name]}"; return 1; }
        echo "$name: $size bytes"
    done
}

# Packages installed in the root, and its size without the clone and its builds.
# Reported only: a failure here gives "?" and never fails the check.
root_packages() {
    chroot "$root" dpkg-query -W -f='${Status}\n' 2>/dev/null |
        awk '/install ok installed/ { count++ } END { print count + 0 }'
}
root_size() { du -sxh --exclude="$root/work" "$root" 2>/dev/null | cut -f1 || echo "?"; }

run_all() {
    step root 5 mmdebstrap --variant=apt bookworm "$root" "$sources" || return 1
    mkdir -p "$root/work"
    git clone --quiet --no-hardlinks "$top" "$root/work/main" || return 1
    cp -r "$top/../shared" "$root/work/shared" || return 1
    copy_machine_certificates || return 1
    write_hosts_file || return 1
    mount_kernel_trees || return 1
    local in_clone=("${in_root[@]}" bash -c)
    step package 20 "${in_clone[@]}" "cd /work/main && bash scripts/run-package.sh" || return 1
    check_package_files || { summary+=("package: the six files are not as expected"); return 1; }
    summary+=("after the first command: $(root_packages) packages, root $(root_size)")
    step tests 45 "${in_clone[@]}" "cd /work/main && bash scripts/test-all.sh" || return 1
    summary+=("after the test command: $(root_packages) packages, root $(root_size)")
    step deb 10 "${in_clone[@]}" "cd /work/main && bash scripts/deb-install-check.sh" || return 1
}

status=0
run_all || status=1
report
exit "$status"
