#!/usr/bin/env bash
# Every message box and file dialog goes through its wrapper, so that tests can answer them.
set -euo pipefail
cd "$(dirname "$0")/.."
hits=$(git grep -n -E 'QMessageBox::(information|warning|critical|question|about)|QMessageBox [a-z]|QFileDialog::get' -- 'src/*.cpp' 'src/*.h' \
       | grep -v -E '^src/forms/common/(messageboxhandler|filedialogs)\.' || true)
if [ -n "$hits" ]; then
    echo "Direct message-box or file-dialog calls outside the wrappers:"
    echo "$hits"
    exit 1
fi
echo "wrapper check: ok"
