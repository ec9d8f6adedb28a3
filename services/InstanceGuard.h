#pragma once

// Non-zero when another instance registered under name is running. The first caller takes the
// name and keeps it until the process ends; a name left behind by a killed process is free.
int instance_is_run(const char* name, int flags);
