# Sourced by the scripts: the facts of cmake/suite-facts.txt, which the
# build reads too.
#
#   fact NAME      prints the words of fact NAME, separated by blanks
#
# A missing fact or file ends the script with status 2.
vy_facts_file="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/cmake/suite-facts.txt"
fact() {
    local words
    words=$(sed -n "s/^$1  *//p" "$vy_facts_file" 2>/dev/null)
    if [ -z "$words" ]; then
        echo "${0##*/}: $vy_facts_file has no \"$1\" line" >&2
        exit 2
    fi
    echo "$words"
}
