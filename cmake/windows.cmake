# The Windows build: the program linked against the SDK's import libraries.
