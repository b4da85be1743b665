# Shared by the project's scripts (sourced): building a preset and what its build is run with.
# The Wine loader of each preset is set once, in CMakePresets.json (PRESSAVO_WINE_LOADER).

# pressavo_build <preset> [cmake --build options...]: configures and builds build/<preset>.
pressavo_build() {
    local preset=$1
    shift
    cmake --preset "$preset" && cmake --build --preset "$preset" -j "$(nproc 2>/dev/null || echo 2)" "$@"
}

# pressavo_wine_loader <build-dir>: the Wine loader that the configured build's programs run with.
pressavo_wine_loader() {
    local loader
    loader=$(sed -n 's/^PRESSAVO_WINE_LOADER:[A-Z]*=//p' "$1/CMakeCache.txt" 2>/dev/null)
    if [ -z "$loader" ]; then
        echo "no Wine loader configured in $1 (cmake --preset <preset> first)" >&2
        return 1
    fi
    echo "$loader"
}

# pressavo_release_name <build-dir>: Pressavo-<version>-<build>, the name of that build's packages.
pressavo_release_name() {
    local name
    name=$(sed -n 's/^set(RELEASE_NAME "\(.*\)")$/\1/p' "$1/release-config.cmake" 2>/dev/null)
    if [ -z "$name" ]; then
        echo "no release configured in $1 (cmake --preset <preset> first)" >&2
        return 1
    fi
    echo "$name"
}
