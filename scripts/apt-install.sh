# Sourced by scripts/bootstrap and scripts/bootstrap-windows: installs the
# Debian packages named in the array `packages` that are not yet installed,
# choosing each name by what the running release has. Asks for nothing, and
# calls neither apt nor sudo when everything is already present.
#
# An entry is either a package name, "a|b" (the first of these the release
# has; one already installed counts), or "@clang-rt" (the sanitizer and fuzzer
# runtime of the clang that `clang` is: libclang-rt-<N>-dev, N the major
# version of Debian's clang package).

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# The major version of a clang package version such as 1:19.0-63 or 1:14.0-55.7~deb12u1.
clang_major() { sed -E 's/^[0-9]+://; s/[.~+-].*//' <<<"$1"; }

# The name the runtime entry stands for, from the installed clang, else from
# apt's candidate (which needs the package lists); empty when unknown.
clang_rt_name() {
    local version
    version=$(dpkg-query -W -f='${Version}' clang 2>/dev/null || true)
    if [ -z "$version" ] || ! installed clang; then
        version=$(apt-cache policy clang 2>/dev/null | sed -n 's/^ *Candidate: *//p')
        [ "$version" = "(none)" ] && version=
    fi
    [ -n "$version" ] && echo "libclang-rt-$(clang_major "$version")-dev"
}

# Whether apt knows a package with an installation candidate.
available() {
    local candidate
    candidate=$(apt-cache policy "$1" 2>/dev/null | sed -n 's/^ *Candidate: *//p')
    [ -n "$candidate" ] && [ "$candidate" != "(none)" ]
}

# Prints the entries of "$@" that still need installing, one a line.
missing_entries() {
    local entry name alt ok
    for entry in "$@"; do
        case $entry in
        @clang-rt)
            if installed clang; then
                name=$(clang_rt_name)
                installed "$name" || echo "$entry"
            else
                echo "$entry"
            fi
            ;;
        *)
            ok=0
            IFS='|' read -ra alt <<<"$entry"
            for name in "${alt[@]}"; do
                if installed "$name"; then ok=1; break; fi
            done
            [ $ok -eq 1 ] || echo "$entry"
            ;;
        esac
    done
}

# Resolves the missing entries to names of this release (after refreshing the
# package lists) and installs them.
install_missing() {
    local who=$1
    shift
    local entries=() names=() entry name alt unresolved=()
    mapfile -t entries < <(missing_entries "$@")
    [ ${#entries[@]} -eq 0 ] && return 0
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    for entry in "${entries[@]}"; do
        case $entry in
        @clang-rt)
            name=$(clang_rt_name)
            if [ -n "$name" ] && available "$name"; then names+=("$name"); else unresolved+=("libclang-rt-<N>-dev"); fi
            ;;
        *)
            IFS='|' read -ra alt <<<"$entry"
            name=
            for a in "${alt[@]}"; do
                if available "$a"; then name=$a; break; fi
            done
            if [ -n "$name" ]; then names+=("$name"); else unresolved+=("$entry"); fi
            ;;
        esac
    done
    if [ ${#unresolved[@]} -gt 0 ]; then
        echo "$who: this release has no package for: ${unresolved[*]}" >&2
        return 1
    fi
    echo "$who: installing ${names[*]}"
    $sudo apt-get install -y -qq --no-install-recommends "${names[@]}" </dev/null
}
