make_quiz show
brivel pack show -o show.res >/dev/null 2>&1
brivel show --answers show.res
