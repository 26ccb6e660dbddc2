# The fuzz targets and their libFuzzer options, shared by CI (.ci/run) and scripts/fuzz-long.sh.
# Source it, then use FUZZ_TARGETS and fuzz_options TARGET.
FUZZ_TARGETS="bmp gif engine reply project readback json rtf responder bundle api"

fuzz_options() {
  # A run that allocates more than 256 MB at once fails, whatever the target.
  local common="-rss_limit_mb=4096 -malloc_limit_mb=256 -print_final_stats=1"
  case "$1" in
    gif) echo "$common -max_len=65536" ;;          # many frames fit in an input
    project) echo "$common -max_len=473632" ;;     # a whole project file
    engine) echo "$common -max_len=8192" ;;
    bundle) echo "$common -max_len=65536" ;;       # a bundle with a few small pictures
    readback) echo "$common -max_len=40000" ;;  # eight items and the content run
    api) echo "$common -max_len=4096" ;;           # request bodies
    *) echo "$common" ;;
  esac
}
