#pragma once

#include "ILogger.h"

// The log of a test suite, in its own temporary folder: the build tree's log is the one the
// window that ./run.sh starts writes. Every suite installs it at start (SuiteLogInstall.cpp);
// a RecordingLogger puts it back when it goes.
ILogger* suiteLog();
