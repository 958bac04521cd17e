# The version, as the package numbers it.
brivel --version | sed -E 's/^(brivel) [0-9]+\.[0-9]+\.[0-9]+$/\1 X.Y.Z/'
