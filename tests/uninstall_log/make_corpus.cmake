# A fresh seed corpus for the log reader's fuzz target, made from the reader
# fixtures, so that inputs the fuzzer added on an earlier run do not pile up.
file(REMOVE_RECURSE ${CORPUS})
file(MAKE_DIRECTORY ${CORPUS})
file(COPY ${SEEDS} DESTINATION ${CORPUS})
