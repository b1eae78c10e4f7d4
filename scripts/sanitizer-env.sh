# Sourced by scripts/sanitize and scripts/fuzz: the sanitizer build folder and
# the run-time options that make every sanitizer report end the program.
build_asan="${KYVOR_ASAN_BUILD_DIR:-$root/build-asan}"
export ASAN_OPTIONS="detect_leaks=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
if [ -z "${ASAN_SYMBOLIZER_PATH:-}" ]; then
  for s in llvm-symbolizer llvm-symbolizer-14; do
    if command -v "$s" >/dev/null; then
      export ASAN_SYMBOLIZER_PATH="$(command -v "$s")"
      break
    fi
  done
fi
