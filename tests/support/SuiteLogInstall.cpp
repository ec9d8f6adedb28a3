// Linked into every suite as an object of its own, so the log is installed before main runs.
#include "SuiteLog.h"

namespace {
const bool installed = [] {
    set_vell_logger_instance(suiteLog());
    return true;
}();
} // namespace
