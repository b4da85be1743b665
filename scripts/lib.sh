# Shared by the project's scripts (sourced): building a preset and what its build is run with.
# The Wine loader of each preset is set once, in CMakePresets.json (PRESSAVO_WINE_LOADER).

# pressavo_build <preset> [cmake --build options...]: configures and builds build/<preset>.
pressavo_build() {
    local preset=$1
    shift
    cmake --preset "$preset" && cmake --build --preset "$preset" -j "$(nproc 2>/dev/null || echo 2)" "$@"
}

# pressavo_configured <file> <sed script> <what>: the value the configure step wrote there, or a failure.
pressavo_configured() {
    local value
    value=$(sed -n "$2" "$1" 2>/dev/null)
    if [ -z "$value" ]; then
        echo "no $3 configured in $(dirname "$1") (cmake --preset <preset> first)" >&2
        return 1
    fi
    echo "$value"
}

# pressavo_wine_loader <build-dir>: the Wine loader that the configured build's programs run with.
pressavo_wine_loader() { pressavo_configured "$1/CMakeCache.txt" 's/^PRESSAVO_WINE_LOADER:[A-Z]*=//p' "Wine loader"; }

# pressavo_release_name <build-dir>: Pressavo-<version>-<build>, the name of that build's packages.
pressavo_release_name() {
    pressavo_configured "$1/release-config.cmake" 's/^set(RELEASE_NAME "\(.*\)")$/\1/p' release
}
