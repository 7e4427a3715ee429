# The locale Wine runs a prefix in (sourced, not run): Japanese by default;
# TARVEL_PREFIX_LANG=en_US.UTF-8 for a prefix with code page 1252, as on a
# Windows whose system locale is English. That one needs no generated locale:
# C.UTF-8 serves for the C library, and Wine takes its code page from LANG.
case "${TARVEL_PREFIX_LANG:-ja_JP.UTF-8}" in
  ja_JP.UTF-8) export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 ;;
  *) export LANG=$TARVEL_PREFIX_LANG LC_ALL=C.UTF-8 ;;
esac
