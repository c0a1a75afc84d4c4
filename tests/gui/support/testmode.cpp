// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into every QtTest program: Qt's standard locations (settings,
// configuration, data, cache) point at its test folders before the first
// test runs, so no test reads or writes the user's own.
#include <QCoreApplication>
#include <QStandardPaths>

static void EnableQtTestMode() { QStandardPaths::setTestModeEnabled(true); }
Q_COREAPP_STARTUP_FUNCTION(EnableQtTestMode)
