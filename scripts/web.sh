#!/usr/bin/env bash
# Builds the demo for browsers into build-web/ (a static site) and serves it on http://127.0.0.1:8000/.
#   scripts/web.sh [--build] [--data DIR] [--out DIR] [--port N]
# --build only builds; --data takes the pictures and the soundtrack from DIR instead of data/ (tests build
# pages with broken files that way); --out writes the site to DIR instead of build-web/. Installs what is
# missing (Debian packages, scripts/deps.sh --web). libpng and zlib are compiled from Debian's source
# packages, fetched once with apt-get through a private apt state in build-web-cache/, so the system's apt
# configuration is left as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

serve=1
data=$root/data
out=$root/build-web
port=8000
usage() { echo "usage: scripts/web.sh [--build] [--data DIR] [--out DIR] [--port N]" >&2; exit 2; }
while [ $# -gt 0 ]; do
    case "$1" in
        --build) serve=0 ;;
        --data) [ $# -ge 2 ] || usage; data=$(realpath "$2"); shift ;;
        --out) [ $# -ge 2 ] || usage; out=$(realpath -m "$2"); shift ;;
        --port) [ $# -ge 2 ] || usage; port=$2; shift ;;
        *) usage ;;
    esac
    shift
done
[ -d "$data" ] || { echo "scripts/web.sh: no data folder $data" >&2; exit 1; }

scripts/deps.sh --web
cache=$root/build-web-cache

# deb-src lines for the Debian archives the system installs from (its own codename, Debian's keyring),
# from both the one-line and the deb822 source formats.
debian_sources() {
    local codename
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    {
        cat /etc/apt/sources.list 2>/dev/null | sed -n 's/^deb \(\[[^]]*\] \)\{0,1\}\([^ ]*\) \([^ ]*\) \(.*\)$/\2 \3 \4/p'
        for f in /etc/apt/sources.list.d/*.list; do
            [ -e "$f" ] && sed -n 's/^deb \(\[[^]]*\] \)\{0,1\}\([^ ]*\) \([^ ]*\) \(.*\)$/\2 \3 \4/p' "$f"
        done
        for f in /etc/apt/sources.list.d/*.sources; do
            [ -e "$f" ] || continue
            # One "URI suite components" line per URI and suite of every stanza.
            awk 'function flush() { if (uris != "") { n = split(uris, u, " "); m = split(suites, s, " ");
                     for (i = 1; i <= n; i++) for (j = 1; j <= m; j++) print u[i], s[j], comps }
                     uris = suites = comps = "" }
                 /^[[:space:]]*$/ { flush(); next }
                 /^URIs:/ { sub(/^URIs:[[:space:]]*/, ""); uris = $0 }
                 /^Suites:/ { sub(/^Suites:[[:space:]]*/, ""); suites = $0 }
                 /^Components:/ { sub(/^Components:[[:space:]]*/, ""); comps = $0 }
                 END { flush() }' "$f"
        done
    } | awk -v c="$codename" '$2 ~ "^" c "([-/].*)?$" { print "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] " $0 }' | sort -u
}

# Unpacks Debian's source package $1 under $cache/src once; prints its folder.
debian_source() {
    local package=$1 folder
    folder=$(find "$cache/src" -mindepth 1 -maxdepth 1 -type d -name "$package-*" 2>/dev/null | head -n 1)
    if [ -z "$folder" ]; then
        local apt=(apt-get -q -o "Dir::State=$cache/apt/state" -o "Dir::Cache=$cache/apt/cache"
                   -o "Dir::Etc::SourceList=$cache/apt/sources.list" -o "Dir::Etc::SourceParts=$cache/apt/parts"
                   -o APT::Sandbox::User="$(id -un)" -o Debug::NoLocking=1)
        if [ ! -e "$cache/apt/updated" ]; then
            mkdir -p "$cache/apt/state/lists/partial" "$cache/apt/cache/archives/partial" "$cache/apt/parts"
            debian_sources >"$cache/apt/sources.list"
            [ -s "$cache/apt/sources.list" ] || { echo "scripts/web.sh: no Debian archive in /etc/apt/sources.list(.d)" >&2; exit 1; }
            "${apt[@]}" update >/dev/null
            touch "$cache/apt/updated"
        fi
        mkdir -p "$cache/src"
        # Newest first; a mirror may not carry every version it lists yet (a security update, say).
        local version
        for version in $(apt-cache "${apt[@]:1}" showsrc "$package" | sed -n 's/^Version: //p' | sort -Vru); do
            (cd "$cache/src" && "${apt[@]}" source "$package=$version" >/dev/null 2>&1) && break
            rm -rf "$cache/src/$package"[-_]*
        done
        folder=$(find "$cache/src" -mindepth 1 -maxdepth 1 -type d -name "$package-*" | head -n 1)
    fi
    [ -n "$folder" ] || { echo "scripts/web.sh: apt-get source $package gave no folder" >&2; exit 1; }
    echo "$folder"
}

libpng=$(debian_source libpng1.6)
zlib=$(debian_source zlib)

started=$(date +%s)
# Debian's Emscripten links at -O1 and above only when node finds Debian's modules.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
tree=$cache/build
if ! configured=$(emcmake cmake -S web -B "$tree" -DCMAKE_BUILD_TYPE=Release -DMORIQ_WEB_LIBPNG="$libpng" \
        -DMORIQ_WEB_ZLIB="$zlib" 2>&1); then
    echo "$configured" >&2
    exit 1
fi
cmake --build "$tree" -j2

# The site: the page, the program, the pictures in one data package (data.js loads it), and the soundtrack
# fetched on its own in one of three formats. Files of an earlier build that this one has not are removed.
mkdir -p "$out"
rm -f "$out"/{index.html,page.js,timeline.js,moriq.js,moriq.wasm,moriq.data,data.js,soundtrack.ogg,soundtrack.opus,soundtrack.m4a}
cp web/index.html web/page.js web/timeline.js "$tree"/moriq.js "$tree"/moriq.wasm "$out"/
# (The packager's reminder to link with -sFORCE_FILESYSTEM is kept quiet: web/CMakeLists.txt does.)
if ! packager=$(python3 /usr/share/emscripten/tools/file_packager.py "$out/moriq.data" --preload "$data@data" \
        --exclude '*.ogg' --js-output="$out/data.js" --no-node 2>&1 >/dev/null); then
    echo "$packager" >&2
    exit 1
fi
soundtrack=$(find "$data" -maxdepth 1 -name '*.ogg' | head -n 1)
[ -z "$soundtrack" ] || sh web/soundtrack.sh "$soundtrack" "$out"
echo "Built $out in $(( $(date +%s) - started )) s:"
(cd "$out" && ls -l --time-style=+ | awk 'NR > 1 { printf "  %-28s %9d bytes\n", $NF, $5 }')

[ "$serve" -eq 1 ] || exit 0
echo "Serving the demo on http://127.0.0.1:$port/ (Ctrl-C stops it)"
cd "$out"
exec python3 -m http.server "$port" --bind 127.0.0.1
