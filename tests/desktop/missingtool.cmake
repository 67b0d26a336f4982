# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern

# Stands in for a validator that is not installed: fails with what to install.
message(FATAL_ERROR "${TOOL} is not installed: install the Debian package ${PACKAGE} (./setup.sh does)")
