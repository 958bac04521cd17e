# An existing description is never overwritten.
mkdir kept && echo mine > kept/quiz.toml
brivel new kept
cat kept/quiz.toml
