# What the project's shell scripts share; sourced, never run:
#   . "$top/scripts/lib/common.sh"

# The lock that every test, check and benchmark holds while it uses the
# service's fixed paths (the consumer socket under /dev/shm, the instance lock,
# the log file), so that no two of them run at once.
# shellcheck disable=SC2034
LORAWAN_TESTS_LOCK=/tmp/lorawanserver-tests-fixed-paths.lock

# apt_mirror SUITE [APT_DIR]
#   Prints the Debian mirror this machine's apt already uses for SUITE (for
#   example bookworm): the first "deb" source that lists SUITE in
#   APT_DIR/sources.list, APT_DIR/sources.list.d/*.list or, in the deb822
#   format, APT_DIR/sources.list.d/*.sources (APT_DIR is /etc/apt unless
#   given). The environment variable MIRROR, when set, wins. Fails with a
#   message naming MIRROR when no source serves SUITE.
apt_mirror() {
    if [ -n "${MIRROR:-}" ]; then
        echo "$MIRROR"
        return 0
    fi
    apt_dir=${2:-/etc/apt}
    apt_found=$(
        for file in "$apt_dir/sources.list" "$apt_dir"/sources.list.d/*.list; do
            if [ -f "$file" ]; then apt_one_line_uris "$1" <"$file"; fi
        done
        for file in "$apt_dir"/sources.list.d/*.sources; do
            if [ -f "$file" ]; then apt_deb822_uris "$1" <"$file"; fi
        done
    )
    apt_found=$(echo "$apt_found" | sed -n 1p)
    if [ -z "$apt_found" ]; then
        echo "no apt source in $apt_dir serves Debian $1; set MIRROR to a Debian mirror" >&2
        return 1
    fi
    echo "$apt_found"
}

# The URI of every "deb" line of the one-line format that lists SUITE:
#   deb [options] URI SUITE COMPONENT...
apt_one_line_uris() {
    sed -e 's/#.*//' -e 's/\[[^]]*\]//' | awk -v suite="$1" '$1 == "deb" && $3 == suite { print $2 }'
}

# The URIs of every enabled deb822 stanza of type deb that lists SUITE. A
# comment line does not end a stanza; a line that begins with white space
# continues the field before it.
apt_deb822_uris() {
    sed -e '/^[[:space:]]*#/d' | awk -v suite="$1" '
        function flush() {
            if (index(" " types " ", " deb ") && index(" " suites " ", " " suite " ") && tolower(enabled) != "no") {
                n = split(uris, list, " ")
                for (i = 1; i <= n; ++i) print list[i]
            }
            types = ""; uris = ""; suites = ""; enabled = ""; field = ""
        }
        /^[ \t]*$/ { flush(); next }
        /^[ \t]/ { value = $0 }
        /^[A-Za-z-]+:/ {
            field = tolower($1); sub(/:$/, "", field)
            value = $0; sub(/^[^:]*:/, "", value)
        }
        {
            gsub(/[ \t]+/, " ", value); sub(/^ /, "", value); sub(/ $/, "", value)
            if (field == "types") types = types " " value
            else if (field == "uris") uris = uris " " value
            else if (field == "suites") suites = suites " " value
            else if (field == "enabled") enabled = value
        }
        END { flush() }'
}
