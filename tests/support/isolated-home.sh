#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one test with a home, configuration, data and cache folder of its own,
# made empty for it and removed after it: a test can neither see nor change
# the settings, rule base or files of whoever runs the suite, and passes or
# fails the same on a machine where ZARN never ran.
home=$(mktemp -d "${TMPDIR:-/tmp}/zarn-test-home.XXXXXX") || exit 1
HOME=$home
XDG_CONFIG_HOME=$home/.config
XDG_DATA_HOME=$home/.local/share
XDG_CACHE_HOME=$home/.cache
XDG_STATE_HOME=$home/.local/state
export HOME XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_STATE_HOME
"$@"
status=$?
rm -rf "$home"
exit $status
