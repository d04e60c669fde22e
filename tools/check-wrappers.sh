#!/usr/bin/env bash
# Every message box and file dialog goes through its wrapper, so that tests can answer them:
# no static QMessageBox/QFileDialog calls and no boxes or dialogs made by hand elsewhere.
set -euo pipefail
cd "$(dirname "$0")/.."
pattern='QMessageBox::(information|warning|critical|question|about)|QFileDialog::get'
pattern+='|new Q(MessageBox|FileDialog)\b|\bQ(MessageBox|FileDialog) +[A-Za-z_][A-Za-z0-9_]* *[({;]'
pattern+='|make_unique<Q(MessageBox|FileDialog)>'
hits=$(git grep -n -E "$pattern" -- 'src/*.cpp' 'src/*.h' \
       | grep -v -E '^src/forms/common/(messageboxhandler|filedialogs)\.' || true)
if [ -n "$hits" ]; then
    echo "Direct message-box or file-dialog calls outside the wrappers:"
    echo "$hits"
    exit 1
fi
echo "wrapper check: ok"
