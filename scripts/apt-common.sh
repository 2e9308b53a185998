# Shared by the scripts that install or download Debian packages; sourced by
# them (POSIX sh). Everything goes through the machine's own apt
# configuration, so a machine with its own mirror or proxy works and no
# archive is named in the project's files.

# How long to wait, in seconds, for another apt or dpkg to finish.
APT_LOCK_WAIT=${APT_LOCK_WAIT:-600}

# apt-get update with the given options. Updating the package lists cannot
# wait for their lock by itself, so while another apt holds it this tries
# again every 5 seconds, for up to APT_LOCK_WAIT seconds.
apt_update() {
    waited=0
    while ! apt_output=$(apt-get "$@" update 2>&1); do
        if ! printf '%s\n' "$apt_output" | grep -q -e 'Could not get lock' -e 'Unable to lock'; then
            printf '%s\n' "$apt_output" >&2
            return 1
        fi
        if [ "$waited" -ge "$APT_LOCK_WAIT" ]; then
            printf '%s\n' "$apt_output" >&2
            echo "another apt still holds the lock after $APT_LOCK_WAIT s" >&2
            return 1
        fi
        [ "$waited" -eq 0 ] && echo "waiting for another apt to finish (up to $APT_LOCK_WAIT s)" >&2
        sleep 5
        waited=$((waited + 5))
    done
    [ -z "$apt_output" ] || printf '%s\n' "$apt_output"
}

# apt-get with the given arguments, waiting up to APT_LOCK_WAIT seconds for
# dpkg's lock (which apt can do itself) instead of failing at once.
apt_get_waiting() {
    apt-get -o DPkg::Lock::Timeout="$APT_LOCK_WAIT" "$@"
}

# source_archives DIR SUITE: writes the machine's archives that carry SUITE
# with its main component as source archives (deb-src) into DIR/machine.list
# (from one-line entries) and DIR/machine.sources (from deb822 ones, keeping
# their other fields, such as Signed-By). Fails when there is none.
source_archives() {
    sa_out=$1
    sa_suite=$2
    sa_list=/etc/apt/sources.list
    sa_parts=/etc/apt/sources.list.d
    eval "$(apt-config shell sa_list Dir::Etc::SourceList/f sa_parts Dir::Etc::SourceParts/d 2>/dev/null)"
    sa_parts=${sa_parts%/}

    : >"$sa_out/machine.list"
    for sa_file in "$sa_list" "$sa_parts"/*.list; do
        [ -f "$sa_file" ] || continue
        awk -v suite="$sa_suite" '
            { sub(/#.*/, "") }
            $1 != "deb" && $1 != "deb-src" { next }
            {
                i = 2; options = ""
                if ($2 ~ /^\[/) {
                    while (i <= NF) { options = options " " $i; if ($i ~ /\]$/) break; i++ }
                    i++
                }
                if ($(i + 1) != suite) next
                for (c = i + 2; c <= NF; c++)
                    if ($c == "main") { print "deb-src" options " " $i " " suite " main"; next }
            }' "$sa_file" >>"$sa_out/machine.list"
    done
    sort -u -o "$sa_out/machine.list" "$sa_out/machine.list"

    : >"$sa_out/machine.sources"
    for sa_file in "$sa_parts"/*.sources; do
        [ -f "$sa_file" ] || continue
        # One stanza per paragraph; a line that starts with white space
        # continues the field before it (an inline key, for one).
        grep -v '^#' "$sa_file" | awk -v suite="$sa_suite" '
            BEGIN { RS = ""; FS = "\n" }
            {
                n = 0; delete value; delete order
                for (l = 1; l <= NF; l++) {
                    if ($l ~ /^[ \t]/ && n > 0) { value[order[n]] = value[order[n]] "\n" $l; continue }
                    colon = index($l, ":")
                    if (colon == 0) continue
                    key = substr($l, 1, colon - 1)
                    text = substr($l, colon + 1); sub(/^[ \t]+/, "", text); sub(/[ \t]+$/, "", text)
                    order[++n] = key; value[key] = text
                }
                if (tolower(value["Enabled"]) == "no") next
                if ((" " value["Types"] " ") !~ / deb(-src)? /) next
                if ((" " value["Suites"] " ") !~ (" " suite " ")) next
                if ((" " value["Components"] " ") !~ / main /) next
                print "Types: deb-src"
                print "URIs: " value["URIs"]
                print "Suites: " suite
                print "Components: main"
                for (k = 1; k <= n; k++) {
                    key = order[k]
                    if (key ~ /^(Types|URIs|Suites|Components|Architectures|Enabled)$/) continue
                    print key ": " value[key]
                }
                print ""
            }' >>"$sa_out/machine.sources"
    done

    if [ ! -s "$sa_out/machine.list" ] && [ ! -s "$sa_out/machine.sources" ]; then
        echo "no archive of $sa_suite (main) in the machine's apt sources ($sa_list, $sa_parts)" >&2
        return 1
    fi
}

# private_apt DIR: points apt at a private configuration under DIR (its own
# source list in DIR/sources.list.d, package lists and cache), so that the
# machine's own apt sources and state are left alone while its settings,
# such as a proxy, still apply; then reads the package lists, logging to
# DIR/update.log. Fails when that update fails.
private_apt() {
    mkdir -p "$1/lists/partial" "$1/cache/archives/partial" "$1/sources.list.d"
    : >>"$1/sources.list"
    cat >"$1/apt.conf" <<CONF
Dir::Etc::SourceList "$1/sources.list";
Dir::Etc::SourceParts "$1/sources.list.d";
Dir::State "$1/state";
Dir::State::Lists "$1/lists";
Dir::Cache "$1/cache";
APT::Sandbox::User "$(id -un)";
Acquire::Retries "1";
Acquire::http::Timeout "30";
CONF
    APT_CONFIG="$1/apt.conf"
    export APT_CONFIG
    apt-get -q update >"$1/update.log" 2>&1
}

# source_apt NAME DIR SUITE [SUITE...]: a private apt (private_apt) under DIR
# whose list holds the machine's source archives of each SUITE; the first
# suite must have one, the others are taken when the machine has them (a
# security suite, for one). Fails with a message that starts with NAME.
source_apt() {
    sp_name=$1
    sp_dir=$2
    shift 2
    mkdir -p "$sp_dir/sources.list.d"
    sp_first=yes
    for sp_suite in "$@"; do
        mkdir -p "$sp_dir/suites/$sp_suite"
        if [ "$sp_first" = yes ]; then
            source_archives "$sp_dir/suites/$sp_suite" "$sp_suite" || {
                echo "$sp_name: no archive to take the sources from" >&2
                return 1
            }
        elif ! source_archives "$sp_dir/suites/$sp_suite" "$sp_suite" 2>/dev/null; then
            continue
        fi
        cp "$sp_dir/suites/$sp_suite/machine.list" "$sp_dir/sources.list.d/$sp_suite.list"
        cp "$sp_dir/suites/$sp_suite/machine.sources" "$sp_dir/sources.list.d/$sp_suite.sources"
        sp_first=no
    done
    if ! private_apt "$sp_dir"; then
        echo "$sp_name: apt-get update failed (see $sp_dir/update.log)" >&2
        return 1
    fi
}
