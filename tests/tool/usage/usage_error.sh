# A command given too little is a usage error.
brivel grade onlyone >/dev/null
