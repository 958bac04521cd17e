# The sample quiz checks clean: no warning, every text fits its box in the players.
brivel check "$SAMPLE"
