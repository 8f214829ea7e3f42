# Runs kvhost ui document with a bad script and prints its output and exit code, so a test can require
# both the message and exit 1.
execute_process(COMMAND ${KVHOST} --root ${ROOT} ui document ${PRINTER} --script ${SCRIPT}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
message("${out}${err}exit ${rc}")
